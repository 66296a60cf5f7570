// korJSON files: reading a document's bytes, detecting its encoding and turning
// it into UTF-8 text, and replacing a file only once its new content is
// complete. Standard library only (plus the wide C file API on Windows).
#pragma once

#include <cstddef>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <memory>
#include <string>
#ifdef _WIN32
#include <cwchar>
#endif

#include "korJSONUnicode.h"

namespace korJSON {
namespace detail {

struct FileCloser {
    void operator()(std::FILE* f) const {
        if (f) {
            std::fclose(f);
        }
    }
};
using FileHandle = std::unique_ptr<std::FILE, FileCloser>;

#ifdef _WIN32
inline std::wstring WidePath(const std::string& path) {
    const std::u16string wide = Utf8ToUtf16(path);
    return std::wstring(wide.begin(), wide.end());
}
#endif

// Opens a file by its UTF-8 name; on Windows through the wide-character API.
inline std::FILE* OpenFile(const std::string& path, const char* mode) {
#ifdef _WIN32
    const std::wstring wideMode(mode, mode + std::strlen(mode));
    return _wfopen(WidePath(path).c_str(), wideMode.c_str());
#else
    return std::fopen(path.c_str(), mode);
#endif
}

inline bool RemoveFile(const std::string& path) {
#ifdef _WIN32
    return _wremove(WidePath(path).c_str()) == 0;
#else
    return std::remove(path.c_str()) == 0;
#endif
}

// Moves `from` over `to`. POSIX rename replaces the target in one step; on
// Windows an existing target has to go first.
inline bool ReplaceFile(const std::string& from, const std::string& to) {
#ifdef _WIN32
    if (_wrename(WidePath(from).c_str(), WidePath(to).c_str()) == 0) {
        return true;
    }
    _wremove(WidePath(to).c_str());
    return _wrename(WidePath(from).c_str(), WidePath(to).c_str()) == 0;
#else
    return std::rename(from.c_str(), to.c_str()) == 0;
#endif
}

// The whole content of a file. False when it cannot be opened or read (a
// folder, say).
inline bool ReadFileBytes(const std::string& path, std::string& bytes) {
    FileHandle file(OpenFile(path, "rb"));
    if (!file) {
        return false;
    }
    // The size found by seeking is only a hint: the reading goes on to the end.
    long size = -1;
    if (std::fseek(file.get(), 0, SEEK_END) == 0) {
        size = std::ftell(file.get());
    }
    std::rewind(file.get());
    bytes.clear();
    if (size > 0 && size < (1L << 30)) {
        bytes.resize(static_cast<std::size_t>(size));
        bytes.resize(std::fread(&bytes[0], 1, bytes.size(), file.get()));
    }
    char chunk[16384];
    std::size_t got = 0;
    while ((got = std::fread(chunk, 1, sizeof chunk, file.get())) > 0) {
        bytes.append(chunk, got);
    }
    return std::ferror(file.get()) == 0;
}

// Detects a byte-order mark or a UTF-16/UTF-32 layout from the first four
// bytes, tells the user about it, and returns the text as UTF-8 without the
// mark. Conversion failures raise std::range_error("wstring_convert::to_bytes").
inline std::string DecodeJSONBytes(const std::string& bytes) {
    enum class Encoding { Plain, Utf8, Utf16Be, Utf16Le, Utf32Be, Utf32Le };
    Encoding encoding = Encoding::Plain;
    std::size_t skip = 0;
    if (bytes.size() >= 4) {
        const auto b0 = static_cast<unsigned char>(bytes[0]);
        const auto b1 = static_cast<unsigned char>(bytes[1]);
        const auto b2 = static_cast<unsigned char>(bytes[2]);
        const auto b3 = static_cast<unsigned char>(bytes[3]);
        // clang-format off
        if (b0 == 0xEF && b1 == 0xBB && b2 == 0xBF)            { encoding = Encoding::Utf8;    skip = 3; }
        else if (b0 == 0xFE && b1 == 0xFF)                     { encoding = Encoding::Utf16Be; skip = 2; }
        else if (b0 == 0xFF && b1 == 0xFE && b2 == 0 && b3 == 0) { encoding = Encoding::Utf32Le; skip = 4; }
        else if (b0 == 0xFF && b1 == 0xFE)                     { encoding = Encoding::Utf16Le; skip = 2; }
        else if (b0 == 0 && b1 == 0 && b2 == 0xFE && b3 == 0xFF) { encoding = Encoding::Utf32Be; skip = 4; }
        else if (b0 == 0 && b1 == 0 && b2 == 0 && b3 != 0)     { encoding = Encoding::Utf32Be; }
        else if (b0 == 0 && b1 != 0 && b2 == 0 && b3 != 0)     { encoding = Encoding::Utf16Be; }
        else if (b0 != 0 && b1 == 0 && b2 == 0 && b3 == 0)     { encoding = Encoding::Utf32Le; }
        else if (b0 != 0 && b1 == 0 && b2 != 0 && b3 == 0)     { encoding = Encoding::Utf16Le; }
        // clang-format on
    }
    const char* name = nullptr;
    switch (encoding) {
    case Encoding::Plain: return bytes;
    case Encoding::Utf8: name = "UTF-8"; break;
    case Encoding::Utf16Be: name = "UTF-16 Big Endian"; break;
    case Encoding::Utf16Le: name = "UTF-16 Little Endian"; break;
    case Encoding::Utf32Be: name = "UTF-32 Big Endian"; break;
    case Encoding::Utf32Le: name = "UTF-32 Little Endian"; break;
    }
    std::cout << "File starts with " << name
              << " BOM! Please note that the BOM will be skipped, and removed in case the file "
                 "gets saved!"
              << std::endl;
    const std::size_t n = bytes.size() - skip;
    const auto byte = [&bytes, skip](std::size_t k) {
        return static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[skip + k]));
    };
    switch (encoding) {
    case Encoding::Utf16Be:
    case Encoding::Utf16Le: {
        const bool big = encoding == Encoding::Utf16Be;
        std::u16string units(n / 2, u'\0');  // a final odd byte is dropped
        for (std::size_t k = 0; k < units.size(); ++k) {
            const std::uint32_t hi = byte(2 * k + (big ? 0 : 1));
            const std::uint32_t lo = byte(2 * k + (big ? 1 : 0));
            units[k] = static_cast<char16_t>((hi << 8) | lo);
        }
        return Utf16ToUtf8(units);
    }
    case Encoding::Utf32Be:
    case Encoding::Utf32Le: {
        const bool big = encoding == Encoding::Utf32Be;
        std::u32string units(n / 4, U'\0');
        for (std::size_t k = 0; k < units.size(); ++k) {
            std::uint32_t v = 0;
            for (std::size_t b = 0; b < 4; ++b) {
                v |= byte(4 * k + b) << (8 * (big ? 3 - b : b));
            }
            units[k] = static_cast<char32_t>(v);
        }
        return Utf32ToUtf8(units);
    }
    default: return bytes.substr(skip);
    }
}

