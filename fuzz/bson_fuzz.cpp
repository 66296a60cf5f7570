// Property: any bytes given to ConvertBSONToJSON end in a text or one of the
// converter's runtime errors; lengths pointing past the data never make it
// read beyond the end. Converted text is then read like any JSON text.
#include <cstddef>
#include <cstdint>
#include <exception>
#include <string>

#include "korJSON/korJSON.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    korJSON::korJSONStream stream;
    try {
        const std::string text = stream.ConvertBSONToJSON(bytes);
        korJSON::korJSONData root;
        if (stream.Tokenization(text)) {
            stream.ParseJSONContents(root);
        }
    } catch (const std::exception&) {
        // an orderly refusal
    }
    return 0;
}
