// korJSON files: reading a document's bytes (from a regular file of bounded
// size only), detecting its encoding and turning it into UTF-8 text, and
// replacing a file only once its new content is complete and on the disk.
// Standard library only, plus the POSIX file calls (the wide C file API on
// Windows).
#pragma once

#include <sys/stat.h>
#include <sys/types.h>

#include <cerrno>
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <memory>
#include <string>
#include <vector>
#ifdef _WIN32
#include <io.h>

#include <cwchar>
#else
#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>
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

#ifndef _WIN32
// A file descriptor closed when it goes out of scope.
struct Descriptor {
    explicit Descriptor(int opened) : fd(opened) {}
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    ~Descriptor() {
        if (fd >= 0) {
            ::close(fd);
        }
    }
    int fd;
};
#endif

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

// An error number in the plain lower-case words the reasons use.
inline std::string ErrorText(int error) {
    std::string text = std::strerror(error);
    if (!text.empty() && text[0] >= 'A' && text[0] <= 'Z') {
        text[0] = static_cast<char>(text[0] - 'A' + 'a');
    }
    return text;
}

inline std::string LargerThan(std::size_t maxBytes) {
    return "larger than " + std::to_string(maxBytes) + " bytes";
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
        std::u16string units(n / 2, u'\0'); // a final odd byte is dropped
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

#ifdef _WIN32
// A file written beside its target and moved over it only once complete, so a
// failed or interrupted write leaves the previous file as it was. The
// temporary file is removed unless the commit succeeded.
class ReplacingFile {
public:
    explicit ReplacingFile(const std::string& target)
        : target_(target), temp_(target + ".tmp"), file_(OpenFile(temp_, "wb")) {}
    ReplacingFile(const ReplacingFile&) = delete;
    ReplacingFile& operator=(const ReplacingFile&) = delete;
    ~ReplacingFile() {
        file_.reset();
        if (opened_ && !committed_) {
            _wremove(WidePath(temp_).c_str());
        }
    }

    bool IsOpen() const { return opened_; }
    // Why the file was not opened or not committed; empty otherwise.
    const std::string& Reason() const { return reason_; }

    bool Commit(const std::string& content) {
        if (!file_) {
            return false;
        }
        bool ok = content.empty() ||
                  std::fwrite(content.data(), 1, content.size(), file_.get()) == content.size();
        ok = std::fflush(file_.get()) == 0 && ok;
        ok = _commit(_fileno(file_.get())) == 0 && ok; // down to the disk
        ok = std::ferror(file_.get()) == 0 && ok;
        ok = std::fclose(file_.release()) == 0 && ok;
        if (ok && MoveOver(temp_, target_)) {
            committed_ = true;
        } else {
            reason_ = "the file could not be written whole";
        }
        return committed_;
    }

private:
    // An existing target has to go before the rename.
    static bool MoveOver(const std::string& from, const std::string& to) {
        if (_wrename(WidePath(from).c_str(), WidePath(to).c_str()) == 0) {
            return true;
        }
        _wremove(WidePath(to).c_str());
        return _wrename(WidePath(from).c_str(), WidePath(to).c_str()) == 0;
    }

    std::string target_;
    std::string temp_;
    FileHandle file_;
    bool opened_ = file_ != nullptr;
    bool committed_ = false;
    std::string reason_ = opened_ ? "" : "the file cannot be written";
};
#else
// The system calls a replacing write goes through, in one table so that a
// test can watch their order or make one of them fail. Defaults are POSIX.
struct FileCalls {
    int (*makeTemp)(char* pathTemplate);
    ssize_t (*write)(int fd, const void* bytes, std::size_t count);
    int (*flush)(int fd);
    int (*setMode)(int fd, mode_t mode);
    int (*close)(int fd);
    int (*rename)(const char* from, const char* to);
    int (*remove)(const char* path);
    int (*openFolder)(const char* path);
};

inline FileCalls& ActiveFileCalls() {
    static FileCalls calls{
        [](char* pathTemplate) { return ::mkstemp(pathTemplate); },
        [](int fd, const void* bytes, std::size_t count) { return ::write(fd, bytes, count); },
        [](int fd) { return ::fsync(fd); },
        [](int fd, mode_t mode) { return ::fchmod(fd, mode); },
        [](int fd) { return ::close(fd); },
        [](const char* from, const char* to) { return ::rename(from, to); },
        [](const char* path) { return ::unlink(path); },
        [](const char* path) { return ::open(path, O_RDONLY | O_DIRECTORY | O_CLOEXEC); },
    };
    return calls;
}

inline std::string FolderOf(const std::string& path) {
    const auto slash = path.find_last_of('/');
    if (slash == std::string::npos) {
        return ".";
    }
    return slash == 0 ? "/" : path.substr(0, slash);
}

// The file a path stands for: a symbolic link is followed (a relative one
// from the link's own folder), so writing replaces what the link points at
// and the link stays. Empty for a loop of links.
inline std::string FollowLinks(std::string path) {
    for (int hops = 0; hops < 40; ++hops) {
        struct stat info {};
        if (::lstat(path.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) {
            return path;
        }
        std::string link(4096, '\0');
        const ssize_t length = ::readlink(path.c_str(), &link[0], link.size());
        if (length < 0 || static_cast<std::size_t>(length) >= link.size()) {
            return std::string();
        }
        link.resize(static_cast<std::size_t>(length));
        path = link[0] == '/' ? link : FolderOf(path) + "/" + link;
    }
    return std::string();
}

// Whether `name` is one this writer gives the temporary files of the target
// whose file name is `base`: base + ".tmp" + mkstemp's six letters or digits.
inline bool IsTemporaryName(const std::string& name, const std::string& base) {
    const std::string prefix = base + ".tmp";
    if (name.size() != prefix.size() + 6 || name.compare(0, prefix.size(), prefix) != 0) {
        return false;
    }
    for (std::size_t i = prefix.size(); i < name.size(); ++i) {
        const char c = name[i];
        if (!((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9'))) {
            return false;
        }
    }
    return true;
}

// A file written beside its target under a name of its own and moved over the
// target only once complete and on the disk; then the folder entry is put on
// the disk too. A failed or interrupted write leaves the previous file as it
// was, and the temporary file is removed unless the commit succeeded. The new
// file keeps the old one's permission bits (a new one gets what the umask
// allows). Only a regular file is ever replaced. A target that exists and
// that the user may not write, or that has no write bit at all, is not
// opened: making the file read-only is how a player protects it.
class ReplacingFile {
public:
    explicit ReplacingFile(const std::string& target) : target_(FollowLinks(target)) {
        if (target_.empty()) {
            reason_ = ErrorText(ELOOP);
            return;
        }
        struct stat info {};
        if (::stat(target_.c_str(), &info) == 0) {
            // Renaming over a device or a pipe a link leads to would put a
            // file where the system keeps something else entirely.
            if (!S_ISREG(info.st_mode)) {
                reason_ = "not a regular file";
                return;
            }
            // Root passes the access check below whatever the bits say; a file
            // nobody may write is the player's wish that it stays as it is.
            if ((info.st_mode & 0222) == 0) {
                reason_ = "the file is read-only";
                return;
            }
            if (::faccessat(AT_FDCWD, target_.c_str(), W_OK, AT_EACCESS) != 0) {
                reason_ = ErrorText(errno);
                return;
            }
            mode_ = info.st_mode & 07777;
        } else {
            const mode_t mask = ::umask(0);
            ::umask(mask);
            mode_ = 0666 & ~mask;
        }
        RemoveStaleTemporaries();
        std::string name = target_ + ".tmpXXXXXX";
        fd_ = ActiveFileCalls().makeTemp(&name[0]);
        if (fd_ >= 0) {
            temp_ = name;
        } else {
            reason_ = ErrorText(errno);
        }
    }
    ReplacingFile(const ReplacingFile&) = delete;
    ReplacingFile& operator=(const ReplacingFile&) = delete;
    ~ReplacingFile() {
        if (fd_ >= 0) {
            ActiveFileCalls().close(fd_);
        }
        if (!temp_.empty() && !committed_) {
            ActiveFileCalls().remove(temp_.c_str());
        }
    }

    bool IsOpen() const { return !temp_.empty(); }
    // Why the file was not opened or not committed, in a few plain words
    // ("not a regular file", "no space left on device"); empty otherwise.
    const std::string& Reason() const { return reason_; }

    // Writes `content` whole, puts it on the disk, closes and moves the file
    // over the target. False when any step fails (short write, full disk,
    // failed flush, close or rename); the target is then as it was.
    bool Commit(const std::string& content) {
        if (fd_ < 0) {
            return false;
        }
        const FileCalls& calls = ActiveFileCalls();
        // The first step that fails gives the reason.
        errno = 0;
        const auto step = [this](bool done) {
            if (!done && reason_.empty()) {
                reason_ = errno != 0 ? ErrorText(errno) : "the file could not be written whole";
            }
            return done;
        };
        bool ok = step(WriteAll(content));
        ok = ok && step(calls.setMode(fd_, mode_) == 0);
        // Without this the rename can reach the disk before the data, and a
        // power cut leaves an empty or partial file under the target's name.
        ok = ok && step(calls.flush(fd_) == 0);
        ok = step(calls.close(fd_) == 0) && ok;
        fd_ = -1;
        if (!ok || !step(calls.rename(temp_.c_str(), target_.c_str()) == 0)) {
            return false;
        }
        committed_ = true;
        // The rename itself lives in the folder. A folder that cannot be
        // flushed does not undo the replace, which has already happened.
        const int folder = calls.openFolder(FolderOf(target_).c_str());
        if (folder >= 0) {
            calls.flush(folder);
            calls.close(folder);
        }
        return true;
    }

private:
    // A save killed between making its temporary file and the rename leaves
    // that file behind, and no later save reuses its name: without this they
    // would pile up beside the player's files. Only the names this writer
    // gives this target's files are touched, and only plain files.
    void RemoveStaleTemporaries() const {
        const std::string folder = FolderOf(target_);
        const auto slash = target_.find_last_of('/');
        const std::string base = slash == std::string::npos ? target_ : target_.substr(slash + 1);
        std::vector<std::string> stale;
        if (DIR* dir = ::opendir(folder.c_str())) {
            while (const dirent* entry = ::readdir(dir)) {
                if (IsTemporaryName(entry->d_name, base)) {
                    stale.push_back(folder + "/" + entry->d_name);
                }
            }
            ::closedir(dir);
        }
        for (const std::string& path : stale) {
            struct stat info {};
            if (::lstat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode)) {
                ActiveFileCalls().remove(path.c_str());
            }
        }
    }

    bool WriteAll(const std::string& content) {
        std::size_t done = 0;
        while (done < content.size()) {
            const ssize_t n =
                ActiveFileCalls().write(fd_, content.data() + done, content.size() - done);
            if (n < 0 && errno == EINTR) {
                continue;
            }
            if (n <= 0) {
                return false;
            }
            done += static_cast<std::size_t>(n);
        }
        return true;
    }

    std::string target_;
    std::string temp_;
    std::string reason_;
    int fd_ = -1;
    mode_t mode_ = 0600;
    bool committed_ = false;
};
#endif

} // namespace detail

// The reason ReadRegularFile gives when nothing is at the path, so that a
// caller can tell a first start (no file yet) from a file that is there but
// cannot be used.
constexpr const char* FileNotFoundReason = "file not found";

// Reads the whole of the file at `path` (UTF-8 name) into `bytes`, which is
// left empty on failure. Only a regular file is read, and only one of at most
// `maxBytes` bytes: opening never waits (a named pipe or a device that never
// ends is refused before any byte is read) and the reading stops one byte past
// the limit, so a file that grows meanwhile is refused too. On failure
// `reason` says why in a few plain words: FileNotFoundReason, "not a regular
// file", "larger than N bytes", or the system's text ("permission denied").
inline bool ReadRegularFile(const std::string& path, std::string& bytes, std::size_t maxBytes,
                            std::string& reason) {
    bytes.clear();
    reason.clear();
    char chunk[16384];
#ifdef _WIN32
    detail::FileHandle file(detail::OpenFile(path, "rb"));
    if (!file) {
        reason = errno == ENOENT ? FileNotFoundReason : detail::ErrorText(errno);
        return false;
    }
    struct _stat64 info {};
    if (_fstat64(_fileno(file.get()), &info) != 0) {
        reason = detail::ErrorText(errno);
        return false;
    }
    if ((info.st_mode & _S_IFMT) != _S_IFREG) {
        reason = "not a regular file";
        return false;
    }
    const auto readSome = [&file, &chunk](std::size_t want) -> long long {
        const std::size_t got = std::fread(chunk, 1, want, file.get());
        return got == 0 && std::ferror(file.get()) ? -1 : static_cast<long long>(got);
    };
#else
    // Without O_NONBLOCK, opening a named pipe waits for a writer that may
    // never come; a regular file does not notice the flag.
    const detail::Descriptor file(
        ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    const int fd = file.fd;
    if (fd < 0) {
        reason = errno == ENOENT ? FileNotFoundReason : detail::ErrorText(errno);
        return false;
    }
    struct stat info {};
    if (::fstat(fd, &info) != 0) {
        reason = detail::ErrorText(errno);
        return false;
    }
    if (!S_ISREG(info.st_mode)) {
        reason = "not a regular file";
        return false;
    }
    const auto readSome = [fd, &chunk](std::size_t want) -> long long {
        ssize_t got = 0;
        do {
            got = ::read(fd, chunk, want);
        } while (got < 0 && errno == EINTR);
        return got;
    };
#endif
    // The size is checked first so that a huge file costs nothing, but it is
    // only what the file measured when opened.
    if (info.st_size < 0 || static_cast<unsigned long long>(info.st_size) > maxBytes) {
        reason = detail::LargerThan(maxBytes);
        return false;
    }
    bytes.reserve(static_cast<std::size_t>(info.st_size));
    for (;;) {
        const std::size_t room = maxBytes - bytes.size();
        const long long got = readSome(room < sizeof chunk ? room + 1 : sizeof chunk);
        if (got < 0) {
            reason = detail::ErrorText(errno);
            bytes = std::string();
            return false;
        }
        if (got == 0) {
            return true;
        }
        if (static_cast<std::size_t>(got) > room) {
            reason = detail::LargerThan(maxBytes);
            bytes = std::string();
            return false;
        }
        bytes.append(chunk, static_cast<std::size_t>(got));
    }
}

} // namespace korJSON
