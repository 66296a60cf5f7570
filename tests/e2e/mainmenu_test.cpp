// The main menu of the real binary: the title banner, the menu box and
// quitting. Moving the highlight and the help screen are checked in process.
#include "session.h"

namespace vlotest {
namespace {

class MainMenuE2E : public GameSession {};

TEST_F(MainMenuE2E, ShowsTheBannerAndTheVersionBoxWithNewGameInCyan) {
    Launch();
    bool ok = false;
    Screen s = WaitMainMenu(0, ok);
    ASSERT_TRUE(ok) << s.Dump();
    Publish(s, "main-menu");

    const auto problems =
        CheckTitledBox(s, {" Version 0.3 ", Highlighted(kMainMenuEntries, 0), 0, false});
    EXPECT_TRUE(problems.empty()) << Lines(problems);

    // The letters' columns are checked in process; here only that the real
    // binary draws the banner in its three colours and the yellow notice.
    int inked[16] = {};
    for (int row = 0; row < 16; ++row) {
        for (int column = 0; column < 72; ++column) {
            const Glyph g = s.At(60 + 8 * column, 8 + 8 * row);
            if (g.code == '#' && g.ink >= 0) {
                ++inked[g.ink];
            }
        }
    }
    EXPECT_GE(inked[Red], 30) << s.Dump();
    EXPECT_GE(inked[Green], 30);
    EXPECT_GE(inked[Blue], 30);
    EXPECT_TRUE(s.TextAt(168, 144, "(C) 2026 The Velvet Lockout developers", Yellow));
}

TEST_F(MainMenuE2E, QuitEndsWithStatusZeroAndWritesTheSettings) {
    bool ok = false;
    GameProcess& game = LaunchToMainMenu(ok);
    ASSERT_TRUE(ok);
    Press({"Up"});
    WaitMainMenu(4, ok, "quit-highlighted");
    ASSERT_TRUE(ok);
    Press({"Return"});
    int status = -1;
    ASSERT_TRUE(game.WaitExit(8000, status)) << "Quit did not end the process";
    EXPECT_EQ(status, 0);
    const std::string cfg = ReadWorkFile("game.cfg");
    EXPECT_NE(cfg.find("\"MusicVolume\": 96"), std::string::npos) << cfg;
    EXPECT_NE(cfg.find("\"Keyboard\""), std::string::npos) << cfg;
}

} // namespace
} // namespace vlotest
