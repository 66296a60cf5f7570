// The options screen of the real binary: the default list, rebinding a key,
// saving it to game.cfg and finding it again at the next start.
#include <regex>

#include "default_options.h"
#include "session.h"

namespace vlotest {
namespace {

class OptionsE2E : public GameSession {
protected:
    // From the main menu on "New Game": opens the options list.
    Screen OpenOptions(bool& ok) {
        Press({"Down", "Down"});
        WaitMainMenu(2, ok, "options-highlighted");
        if (!ok) {
            return Screen();
        }
        Press({"Return"});
        return WaitFor(
            "options", [](const Screen& s) { return s.Contains(" Options ", Black); }, ok);
    }
};

TEST_F(OptionsE2E, RebindingTakeIsSavedAndShownAtTheNextStart) {
    bool ok = false;
    GameProcess& game = LaunchToMainMenu(ok);
    ASSERT_TRUE(ok);
    Screen s = OpenOptions(ok);
    ASSERT_TRUE(ok) << s.Dump();
    auto problems = CheckTitledBox(s, {" Options ", Highlighted(DefaultOptionLines, 0), 0, false});
    EXPECT_TRUE(problems.empty()) << "the default list:\n" << Lines(problems);

    Press({"Down", "Down", "Down", "Down"});
    s = WaitFor(
        "take-highlighted", [](const Screen& v) { return v.Contains("> Take: G <", Cyan); }, ok);
    ASSERT_TRUE(ok) << s.Dump();
    Press({"Return"});
    s = WaitFor(
        "capture", [](const Screen& v) { return v.Contains(" Change Take Key ", Black); }, ok);
    ASSERT_TRUE(ok) << s.Dump();
    EXPECT_TRUE(s.Contains("Please press a key", White));
    Press({"h"});
    s = WaitFor(
        "take-rebound", [](const Screen& v) { return v.Contains("> Take: H <", Cyan); }, ok);
    ASSERT_TRUE(ok) << s.Dump();
    std::vector<std::string> rebound = DefaultOptionLines;
    rebound[4] = "Take: H";
    problems = CheckTitledBox(s, {" Options ", Highlighted(rebound, 4), 4, false});
    EXPECT_TRUE(problems.empty()) << Lines(problems);
    Publish(s, "options");

    // Down from "Take" (4) to "Save Changes" (13).
    Press({"Down", "Down", "Down", "Down", "Down", "Down", "Down", "Down", "Down"});
    s = WaitFor(
        "save-highlighted", [](const Screen& v) { return v.Contains("> Save Changes <", Cyan); },
        ok);
    ASSERT_TRUE(ok) << s.Dump();
    Press({"Return"});
    WaitMainMenu(2, ok, "menu-after-options");
    ASSERT_TRUE(ok) << "the menu comes back on \"Options\"";
    const std::regex takeIsH("\"4\"\\s*:\\s*11\\b");
    EXPECT_TRUE(std::regex_search(ReadWorkFile("game.cfg"), takeIsH))
        << "Save Changes writes scancode 11 (H) under \"4\":\n"
        << ReadWorkFile("game.cfg");

    Press({"Down", "Down"});
    WaitMainMenu(4, ok, "quit-highlighted");
    ASSERT_TRUE(ok);
    Press({"Return"});
    int status = -1;
    ASSERT_TRUE(game.WaitExit(8000, status));
    EXPECT_EQ(status, 0);
    EXPECT_TRUE(std::regex_search(ReadWorkFile("game.cfg"), takeIsH)) << ReadWorkFile("game.cfg");

    Launch();
    WaitMainMenu(0, ok, "second-start");
    ASSERT_TRUE(ok);
    s = OpenOptions(ok);
    ASSERT_TRUE(ok) << s.Dump();
    problems = CheckTitledBox(s, {" Options ", Highlighted(rebound, 0), 0, false});
    EXPECT_TRUE(problems.empty()) << "the next start lists Take: H\n" << Lines(problems);
}

} // namespace
} // namespace vlotest
