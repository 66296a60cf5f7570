// Property: any file content read through ParseFile (encoding detection,
// UTF-16/UTF-32 conversion, scanning, building) ends in true, false or one of
// the reader's exceptions, and never reads outside the file's bytes.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <exception>
#include <string>

#include "korJSON/korJSON.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const std::string path = "/tmp/vlo-jsonfile-fuzz-" + std::to_string(getpid()) + ".json";
    if (std::FILE* f = std::fopen(path.c_str(), "wb")) {
        std::fwrite(data, 1, size, f);
        std::fclose(f);
    } else {
        return 0;
    }
    korJSON::korJSONStream stream;
    korJSON::korJSONData root;
    try {
        stream.ParseFile(path, root, korJSON::JSON);
    } catch (const std::exception&) {
        // an orderly refusal
    }
    std::remove(path.c_str());
    return 0;
}
