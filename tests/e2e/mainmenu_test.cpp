// The main menu of the real binary: the title banner, the menu box, moving
// the highlight, the help screen and quitting.
#include <algorithm>
#include <cstdlib>

#include "session.h"

namespace vlotest {
namespace {

// The banner's rows start at x = 60 (65 columns centred on 640 pixels),
// y = 8; letter columns and their diamond ornaments by colour.
struct BannerLetter {
    int first, last, ink;
};
constexpr BannerLetter kLetters[3] = {{0, 14, Red}, {20, 44, Green}, {50, 64, Blue}};

bool InOrnament(const BannerLetter& l, int column, int row) {
    const int mid = l.last + 3;
    return ((row == 13 || row == 15) && column == mid) ||
           (row == 14 && (column == mid - 1 || column == mid + 1));
}

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

    // Banner: '#' only inside each letter's columns or its ornament, in the
    // letter's colour; every letter drawn; nothing else in the 16 rows.
    int inked[3] = {0, 0, 0};
    for (int row = 0; row < 16; ++row) {
        for (int column = 0; column < 72; ++column) {
            const Glyph g = s.At(60 + 8 * column, 8 + 8 * row);
            int owner = -1;
            for (int k = 0; k < 3; ++k) {
                if ((column >= kLetters[k].first && column <= kLetters[k].last) ||
                    InOrnament(kLetters[k], column, row)) {
                    owner = k;
                }
            }
            if (owner >= 0 && InOrnament(kLetters[owner], column, row)) {
                EXPECT_TRUE(g.code == '#' && g.ink == kLetters[owner].ink)
                    << "ornament cell " << column << "," << row;
                continue;
            }
            if (g.code == ' ') {
                continue;
            }
            ASSERT_GE(owner, 0) << "banner glyph outside the letters at column " << column
                                << ", row " << row << "\n"
                                << s.Dump();
            EXPECT_EQ(g.code, '#') << "column " << column << ", row " << row;
            EXPECT_EQ(g.ink, kLetters[owner].ink) << "column " << column << ", row " << row;
            ++inked[owner];
        }
    }
    for (int k = 0; k < 3; ++k) {
        EXPECT_GE(inked[k], 30) << "letter " << k + 1 << " of VLO is (nearly) empty";
    }
    // The copyright line: Yellow, centred, at y = 144.
    int left = 640, right = -1;
    for (int x = 0; x < 640; ++x) {
        for (int y = 144; y < 152; ++y) {
            if (s.ColourAt(x, y) == Yellow) {
                left = std::min(left, x);
                right = std::max(right, x);
            }
        }
    }
    ASSERT_GE(right, 0) << "no copyright line at y = 144";
    EXPECT_LE(std::abs((left + right + 1) - 640), 16)
        << "copyright line spans x " << left << ".." << right << ", not centred";
}

TEST_F(MainMenuE2E, ArrowsMoveTheHighlightWithWrapAround) {
    bool ok = false;
    LaunchToMainMenu(ok);
    ASSERT_TRUE(ok);
    Press({"Up"});
    Screen s = WaitMainMenu(4, ok, "up-wraps-to-quit");
    ASSERT_TRUE(ok) << s.Dump();
    auto problems =
        CheckTitledBox(s, {" Version 0.3 ", Highlighted(kMainMenuEntries, 4), 4, false});
    EXPECT_TRUE(problems.empty()) << Lines(problems);
    Press({"Down"});
    WaitMainMenu(0, ok, "down-wraps-to-new-game");
    EXPECT_TRUE(ok);
    Press({"Down", "Down"});
    s = WaitMainMenu(2, ok, "options-highlighted");
    ASSERT_TRUE(ok) << s.Dump();
    problems = CheckTitledBox(s, {" Version 0.3 ", Highlighted(kMainMenuEntries, 2), 2, false});
    EXPECT_TRUE(problems.empty()) << Lines(problems);
}

TEST_F(MainMenuE2E, HelpShowsTheLegendUntilAnyKey) {
    bool ok = false;
    LaunchToMainMenu(ok);
    ASSERT_TRUE(ok);
    Press({"Down", "Down", "Down"});
    WaitMainMenu(3, ok, "help-highlighted");
    ASSERT_TRUE(ok);
    Press({"Return"});
    Screen help = WaitFor(
        "help",
        [](const Screen& s) { return s.Contains("Press any key to return to main menu.", White); },
        ok);
    ASSERT_TRUE(ok) << help.Dump();
    EXPECT_TRUE(help.Contains(" Help ", Black)) << "title bar";
    EXPECT_TRUE(help.Contains("Map:", LightGray));
    EXPECT_TRUE(help.Contains("Characters / Objects:", LightGray));
    // A legend line: the symbol in its colour, then its meaning in white.
    const auto wall = help.Find(" - Wall", White);
    ASSERT_TRUE(wall.has_value());
    EXPECT_EQ(help.At(wall->x - 8, wall->y).code, '#');
    EXPECT_EQ(help.At(wall->x - 8, wall->y).ink, Blue);
    const auto player = help.Find(" - Player", White);
    ASSERT_TRUE(player.has_value());
    EXPECT_EQ(help.At(player->x - 8, player->y).code, '@');
    EXPECT_EQ(help.At(player->x - 8, player->y).ink, LightGreen);
    const auto guard = help.Find(" - Guard", White);
    ASSERT_TRUE(guard.has_value());
    EXPECT_EQ(help.At(guard->x - 8, guard->y).code, 'g');
    EXPECT_EQ(help.At(guard->x - 8, guard->y).ink, LightBlue);

    Press({"x"});
    Screen back = WaitMainMenu(3, ok, "menu-after-help");
    EXPECT_TRUE(ok) << "any key leaves the help box, back to the menu on \"Help\"\n" << back.Dump();
    EXPECT_FALSE(back.Contains("Press any key to return to main menu."));
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
