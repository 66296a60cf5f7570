// The settings file game.cfg: what loading makes of hand-written documents,
// the exact document an orderly exit writes, the options menu's snapshot, and
// the key names shown for a binding.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <string>

#include "commands.h"
#include "game.h"
#include "scratch.h"
#include "settings.h"

namespace {

using vlotest::ReadFile;
using vlotest::WriteFile;

namespace fs = std::filesystem;

// The nine default bindings as a "Keyboard" array, with element `changed`
// holding `text` instead of its default object.
std::string KeyboardArray(int changed = -1, const std::string& text = "") {
    std::string s = "[";
    for (int a = 0; a < ActionCount; ++a) {
        s += a > 0 ? "," : "";
        if (a == changed) {
            s += text;
        } else {
            s += "{\"" + std::to_string(a) + "\":" + std::to_string(defaultKeys[a]) + "}";
        }
    }
    return s + "]";
}

SDL_Scancode Bound(KRActionTypes action) {
    auto it = FindBinding(keyboard, action);
    return it == keyboard.end() ? SDL_SCANCODE_UNKNOWN : it->second.scancode;
}

// Exactly one entry for each action 0-8, none pending.
void ExpectOneBindingPerAction(const KRKeyboard& table) {
    ASSERT_EQ(table.size(), static_cast<std::size_t>(ActionCount));
    for (int a = 0; a < ActionCount; ++a) {
        EXPECT_EQ(table.count(static_cast<KRActionTypes>(a)), 1u) << "action " << a;
    }
    for (const auto& entry : table) {
        EXPECT_FALSE(entry.second.pending) << "action " << entry.first;
    }
}

std::string LoadError(const std::string& document) {
    WriteFile("game.cfg", document);
    try {
        LoadGameSettings();
    } catch (const std::runtime_error& e) {
        return e.what();
    }
    return "(no error)";
}

class SettingsTest : public vlotest::ScratchEnv {
protected:

