// Helpers shared by the document library tests: scratch folders, raw file
// bytes, parsing from memory and from files, and exact-message checks.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <iterator>
#include <sstream>
#include <stdexcept>
#include <string>
#include <utility>

#include "korJSON/korJSON.h"

namespace vlotest {

// A fresh folder under the system temp dir, removed with everything in it.
class ScratchDir {
public:
    ScratchDir() {
        std::string tmpl =
            (std::filesystem::temp_directory_path() / "korjson-test-XXXXXX").string();
        const char* made = mkdtemp(tmpl.data());
        EXPECT_NE(made, nullptr);
        path = tmpl;
    }
    ~ScratchDir() {
        std::error_code ec;
        std::filesystem::remove_all(path, ec);
    }
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;

    std::string File(const std::string& name) const { return (path / name).string(); }

    std::filesystem::path path;
};

inline void WriteBytes(const std::string& file, const std::string& bytes) {
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

inline std::string ReadBytes(const std::string& file) {
    std::ifstream in(file, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Bytes from a list of values 0-255, for files and BSON documents.
inline std::string Bytes(std::initializer_list<int> values) {
    std::string s;
    for (const int v : values) {
        s += static_cast<char>(v);
    }
    return s;
}

// Tokenization + ParseJSONContents over text in memory; the result of both.
inline bool ParseText(const std::string& text, korJSON::korJSONData& data) {
    korJSON::korJSONStream stream;
    return stream.Tokenization(text) && stream.ParseJSONContents(data);
}

// The pretty (or compact) text of a tree.
inline std::string Write(korJSON::korJSONData& data, bool pretty = true) {
    korJSON::korJSONStream stream;
    std::string out;
    stream.ConvertJSONToString(data, out, pretty);
    return out;
}

inline std::shared_ptr<korJSON::korJSONData> Node(korJSON::korJSONValue value,
                                                  korJSON::korJSONDataType kind) {
    return std::make_shared<korJSON::korJSONData>(std::move(value), kind);
}

inline std::shared_ptr<korJSON::korJSONData> Container(korJSON::korJSONDataType kind) {
    return std::make_shared<korJSON::korJSONData>(kind);
}

// A write of an empty `root` that must be refused: what it printed, and in
// `reason` the stream's lastError.
inline std::string RefusedWrite(const std::string& path,
                                korJSON::korJSONDataType root = korJSON::Object,
                                std::string* reason = nullptr) {
    korJSON::korJSONData data(root);
    korJSON::korJSONStream stream;
    std::string out;
    testing::internal::CaptureStdout();
    EXPECT_FALSE(stream.WriteJSONFile(path, data, out, true)) << path;
    if (reason != nullptr) {
        *reason = stream.lastError;
    }
    return testing::internal::GetCapturedStdout();
}

// What `action` raised: "<type>: <what()>", or "nothing".
template <typename Action> std::string Raised(Action&& action) {
    try {
        action();
    } catch (const std::range_error& e) {
        return std::string("range_error: ") + e.what();
    } catch (const std::runtime_error& e) {
        return std::string("runtime_error: ") + e.what();
    } catch (const std::invalid_argument& e) {
        return std::string("invalid_argument: ") + e.what();
    } catch (const std::out_of_range& e) {
        return std::string("out_of_range: ") + e.what();
    } catch (const std::bad_variant_access&) {
        return "bad_variant_access";
    } catch (const std::bad_optional_access&) {
        return "bad_optional_access";
    } catch (const std::exception& e) {
        return std::string("exception: ") + e.what();
    }
    return "nothing";
}

} // namespace vlotest
