// A started game shell for the in-process game tests, in a scratch folder.
#pragma once

#include <gtest/gtest.h>

#include "game.h"
#include "scratch.h"
#include "shell.h"

namespace vlotest {

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
