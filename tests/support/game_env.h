// Test support for in-process game tests: every test runs in a scratch folder
// of its own (so game.cfg and game.sav never collide between parallel tests)
// that links to the built gfx/ and music/ data, with SDL on its dummy drivers.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "game.h"
#include "shell.h"

namespace vlotest {

// Makes a fresh folder under the system temp dir, links gfx/ and music/ from
// the build folder into it and makes it the working directory.
inline std::filesystem::path EnterScratchDir() {
    namespace fs = std::filesystem;
    std::string tmpl = (fs::temp_directory_path() / "vlo-test-XXXXXX").string();
    char* made = mkdtemp(tmpl.data());
    EXPECT_NE(made, nullptr);
    fs::path dir(tmpl);
    fs::create_directory_symlink(fs::path(VLO_BINARY_DIR) / "gfx", dir / "gfx");
    fs::create_directory_symlink(fs::path(VLO_BINARY_DIR) / "music", dir / "music");
    fs::current_path(dir);
    return dir;
}

// A scratch working folder on SDL's dummy drivers, removed at tear-down; for
// tests that start (or fail to start) the shell themselves.
class ScratchEnv : public ::testing::Test {
protected:
    std::filesystem::path dir;

    void SetUp() override {
        setenv("SDL_VIDEODRIVER", "dummy", 1);
        setenv("SDL_AUDIODRIVER", "dummy", 1);
        dir = EnterScratchDir();
    }
    void TearDown() override {
        std::error_code ec;
        std::filesystem::current_path(std::filesystem::temp_directory_path(), ec);
        std::filesystem::remove_all(dir, ec);
    }
};

// A started game shell (window, surfaces, font, log, audio) in a scratch
// folder. QuitGame runs at tear-down, so the settings file is written there.
class GameEnv : public ScratchEnv {
protected:
    void SetUp() override {
        ScratchEnv::SetUp();
        ASSERT_TRUE(InitGame(640, 400, false));
    }
    void TearDown() override {
        QuitGame();
        ScratchEnv::TearDown();
    }
};

} // namespace vlotest
