// Property: any file content read through ParseFile (encoding detection and
// notices, UTF-16/UTF-32 conversion, scanning, building) ends in true, false
// or one of the reader's listed exceptions (std::runtime_error with the
// conversion's std::range_error among them, std::invalid_argument,
// std::out_of_range, std::bad_optional_access), never reads outside the
// file's bytes, and gives a Null node whenever it returns false. A file over
// the reader's limit (lowered here to 1024 bytes) always ends in false, with
// the limit as the reason.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <iostream>
#include <optional>
#include <stdexcept>
#include <string>

#include "korJSON/korJSON.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const std::string path = "/tmp/vlo-jsonfile-fuzz-" + std::to_string(getpid()) + ".json";
    static bool quiet = [] {
        // The encoding notices would flood the fuzzer's output.
        std::cout.setstate(std::ios::failbit);
        return true;
    }();
    (void)quiet;
    if (std::FILE* f = std::fopen(path.c_str(), "wb")) {
        const bool written = size == 0 || std::fwrite(data, 1, size, f) == size;
        std::fclose(f);
        if (!written) {
            return 0;
        }
    } else {
        return 0;
    }
    constexpr std::size_t Limit = 1024;
    korJSON::korJSONStream stream;
    stream.maxFileBytes = Limit;
    korJSON::korJSONData root(korJSON::Bool);
    try {
        const bool parsed = stream.ParseFile(path, root, korJSON::JSON);
        if (!parsed && root.type != korJSON::Null) {
            __builtin_trap();
        }
        if (size > Limit && (parsed || stream.lastError != "larger than 1024 bytes")) {
            __builtin_trap();
        }
    } catch (const std::runtime_error&) {
    } catch (const std::invalid_argument&) {
    } catch (const std::out_of_range&) {
    } catch (const std::bad_optional_access&) {
    }
    std::remove(path.c_str());
    return 0;
}
