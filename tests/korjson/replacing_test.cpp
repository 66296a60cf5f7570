// Replacing a file on write, as a player and an administrator meet it: the
// new content is on the disk before it takes the target's name, a read-only
// file is refused and left alone, the permission bits survive, a save that
// is a symbolic link stays one, only a regular file is ever replaced, and the
// temporary files of a killed save are cleaned. The permission cases run
// as an ordinary user (tests run as root in CI, and root may write anything).
#include <gtest/gtest.h>

#include <fcntl.h>
#include <grp.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <functional>
#include <initializer_list>
#include <string>
#include <vector>

#include "korjson/korjson_test_util.h"

using namespace korJSON;
using testing::internal::CaptureStdout;
using testing::internal::GetCapturedStdout;
using vlotest::Node;

namespace {

namespace fs = std::filesystem;

constexpr uid_t Nobody = 65534;

bool WriteSettings(const std::string& path, bool music) {
    korJSONData root(Object);
    root.insert("Music", Node(music, Bool));
    std::string out;
    korJSONStream stream;
    return stream.WriteJSONFile(path, root, out, true);
}

const std::string MusicOn = "{\n    \"Music\": true\n}";

std::vector<std::string> Names(const fs::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

mode_t Mode(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 ? (info.st_mode & 07777) : 0;
}

// 0 when every check holds, else the 1-based number of the first that failed.
int FirstFailed(std::initializer_list<bool> checks) {
    int n = 0;
    for (const bool ok : checks) {
        ++n;
        if (!ok) {
            return n;
        }
    }
    return 0;
}

// Runs `body` in a child process as the unprivileged user nobody (when the
// tests run as root; otherwise as the user running them), with the scratch
// folder made theirs and the working directory elsewhere. The body returns 0
// when every check held, or the number of the first one that failed.
int AsOrdinaryUser(const vlotest::ScratchDir& dir, const std::function<int()>& body) {
    const pid_t child = fork();
    if (child == 0) {
        if (geteuid() == 0) {
            if (::chown(dir.path.c_str(), Nobody, Nobody) != 0 || ::setgroups(0, nullptr) != 0 ||
                ::setgid(Nobody) != 0 || ::setuid(Nobody) != 0 || geteuid() == 0) {
                _exit(100);
            }
        }
        if (::chdir("/") != 0) {
            _exit(101);
        }
        _exit(body());
    }
    int status = 0;
    if (child < 0 || waitpid(child, &status, 0) != child) {
        return -1;
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : 200 + WTERMSIG(status);
}

TEST(KorJSONReplaceTest, ReadOnlyFileIsRefusedAndLeftAsItWas) {
    vlotest::ScratchDir dir;
    const std::string file = dir.File("game.cfg");
    const int failed = AsOrdinaryUser(dir, [&] {
        vlotest::WriteBytes(file, "previous");
        const bool locked = ::chmod(file.c_str(), 0444) == 0;
        CaptureStdout();
        const bool written = WriteSettings(file, true);
        const std::string said = GetCapturedStdout();
        return FirstFailed({locked, !written, said == "Unable to write JSON file: " + file + "\n",
                            vlotest::ReadBytes(file) == "previous" && Mode(file) == 0444,
                            Names(dir.path) == std::vector<std::string>{"game.cfg"}});
    });
    EXPECT_EQ(failed, 0);
}

TEST(KorJSONReplaceTest, PermissionBitsOfTheTargetAreKept) {
    vlotest::ScratchDir dir;
    const std::string kept = dir.File("game.sav");
    const std::string fresh = dir.File("game.cfg");
    const int failed = AsOrdinaryUser(dir, [&] {
        vlotest::WriteBytes(kept, "previous");
        const bool set = ::chmod(kept.c_str(), 0640) == 0;
        ::umask(022); // would give 0644 to a file made anew
        // A file made anew gets what the umask allows, as with fopen.
        return FirstFailed({set, WriteSettings(kept, true) && WriteSettings(fresh, true),
                            vlotest::ReadBytes(kept) == MusicOn && Mode(kept) == 0640,
                            Mode(fresh) == 0644});
    });
    EXPECT_EQ(failed, 0);
}

TEST(KorJSONReplaceTest, SymbolicLinkStaysAndItsTargetIsReplaced) {
    vlotest::ScratchDir dir;
    const std::string link = dir.File("game.sav");
    const std::string synced = dir.File("synced");
    const int failed = AsOrdinaryUser(dir, [&] {
        if (::mkdir(synced.c_str(), 0700) != 0 || ::symlink("synced/real.sav", link.c_str()) != 0) {
            return 1;
        }
        std::error_code ec;
        // Once through a link to a file that does not exist yet, then over it.
        const int first = FirstFailed(
            {WriteSettings(link, false) && WriteSettings(link, true),
             fs::is_symlink(link, ec) && fs::read_symlink(link, ec) == "synced/real.sav",
             vlotest::ReadBytes(synced + "/real.sav") == MusicOn,
             Names(synced) == std::vector<std::string>{"real.sav"},
             Names(dir.path) == std::vector<std::string>{"game.sav", "synced"}});
        return first == 0 ? 0 : first + 1;
    });
    EXPECT_EQ(failed, 0);
}

// Whoever runs the game (root too, who passes every access check): a link
// that leads to a device or a pipe, or a file without any write bit, is
// refused with its reason and stays as it was, and nothing is left beside it.
TEST(KorJSONReplaceTest, OnlyAWritableRegularFileIsReplaced) {
    vlotest::ScratchDir dir;
    const std::string pipe = dir.File("pipe");
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    const std::string kept = dir.File("kept.sav");
    vlotest::WriteBytes(kept, "previous");
    ASSERT_EQ(::chmod(kept.c_str(), 0444), 0);
    struct Case {
        std::string path;
        std::string reason;
    };
    std::vector<Case> cases = {{dir.File("to-pipe.sav"), "not a regular file"},
                               {kept, "the file is read-only"}};
    ASSERT_EQ(::symlink("pipe", cases[0].path.c_str()), 0);
    // A device of its own (the null device's numbers) where the system lets
    // the test make one, so a regression cannot reach the real one.
    const std::string device = dir.File("null");
    if (::mknod(device.c_str(), S_IFCHR | 0666, makedev(1, 3)) == 0) {
        cases.push_back({dir.File("to-device.sav"), "not a regular file"});
        ASSERT_EQ(::symlink("null", cases.back().path.c_str()), 0);
    }
    const std::vector<std::string> before = Names(dir.path);
    for (const Case& c : cases) {
        std::string reason;
        EXPECT_EQ(vlotest::RefusedWrite(c.path, Object, &reason),
                  "Unable to write JSON file: " + c.path + "\n");
        EXPECT_EQ(reason, c.reason) << c.path;
    }
    EXPECT_EQ(Names(dir.path), before) << "nothing replaced, made or left behind";
    struct stat info {};
    EXPECT_TRUE(::lstat(pipe.c_str(), &info) == 0 && S_ISFIFO(info.st_mode));
    EXPECT_TRUE(::lstat(cases[0].path.c_str(), &info) == 0 && S_ISLNK(info.st_mode));
    if (cases.size() > 2) {
        EXPECT_TRUE(::lstat(device.c_str(), &info) == 0 && S_ISCHR(info.st_mode));
    }
    EXPECT_EQ(vlotest::ReadBytes(kept), "previous");
    EXPECT_EQ(Mode(kept), 0444u);
}

// A save killed before its rename leaves its temporary file; the next save of
// that file removes such files, and only them: names of its own pattern
// (".tmp" and six letters or digits) that are plain files.
TEST(KorJSONReplaceTest, TemporaryFilesOfAKilledSaveAreRemoved) {
    vlotest::ScratchDir dir;
    enum Kind { File, Folder, Link };
    struct Case {
        const char* name;
        Kind kind;
        bool stays;
    };
    const Case cases[] = {
        {"game.sav.tmpAb3XyZ", File, false}, {"game.sav.tmp000000", File, false},
        {"game.sav.tmpAb3Xy", File, true},   {"game.sav.tmpAb3XyZ9", File, true},
        {"game.sav.tmpAb-XyZ", File, true},  {"game.cfg.tmpAb3XyZ", File, true},
        {"xgame.sav.tmpAb3XyZ", File, true}, {"game.sav.tmpFolder", Folder, true},
        {"game.sav.tmpLinkEd", Link, true},
    };
    std::vector<std::string> expected = {"game.sav", "linked"};
    vlotest::WriteBytes(dir.File("linked"), "kept");
    for (const Case& c : cases) {
        const std::string path = dir.File(c.name);
        switch (c.kind) {
        case File: vlotest::WriteBytes(path, "partial"); break;
        case Folder: fs::create_directory(path); break;
        case Link: fs::create_symlink("linked", path); break;
        }
        if (c.stays) {
            expected.push_back(c.name);
        }
    }
    std::sort(expected.begin(), expected.end());
    ASSERT_TRUE(WriteSettings(dir.File("game.sav"), true));
    EXPECT_EQ(Names(dir.path), expected);
    EXPECT_EQ(vlotest::ReadBytes(dir.File("game.sav")), MusicOn);
    EXPECT_EQ(vlotest::ReadBytes(dir.File("linked")), "kept");
}

// ---- the order of the system calls ------------------------------------------

std::vector<std::string> calls;
int fileFd = -1;
int folderFd = -1;
bool failFileFlush = false;

// Records every call of a replace and passes it on to the real one.
detail::FileCalls Recording(const detail::FileCalls& real) {
    static detail::FileCalls system;
    system = real;
    detail::FileCalls r = real;
    r.makeTemp = [](char* name) {
        fileFd = system.makeTemp(name);
        calls.push_back("makeTemp " + fs::path(name).filename().string().substr(0, 12));
        return fileFd;
    };
    r.write = [](int fd, const void* bytes, std::size_t count) {
        calls.push_back(fd == fileFd ? "write file" : "write other");
        return system.write(fd, bytes, count);
    };
    r.setMode = [](int fd, mode_t mode) {
        calls.push_back(fd == fileFd ? "setMode file" : "setMode other");
        return system.setMode(fd, mode);
    };
    r.flush = [](int fd) {
        const bool file = fd == fileFd;
        calls.push_back(file ? "flush file" : fd == folderFd ? "flush folder" : "flush other");
        if (file && failFileFlush) {
            errno = EIO;
            return -1;
        }
        return system.flush(fd);
    };
    r.close = [](int fd) {
        calls.push_back(fd == fileFd     ? "close file"
                        : fd == folderFd ? "close folder"
                                         : "close other");
        // The number may come back for the next open.
        fileFd = fd == fileFd ? -1 : fileFd;
        folderFd = fd == folderFd ? -1 : folderFd;
        return system.close(fd);
    };
    r.rename = [](const char* from, const char* to) {
        calls.push_back("rename to " + fs::path(to).filename().string());
        return system.rename(from, to);
    };
    r.remove = [](const char* path) {
        calls.push_back("remove " + fs::path(path).filename().string().substr(0, 12));
        return system.remove(path);
    };
    r.openFolder = [](const char* path) {
        folderFd = system.openFolder(path);
        calls.push_back("openFolder");
        return folderFd;
    };
    return r;
}

class RecordedCallsTest : public ::testing::Test {
protected:
    detail::FileCalls saved = detail::ActiveFileCalls();
    vlotest::ScratchDir dir;

    void SetUp() override {
        calls.clear();
        failFileFlush = false;
        detail::ActiveFileCalls() = Recording(saved);
    }
    void TearDown() override { detail::ActiveFileCalls() = saved; }
};

TEST_F(RecordedCallsTest, DataSyncedBeforeTheRenameAndTheFolderAfterIt) {
    const std::string file = dir.File("game.sav");
    vlotest::WriteBytes(file, "previous");
    ASSERT_TRUE(WriteSettings(file, true));
    EXPECT_EQ(calls,
              (std::vector<std::string>{"makeTemp game.sav.tmp", "write file", "setMode file",
                                        "flush file", "close file", "rename to game.sav",
                                        "openFolder", "flush folder", "close folder"}));
    EXPECT_EQ(vlotest::ReadBytes(file), MusicOn);
}

TEST_F(RecordedCallsTest, FailedFlushKeepsThePreviousFile) {
    const std::string file = dir.File("game.sav");
    vlotest::WriteBytes(file, "previous");
    failFileFlush = true;
    CaptureStdout();
    EXPECT_FALSE(WriteSettings(file, true));
    EXPECT_EQ(GetCapturedStdout(), "Unable to write JSON file: " + file + "\n");
    EXPECT_EQ(vlotest::ReadBytes(file), "previous");
    EXPECT_EQ(Names(dir.path), std::vector<std::string>{"game.sav"}) << "temporary file left";
    EXPECT_EQ(calls.back(), "remove game.sav.tmp");
}

// Each write has a temporary name of its own: one left behind by another
// writer (here a folder nobody can replace) is not in the way.
TEST(KorJSONReplaceTest, TemporaryNameOfAnotherWriterIsNotInTheWay) {
    vlotest::ScratchDir dir;
    const std::string file = dir.File("game.cfg");
    fs::create_directory(file + ".tmp");
    EXPECT_TRUE(WriteSettings(file, true));
    EXPECT_EQ(vlotest::ReadBytes(file), MusicOn);
    EXPECT_TRUE(fs::is_directory(file + ".tmp"));
}

} // namespace
