// Property: any bytes given to ConvertBSONToJSON end in a text or in one of the
// converter's std::runtime_error refusals; a length pointing past the data
// never makes it read beyond the end. The text it makes is JSON the reader
// accepts as an object, or refuses with one of its own exceptions.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>

#include "korJSON/korJSON.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    korJSON::korJSONStream stream;
    std::string text;
    try {
        text = stream.ConvertBSONToJSON(bytes);
    } catch (const std::runtime_error&) {
        return 0;
    }
    if (text.size() < 2 || text.front() != '{' || text.back() != '}') {
        __builtin_trap();
    }
    korJSON::korJSONData root;
    try {
        if (stream.Tokenization(text) && stream.ParseJSONContents(root) &&
            root.type != korJSON::Object) {
            __builtin_trap();
        }
    } catch (const std::runtime_error&) {
    } catch (const std::invalid_argument&) {
    } catch (const std::out_of_range&) {
    }
    return 0;
}