    void SetUp() override {
        ScratchEnv::SetUp();
        // The values before anything is loaded, also when cases share a process.
        fullscreen = true;
        musicEnabled = true;
        musicVolume = 96;
        keyboard.clear();
        previousKeyboard.clear();
    }
};

// ---- the document an orderly exit writes --------------------------------------

// With no game.cfg start-up falls back to the defaults, and shutdown writes
// them out in the writer's indented layout. The golden file pins the layout;
// scripts/regen-fixtures rewrites it on purpose.
TEST_F(SettingsTest, WithoutFileTheDefaultDocumentIsWrittenByteForByte) {
    EXPECT_FALSE(LoadGameSettings());
    EXPECT_TRUE(keyboard.empty()) << "a failed load changes nothing";
    SetDefaultGameSettings();
    ASSERT_TRUE(SaveGameSettings());
    const std::string written = ReadFile("game.cfg");

    if (const char* regen = std::getenv("VLO_REGEN_FIXTURES")) {
        WriteFile(fs::path(regen) / "default_game.cfg", written);
        GTEST_SKIP() << "fixture rewritten";
    }
    const std::string golden =
        ReadFile(fs::path(VLO_SOURCE_DIR) / "tests" / "fixtures" / "default_game.cfg");
    ASSERT_FALSE(golden.empty()) << "tests/fixtures/default_game.cfg is missing";
    EXPECT_EQ(written, golden);

    // An empty table (settings never loaded) still writes all nine keys.
    keyboard.clear();
    ASSERT_TRUE(SaveGameSettings());
    EXPECT_EQ(ReadFile("game.cfg"), golden);
}

TEST_F(SettingsTest, SavedSettingsLoadBackUnchanged) {
    SetDefaultGameSettings();
    fullscreen = false;
    musicEnabled = false;
    musicVolume = 17;
    FindBinding(keyboard, ActionDrop)->second.scancode = SDL_SCANCODE_Q;
    ASSERT_TRUE(SaveGameSettings());

    SetDefaultGameSettings();
    keyboard.clear();
    ASSERT_TRUE(LoadGameSettings());
    EXPECT_FALSE(fullscreen);
    EXPECT_FALSE(musicEnabled);
    EXPECT_EQ(musicVolume, 17);
    ExpectOneBindingPerAction(keyboard);
    EXPECT_EQ(Bound(ActionDrop), SDL_SCANCODE_Q);
    EXPECT_EQ(Bound(ActionInventory), SDL_SCANCODE_I);
}

// ---- reading hand-written documents --------------------------------------------

TEST_F(SettingsTest, KeyboardElementBindsItsAction) {
    WriteFile("game.cfg", "{\"Keyboard\":" + KeyboardArray(4, "{\"4\":22}") + "}");
    ASSERT_TRUE(LoadGameSettings());
    ExpectOneBindingPerAction(keyboard);
    EXPECT_EQ(Bound(ActionTake), SDL_SCANCODE_S);
    for (int a = 0; a < ActionCount; ++a) {
        if (a != ActionTake) {
            EXPECT_EQ(Bound(static_cast<KRActionTypes>(a)), defaultKeys[a]) << "action " << a;
        }
    }
}

// Missing members leave their settings alone; missing bindings come from the
// defaults, so every action stays reachable.
TEST_F(SettingsTest, DocumentOfOnlyVolumeKeepsTheRestAndFillsDefaultKeys) {
    WriteFile("game.cfg", "{\"MusicVolume\": 50}");
    ASSERT_TRUE(LoadGameSettings());
    EXPECT_TRUE(fullscreen);
    EXPECT_TRUE(musicEnabled);
    EXPECT_EQ(musicVolume, 50);
    ExpectOneBindingPerAction(keyboard);
    for (int a = 0; a < ActionCount; ++a) {
        EXPECT_EQ(Bound(static_cast<KRActionTypes>(a)), defaultKeys[a]) << "action " << a;
    }
}

TEST_F(SettingsTest, ShortKeyboardIsCompletedAndExtraEntriesAreDropped) {
    WriteFile("game.cfg", "{\"Keyboard\":[{\"0\":26},{\"1\":22}]}");
    ASSERT_TRUE(LoadGameSettings());
    ExpectOneBindingPerAction(keyboard);
    EXPECT_EQ(Bound(ActionMoveAttackUp), SDL_SCANCODE_W);
    EXPECT_EQ(Bound(ActionMoveAttackDown), SDL_SCANCODE_S);
    EXPECT_EQ(Bound(ActionMoveAttackLeft), SDL_SCANCODE_LEFT);

    keyboard.clear();
    std::string eleven = KeyboardArray();
    eleven.pop_back();
    eleven += ",{\"9\":4},{\"10\":5}]";
    WriteFile("game.cfg", "{\"Keyboard\":" + eleven + "}");
    ASSERT_TRUE(LoadGameSettings());
    ExpectOneBindingPerAction(keyboard);
    ASSERT_TRUE(SaveGameSettings());
    const std::string written = ReadFile("game.cfg");
    EXPECT_NE(written.find("\"8\": 12"), std::string::npos) << written;
    EXPECT_EQ(written.find("\"9\""), std::string::npos)
        << "entries beyond action 8 are not written";
}

// A number that is no SDL scancode cannot name a key; the action keeps its
// default rather than an unusable value.
TEST_F(SettingsTest, ScancodeOutsideSdlRangeFallsBackToDefault) {
    WriteFile("game.cfg", "{\"Keyboard\":" + KeyboardArray(5, "{\"5\":100000}") + "}");
    ASSERT_TRUE(LoadGameSettings());
    EXPECT_EQ(Bound(ActionUse), SDL_SCANCODE_SPACE);
    keyboard.clear();
    WriteFile("game.cfg", "{\"Keyboard\":" + KeyboardArray(6, "{\"6\":-3}") + "}");
    ASSERT_TRUE(LoadGameSettings());
    EXPECT_EQ(Bound(ActionDrop), SDL_SCANCODE_D);
}

TEST_F(SettingsTest, FlagsAreReadAsWords) {
    fullscreen = false;
    WriteFile("game.cfg", "{\"Fullscreen\": \"true\"}");
    ASSERT_TRUE(LoadGameSettings());
    EXPECT_TRUE(fullscreen) << "the text true reads as true";

    WriteFile("game.cfg", "{\"Fullscreen\": 1, \"Music\": 1}");
    ASSERT_TRUE(LoadGameSettings());
    EXPECT_FALSE(fullscreen) << "the number 1 is the text \"1\", which is not the word true";
    EXPECT_FALSE(musicEnabled);
}

TEST_F(SettingsTest, VolumeIsReadFromTextAndTruncatedFromFractions) {
    WriteFile("game.cfg", "{\"MusicVolume\": \"64\"}");
    ASSERT_TRUE(LoadGameSettings());
    EXPECT_EQ(musicVolume, 64);
    WriteFile("game.cfg", "{\"MusicVolume\": 70.9}");
    ASSERT_TRUE(LoadGameSettings());
    EXPECT_EQ(musicVolume, 70);
}

TEST_F(SettingsTest, MalformedContentRaisesPrefixedErrors) {
    EXPECT_EQ(LoadError("{\"Keyboard\":" + KeyboardArray(1, "{\"0\":81}") + "}"),
              "Error while loading game settings: Key was not found in object!");
    EXPECT_EQ(LoadError("{\"Keyboard\": {\"0\": 82}}"),
              "Error while loading game settings: Value is not an array!");
    EXPECT_EQ(LoadError("{\"Keyboard\": [82]}"),
              "Error while loading game settings: Value is not an object!");
    EXPECT_EQ(LoadError("{\"MusicVolume\": \"loud\"}"), "Error while loading game settings: stoi");
    EXPECT_EQ(LoadError("{\"Music\": \"tru"),
              "Error while loading game settings: Invalid string value!")
        << "reader errors carry the prefix too";
}

// The three flags are read before the bindings and keep what they read.
TEST_F(SettingsTest, SettingsReadBeforeAnErrorKeepTheirValues) {
    EXPECT_EQ(LoadError("{\"Fullscreen\": false, \"Keyboard\": 3, \"Music\": false}"),
              "Error while loading game settings: Value is not an array!");
    EXPECT_FALSE(fullscreen);
    EXPECT_FALSE(musicEnabled);
}

TEST_F(SettingsTest, UnreadableFileReturnsFalseAndChangesNothing) {
    WriteFile("game.cfg", "");
    EXPECT_FALSE(LoadGameSettings());
    WriteFile("game.cfg", "42");
    EXPECT_FALSE(LoadGameSettings());
    EXPECT_TRUE(fullscreen);
    EXPECT_EQ(musicVolume, 96);
    EXPECT_TRUE(keyboard.empty());
}

// ---- the options menu's snapshot -----------------------------------------------

TEST_F(SettingsTest, RestoreBringsBackTheSnapshotWithNothingPending) {
    SetDefaultGameSettings();
    FindBinding(keyboard, ActionTake)->second.scancode = SDL_SCANCODE_T;
    FindBinding(keyboard, ActionUse)->second.pending = true;
    SaveOldGameSettings();
    ExpectOneBindingPerAction(previousKeyboard); // the snapshot takes no pending flag

    fullscreen = false;
    musicEnabled = false;
    musicVolume = 3;
    for (auto& entry : keyboard) {
        entry.second.scancode = SDL_SCANCODE_Z;
        entry.second.pending = true;
    }
    keyboard.insert({ActionUse, KRKeyBinding{SDL_SCANCODE_X, true}});

    RestoreOldGameSettings();
    EXPECT_TRUE(fullscreen);
    EXPECT_TRUE(musicEnabled);
    EXPECT_EQ(musicVolume, 96);
    ExpectOneBindingPerAction(keyboard);
    ExpectOneBindingPerAction(previousKeyboard);
    for (int a = 0; a < ActionCount; ++a) {
        const SDL_Scancode expected = a == ActionTake ? SDL_SCANCODE_T : defaultKeys[a];
        EXPECT_EQ(Bound(static_cast<KRActionTypes>(a)), expected) << "action " << a;
    }
}

// ---- key names -------------------------------------------------------------------

// SDL's keymap is filled when its video subsystem starts; the game always
// asks for names after that.
class KeyNameTest : public SettingsTest {
protected:
    void SetUp() override {
        SettingsTest::SetUp();
        ASSERT_EQ(SDL_InitSubSystem(SDL_INIT_VIDEO), 0) << SDL_GetError();
        SetDefaultGameSettings();
    }
    void TearDown() override {
        SDL_Quit();
        SettingsTest::TearDown();
    }
};

TEST_F(KeyNameTest, MenuTextIsLabelAndKeyName) {
    EXPECT_EQ(SetMenuOptionOfKeybinding(ActionMoveAttackUp, "Move / Attack Up: "),
              "Move / Attack Up: Up");
    EXPECT_EQ(SetMenuOptionOfKeybinding(ActionUse, "Use: "), "Use: Space");
    EXPECT_EQ(SetMenuOptionOfKeybinding(ActionTake, "Take: "), "Take: G");
}

TEST_F(KeyNameTest, UpdateKeybindingStoresTheCapturedKey) {
    selectedKey = SDL_SCANCODE_R;
    FindBinding(keyboard, ActionTake)->second.pending = true;
    EXPECT_EQ(UpdateKeybinding(ActionTake, "Take: ", true), "Take: R");
    EXPECT_EQ(Bound(ActionTake), SDL_SCANCODE_R);
    EXPECT_FALSE(FindBinding(keyboard, ActionTake)->second.pending);

    selectedKey = SDL_SCANCODE_A;
    EXPECT_EQ(UpdateKeybinding(ActionTake, "Take: ", false), "Take: R")
        << "without update only the text is made";
    EXPECT_EQ(Bound(ActionTake), SDL_SCANCODE_R);
    ExpectOneBindingPerAction(keyboard);
}

// Two actions may share a key; nothing is rebound behind the player's back.
TEST_F(KeyNameTest, SameKeyMayServeTwoActions) {
    selectedKey = SDL_SCANCODE_UP;
    EXPECT_EQ(UpdateKeybinding(ActionInventory, "Inventory: ", true), "Inventory: Up");
    EXPECT_EQ(Bound(ActionMoveAttackUp), SDL_SCANCODE_UP);
    EXPECT_EQ(Bound(ActionInventory), SDL_SCANCODE_UP);
}

} // namespace
