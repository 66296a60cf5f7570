// Damaged files: a real save and a real settings file, cut short at many
// places and with bytes overwritten, must never crash the game. Every load
// ends in one of the defined results, never in an exception, and a load that
// succeeds leaves a world the game can play.
#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <string>

#include "basicenemy.h"
#include "commands.h"
#include "entity.h"
#include "fighter.h"
#include "floors.h"
#include "game.h"
#include "map.h"
#include "message.h"
#include "savegame.h"
#include "scratch.h"
#include "settings.h"

namespace {

using vlotest::ReadFile;
using vlotest::WriteFile;

// The damage is drawn from a fixed sequence so that a failure names a case
// that can be replayed; the game's own randomness is not involved.
std::string Damage(const std::string& original, std::mt19937& draw) {
    std::string text = original;
    std::uniform_int_distribution<std::size_t> position(0, text.size() - 1);
    std::uniform_int_distribution<int> count(1, 6);
    std::uniform_int_distribution<int> byte(0, 255);
    // Half of the changes put in characters the reader cares about, so the
    // damage reaches the structure and the numbers, not only the strings.
    static const char interesting[] = "{}[]:,\"\\-0123456789.eEtfnu ";
    std::uniform_int_distribution<std::size_t> pick(0, sizeof interesting - 2);
    for (int n = count(draw); n > 0; --n) {
        const std::size_t at = position(draw);
        text[at] = draw() % 2 == 0 ? static_cast<char>(byte(draw)) : interesting[pick(draw)];
    }
    return text;
}

class DamagedFileTest : public vlotest::ScratchEnv {
protected:
    int loaded = 0;
    int refused = 0;

    void SetUp() override {
        ScratchEnv::SetUp();
        message = new KRMessage();
    }
    void TearDown() override {
        DestroyEntities();
        delete theMap;
        theMap = nullptr;
        delete message;
        message = nullptr;
        ScratchEnv::TearDown();
    }

    // A floor as the game makes it, with a few steps and lines in the log.
    std::string RealSave() {
        EXPECT_TRUE(NewGame());
        for (int i = 0; i < 8; ++i) {
            message->SetMessage("Step " + std::to_string(i), false);
        }
        EXPECT_TRUE(SaveGame());
        return ReadFile("game.sav");
    }

    // A world that loaded must survive what the next frames do with it.
    void ExpectPlayableWorld() {
        ASSERT_NE(player, nullptr);
        ASSERT_NE(player->fighter, nullptr);
        ASSERT_NE(player->equipment, nullptr);
        ASSERT_NE(theMap, nullptr);
        ASSERT_EQ(theMap->tiles.size(), 3200u);
        ASSERT_EQ(theMap->visibleTiles.size(), 3200u);
        EXPECT_GE(theMap->currentFloor, 1);
        EXPECT_LE(theMap->currentFloor, 10);
        for (const KREntity* e : entities) {
            ASSERT_TRUE(KRMap::InBounds(e->x, e->y)) << e->name << " at " << e->x << "," << e->y;
            ASSERT_GE(static_cast<int>(e->color), 0);
            ASSERT_LE(static_cast<int>(e->color), 15);
        }
        for (const KREntity* e : inventory) {
            ASSERT_GE(static_cast<int>(e->color), 0);
            ASSERT_LE(static_cast<int>(e->color), 15);
        }
        theMap->ComputeFOV(player);
        for (KREntity* e : std::list<KREntity*>(entities)) {
            if (e->ai != nullptr && player->fighter->hp > 0) {
                e->ai->TakeTurn(player, message);
            }
        }
        // What was loaded can be saved and loaded once more.
        const std::string damaged = ReadFile("game.sav");
        ASSERT_TRUE(SaveGame());
        std::string version;
        EXPECT_EQ(LoadGame(version), 0);
        WriteFile("game.sav", damaged);
    }

    // Nothing may be thrown: an exception escapes and fails the test.
    void LoadAndClassify(const std::string& text, const std::string& what) {
        SCOPED_TRACE(what);
        WriteFile("game.sav", text);
        std::string version;
        std::string reason;
        const int result = LoadGame(version, &reason);
        if (result == 0) {
            ++loaded;
            ExpectPlayableWorld();
        } else {
            ++refused;
            EXPECT_TRUE(result == -1 || result == -2 || result == -3) << result;
            EXPECT_FALSE(reason.empty());
        }
    }

