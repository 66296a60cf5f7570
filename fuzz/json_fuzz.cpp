// Property: any text, scanned by Tokenization and built by ParseJSONContents,
// ends in true, false or one of the reader's listed exceptions
// (std::runtime_error, std::invalid_argument, std::out_of_range,
// std::bad_optional_access) — never a crash, a hang, another exception or a
// read outside the text or the token queue. An accepted tree writes back
// (compact always, indented for small inputs: indentation grows with the
// square of the depth), failing at most with "Invalid UTF-8 sequence!".
#include <cstddef>
#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>

#include "korJSON/korJSON.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    korJSON::korJSONStream stream;
    korJSON::korJSONData root;
    bool accepted = false;
    try {
        accepted = stream.Tokenization(text) && stream.ParseJSONContents(root);
    } catch (const std::runtime_error&) {
    } catch (const std::invalid_argument&) {
    } catch (const std::out_of_range&) {
    } catch (const std::bad_optional_access&) {
    }
    if (accepted) {
        if (root.type != korJSON::Array && root.type != korJSON::Object) {
            __builtin_trap();
        }
        for (const bool pretty : {false, true}) {
            if (pretty && size > 1024) {
                break;
            }
            std::string out;
            try {
                stream.ConvertJSONToString(root, out, pretty);
            } catch (const std::runtime_error& e) {
                if (std::string(e.what()) != "Invalid UTF-8 sequence!") {
                    __builtin_trap();
                }
            }
        }
    }
    return 0;
}