// A file written beside its target and moved over it only once complete, so a
// failed or interrupted write leaves the previous file as it was. The temporary
// file is removed unless the commit succeeded.
class ReplacingFile {
public:
    explicit ReplacingFile(const std::string& target)
        : target_(target), temp_(target + ".tmp"), file_(OpenFile(temp_, "wb")) {}
    ReplacingFile(const ReplacingFile&) = delete;
    ReplacingFile& operator=(const ReplacingFile&) = delete;
    ~ReplacingFile() {
        if (file_) {
            file_.reset();
        }
        if (opened_ && !committed_) {
            RemoveFile(temp_);
        }
    }

    bool IsOpen() const { return opened_; }

    // Writes `content` whole, closes and moves the file over the target. False
    // when any step fails (short write, full disk, failed close or rename).
    bool Commit(const std::string& content) {
        if (!file_) {
            return false;
        }
        bool ok = content.empty() ||
                  std::fwrite(content.data(), 1, content.size(), file_.get()) == content.size();
        ok = std::fflush(file_.get()) == 0 && ok;
        ok = std::ferror(file_.get()) == 0 && ok;
        ok = std::fclose(file_.release()) == 0 && ok;
        if (ok && ReplaceFile(temp_, target_)) {
            committed_ = true;
        }
        return committed_;
    }

private:
    std::string target_;
    std::string temp_;
    FileHandle file_;
    bool opened_ = file_ != nullptr;
    bool committed_ = false;
};

} // namespace detail
} // namespace korJSON