    // Nothing may be thrown; a refused file is moved aside whole.
    void LoadSettingsAndClassify(const std::string& text, const std::string& what) {
        SCOPED_TRACE(what);
        WriteFile("game.cfg", text);
        keyboard.clear();
        if (LoadGameSettings()) {
            ++loaded;
            EXPECT_GE(musicVolume, 0);
            EXPECT_LE(musicVolume, 128);
            ASSERT_EQ(keyboard.size(), static_cast<std::size_t>(ActionCount));
            for (int a = 0; a < ActionCount; ++a) {
                const auto it = FindBinding(keyboard, static_cast<KRActionTypes>(a));
                ASSERT_NE(it, keyboard.end()) << "action " << a;
                EXPECT_GE(static_cast<int>(it->second.scancode), 0);
                EXPECT_LT(static_cast<int>(it->second.scancode), SDL_NUM_SCANCODES);
            }
        } else {
            ++refused;
            EXPECT_EQ(ReadFile("game.cfg.damaged"), text);
        }
    }
};

// Cut short at every position near both ends and at a spread of positions
// in between (the file holds a few hundred kilobytes).
TEST_F(DamagedFileTest, TruncatedSaveIsRefusedWithAReason) {
    const std::string save = RealSave();
    testing::internal::CaptureStdout();
    for (std::size_t length = 0; length < save.size(); ++length) {
        const bool nearEnd = length + 160 >= save.size();
        if (length < 160 || nearEnd || length % 1499 == 0) {
            LoadAndClassify(save.substr(0, length), "cut at " + std::to_string(length));
        }
    }
    testing::internal::GetCapturedStdout();
    EXPECT_GT(refused, 0);
    RecordProperty("loaded", loaded);
}

TEST_F(DamagedFileTest, SaveWithChangedBytesNeverBreaksTheGame) {
    const std::string save = RealSave();
    std::mt19937 draw(20240601u);
    testing::internal::CaptureStdout();
    for (int round = 0; round < 150; ++round) {
        LoadAndClassify(Damage(save, draw), "round " + std::to_string(round));
    }
    testing::internal::GetCapturedStdout();
    EXPECT_GT(loaded, 0) << "most damage lands in values that still load";
    EXPECT_GT(refused, 0);
}

// Damage aimed at the values the mended checks guard.
TEST_F(DamagedFileTest, SaveWithChangedNumbersStaysInsideTheGrid) {
    const std::string save = RealSave();
    std::mt19937 draw(7u);
    testing::internal::CaptureStdout();
    const char* const keys[] = {"\"X\": ",     "\"Y\": ",    "\"Color\": ", "\"CurrentFloor\": ",
                                "\"Width\": ", "\"Slot\": ", "\"Order\": "};
    std::uniform_int_distribution<int> value(-100, 300);
    for (int round = 0; round < 60; ++round) {
        std::string text = save;
        for (const char* key : keys) {
            // Change the member at a drawn occurrence.
            std::size_t at = text.find(key);
            for (int skip = static_cast<int>(draw() % 5); skip > 0 && at != std::string::npos;
                 --skip) {
                at = text.find(key, at + 1);
            }
            if (at == std::string::npos) {
                continue;
            }
            const std::size_t start = at + std::char_traits<char>::length(key);
            const std::size_t end = text.find_first_of(",\n", start);
            text.replace(start, end - start, std::to_string(value(draw)));
        }
        LoadAndClassify(text, "round " + std::to_string(round));
    }
    testing::internal::GetCapturedStdout();
    EXPECT_GT(refused, 0);
}

TEST_F(DamagedFileTest, DamagedSettingsFileNeverBreaksStartUp) {
    SetDefaultGameSettings();
    ASSERT_TRUE(SaveGameSettings());
    const std::string cfg = ReadFile("game.cfg");
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    for (std::size_t length = 0; length < cfg.size(); ++length) {
        LoadSettingsAndClassify(cfg.substr(0, length), "cut at " + std::to_string(length));
    }
    std::mt19937 draw(99u);
    for (int round = 0; round < 400; ++round) {
        LoadSettingsAndClassify(Damage(cfg, draw), "round " + std::to_string(round));
    }
    testing::internal::GetCapturedStdout();
    testing::internal::GetCapturedStderr();
    EXPECT_GT(loaded, 0);
    EXPECT_GT(refused, 0);
}

} // namespace
