// Leaving a game with Escape and loading it again from the main menu: the
// same floor, player position, equipment and log lines come back; a save that
// fails is told and keeps the player in the game.
#include <algorithm>
#include <filesystem>

#include "session.h"

namespace vlotest {
namespace {

namespace fs = std::filesystem;

class SaveGameE2E : public GameSession {};

TEST_F(SaveGameE2E, LoadGameRestoresTheFloorThePlayerAndTheLog) {
    // Windowed, and no "Keyboard": the missing bindings come from the defaults.
    WriteConfig(R"({"Fullscreen": false, "Music": true, "MusicVolume": 96})");
    bool ok = false;
    GameProcess& game = LaunchToMainMenu(ok);
    ASSERT_TRUE(ok);
    Screen s = StartNewGame(ok);
    ASSERT_TRUE(ok) << s.Dump();

    // Drop the Baton, so that the save has a log line, an item on the floor
    // and an inventory that differ from a fresh game.
    Press({"d"});
    s = WaitFor(
        "drop", [](const Screen& v) { return v.Contains("(A) BATON (EQUIPPED)"); }, ok);
    ASSERT_TRUE(ok) << s.Dump();
    EXPECT_TRUE(s.Contains("TO DROP IT", White)) << "the drop prompt";
    Press({"a"});
    s = WaitFor(
        "dropped",
        [](const Screen& v) {
            return !v.Contains("(A) BATON") && v.Contains("YOU DROPPED A BATON.");
        },
        ok);
    ASSERT_TRUE(ok) << s.Dump();

    for (int moves = 0; moves < 3; ++moves) {
        const CellPos at = *FindPlayer(s);
        const int d = OpenDirection(s, at);
        ASSERT_GE(d, 0) << s.Dump();
        Press({ArrowKey(d)});
        s = WaitPlayerMoved(at, true, ok, "move");
        ASSERT_TRUE(ok) << s.Dump();
        EXPECT_EQ(*FindPlayer(s), Step(at, d)) << "one press, one cell";
    }
    const Screen before = Shot("before-escape");
    const CellPos where = *FindPlayer(before);
    const auto log = LogLines(before);

    Press({"Escape"});
    WaitMainMenu(0, ok, "menu-after-escape");
    ASSERT_TRUE(ok);
    Press({"Down"});
    WaitMainMenu(1, ok, "load-highlighted");
    ASSERT_TRUE(ok);
    Press({"Return"});
    const Screen after = WaitFor(
        "loaded", [](const Screen& v) { return FindPlayer(v).has_value(); }, ok, 8000);
    ASSERT_TRUE(ok) << after.Dump() << game.Stdout();

    EXPECT_EQ(FloorText(after), FloorText(before));
    EXPECT_EQ(*FindPlayer(after), where);
    const auto logAfter = LogLines(after);
    for (size_t i = 0; i < log.size(); ++i) {
        EXPECT_EQ(logAfter[i].text, log[i].text) << "log line " << i;
        EXPECT_EQ(logAfter[i].ink, log[i].ink) << "colour of log line " << i;
    }
    const auto diffs = MapDifferences(before, after);
    EXPECT_TRUE(diffs.empty()) << diffs.size() << " map cells differ after loading:\n"
                               << Lines(std::vector<std::string>(
                                      diffs.begin(),
                                      diffs.begin() + std::min<size_t>(20, diffs.size())));

    Press({"i"});
    s = WaitFor(
        "inventory-after-load", [](const Screen& v) { return v.Contains("INVENTORY IS EMPTY."); },
        ok);
    EXPECT_TRUE(ok) << "the dropped Baton stays out of the loaded inventory\n" << s.Dump();
}

TEST_F(SaveGameE2E, AFailedSaveIsToldAndThePlayerStaysInTheGame) {
    bool ok = false;
    GameProcess& game = LaunchToMainMenu(ok);
    ASSERT_TRUE(ok);
    Screen s = StartNewGame(ok);
    ASSERT_TRUE(ok) << s.Dump();

    fs::create_directory(WorkDir() / "game.sav"); // no file can be moved over a folder
    Press({"Escape"});
    s = WaitFor(
        "save-failed",
        [](const Screen& v) { return v.Contains(" Saving the game failed ", Black); }, ok);
    ASSERT_TRUE(ok) << s.Dump() << game.Stdout();
    const auto problems = CheckTitledBox(s, {" Saving the game failed ",
                                             {"The game could not be saved: not a", "regular file.",
                                              "", "Press any key to return to the game."},
                                             -1,
                                             true});
    EXPECT_TRUE(problems.empty()) << Lines(problems) << s.Dump();

    Press({"x"});
    s = WaitFor(
        "still-in-game",
        [](const Screen& v) {
            return FindPlayer(v).has_value() && FloorText(v) == "Floor #10" &&
                   !v.Contains("Saving the game failed");
        },
        ok);
    ASSERT_TRUE(ok) << "the game goes on after the box\n" << s.Dump();

    fs::remove(WorkDir() / "game.sav");
    Press({"Escape"});
    WaitMainMenu(0, ok, "menu-after-saving");
    EXPECT_TRUE(ok) << "Escape again saves and leaves";
    EXPECT_TRUE(fs::is_regular_file(WorkDir() / "game.sav"));
}

} // namespace
} // namespace vlotest
