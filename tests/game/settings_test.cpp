// The settings file game.cfg: what loading makes of hand-written documents,
// the exact document an orderly exit writes, the options menu's snapshot, and
// the key names shown for a binding.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

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

// Every action on its default key, but `changed` on `key`.
void ExpectDefaultKeysBut(int changed = -1, SDL_Scancode key = SDL_SCANCODE_UNKNOWN) {
    for (int a = 0; a < ActionCount; ++a) {
        EXPECT_EQ(Bound(static_cast<KRActionTypes>(a)), a == changed ? key : defaultKeys[a])
            << "action " << a;
    }
}

// The whole table as (action, scancode) pairs, in its order.
std::vector<std::pair<int, int>> Bindings() {
    std::vector<std::pair<int, int>> out;
    for (const auto& [action, binding] : keyboard) {
        out.emplace_back(action, binding.scancode);
    }
    return out;
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
    // In a browser game.cfg is a link into the site's storage, empty at first.
    fs::create_directory("storage");
    fs::create_symlink("storage/game.cfg", "game.cfg");
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    EXPECT_FALSE(LoadGameSettings());
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "") << "the first start says nothing";
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
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
    ExpectDefaultKeysBut(ActionTake, SDL_SCANCODE_S);
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
    ExpectDefaultKeysBut();
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

// Read as a number from its text, then brought onto the mixer's 0-128.
TEST_F(SettingsTest, VolumeIsReadFromTextTruncatedAndClamped) {
    const std::pair<const char*, int> cases[] = {
        {"\"64\"", 64}, {"70.9", 70}, {"390", 128}, {"-5", 0}, {"\"300 loud\"", 128}};
    for (const auto& [value, volume] : cases) {
        WriteFile("game.cfg", std::string("{\"MusicVolume\": ") + value + "}");
        ASSERT_TRUE(LoadGameSettings()) << value;
        EXPECT_EQ(musicVolume, volume) << value;
    }
}

// A file that cannot be used whole is moved aside to game.cfg.damaged
// (replacing an older one), one line on standard error says why and where
// it is, and no setting changes: start-up then uses the defaults.
TEST_F(SettingsTest, DamagedFileIsKeptAsideWithANoteAndChangesNothing) {
    const std::pair<std::string, const char*> cases[] = {
        {"{\"Keyboard\":" + KeyboardArray(1, "{\"0\":81}") + "}",
         "\"Keyboard\" element 1 lacks \"1\""},
        {"{\"Keyboard\": {\"0\": 82}}", "\"Keyboard\" is not a list"},
        {"{\"Keyboard\": [82]}", "\"Keyboard\" element 0 is not an object"},
        {"{\"Keyboard\":" + KeyboardArray(7, "{\"7\":\"C\"}") + "}",
         "\"Keyboard\" element 7 is not a number"},
        {"{\"MusicVolume\": \"loud\"}", "\"MusicVolume\" is not a number"},
        {"{\"Fullscreen\": [true]}", "\"Fullscreen\" is not a single value"},
        {"{\"Fullscreen\": false, \"Keyboard\": 3, \"Music\": false}",
         "\"Keyboard\" is not a list"},
        {"{\"Music\": \"tru", "not valid JSON"},
        {"42", "not valid JSON"},
        {"[true]", "it holds no settings"},
        {"", "the file is empty"},
    };
    SetDefaultGameSettings();
    musicVolume = 17;
    FindBinding(keyboard, ActionTake)->second.scancode = SDL_SCANCODE_T;
    const std::vector<std::pair<int, int>> bindings = Bindings();
    for (const auto& [document, reason] : cases) {
        SCOPED_TRACE(document);
        WriteFile("game.cfg.damaged", "an older damaged file");
        WriteFile("game.cfg", document);
        testing::internal::CaptureStdout();
        testing::internal::CaptureStderr();
        EXPECT_FALSE(LoadGameSettings());
        testing::internal::GetCapturedStdout();
        const std::string note = testing::internal::GetCapturedStderr();

        EXPECT_FALSE(fs::exists("game.cfg"));
        EXPECT_EQ(ReadFile("game.cfg.damaged"), document);
        EXPECT_EQ(std::count(note.begin(), note.end(), '\n'), 1) << note;
        EXPECT_NE(note.find(reason), std::string::npos) << note;
        EXPECT_NE(note.find(fs::canonical("game.cfg.damaged").string()), std::string::npos) << note;
        EXPECT_TRUE(fullscreen);
        EXPECT_TRUE(musicEnabled);
        EXPECT_EQ(musicVolume, 17);
        EXPECT_EQ(Bindings(), bindings);
    }

    // Through a link the file it points at is moved; the link stays.
    fs::create_directory("storage");
    WriteFile("storage/game.cfg", "42");
    fs::create_symlink("storage/game.cfg", "game.cfg");
    testing::internal::CaptureStderr();
    EXPECT_FALSE(LoadGameSettings());
    testing::internal::GetCapturedStderr();
    EXPECT_EQ(ReadFile("storage/game.cfg.damaged"), "42");
    EXPECT_TRUE(fs::is_symlink("game.cfg"));

    // A pipe is refused unread and left where it is: only a regular file is
    // the player's to move aside (a link may lead to a device).
    fs::remove("game.cfg");
    fs::remove("game.cfg.damaged");
    ASSERT_EQ(::mkfifo("game.cfg", 0600), 0);
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    EXPECT_FALSE(LoadGameSettings());
    testing::internal::GetCapturedStdout();
    const std::string note = testing::internal::GetCapturedStderr();
    EXPECT_NE(note.find("not a regular file"), std::string::npos) << note;
    EXPECT_TRUE(fs::is_fifo("game.cfg"));
    EXPECT_FALSE(fs::exists("game.cfg.damaged"));
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
    ExpectDefaultKeysBut(ActionTake, SDL_SCANCODE_T);
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
