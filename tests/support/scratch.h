// Files for the in-process tests: one scratch working folder per test (so
// game.cfg and game.sav never collide between parallel tests), linked to the
// built gfx/ and music/ data, and whole-file reads and writes.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace vlotest {

inline std::string ReadFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void WriteFile(const std::filesystem::path& path, const std::string& text) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << text;
}

// A fresh folder under the system temp dir with gfx/ and music/ linked from
// the build folder, made the working directory, on SDL's dummy drivers; it
// is left and removed at tear-down.
class ScratchEnv : public ::testing::Test {
protected:
    std::filesystem::path dir;

    void SetUp() override {
        namespace fs = std::filesystem;
        setenv("SDL_VIDEODRIVER", "dummy", 1);
        setenv("SDL_AUDIODRIVER", "dummy", 1);
        std::string tmpl = (fs::temp_directory_path() / "vlo-test-XXXXXX").string();
        ASSERT_NE(mkdtemp(tmpl.data()), nullptr);
        dir = tmpl;
        fs::create_directory_symlink(fs::path(VLO_BINARY_DIR) / "gfx", dir / "gfx");
        fs::create_directory_symlink(fs::path(VLO_BINARY_DIR) / "music", dir / "music");
        fs::current_path(dir);
    }
    void TearDown() override {
        std::error_code ec;
        std::filesystem::current_path(std::filesystem::temp_directory_path(), ec);
        std::filesystem::remove_all(dir, ec);
    }
};

} // namespace vlotest
