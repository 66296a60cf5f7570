// Property: any text, scanned and built into a tree, ends in true, false or
// one of the reader's exceptions (runtime_error, invalid_argument,
// out_of_range, bad_optional_access) — never a crash, a hang or a read
// outside the text or the token queue. An accepted tree also writes back.
#include <cstddef>
#include <cstdint>
#include <exception>
#include <string>

#include "korJSON/korJSON.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    korJSON::korJSONStream stream;
    korJSON::korJSONData root;
    try {
        if (stream.Tokenization(text) && stream.ParseJSONContents(root)) {
            std::string out;
            stream.ConvertJSONToString(root, out, size < 4096);
        }
    } catch (const std::exception&) {
        // an orderly refusal
    }
    return 0;
}
