// The main menu driven by scripted keys, read back from the screen: the box
// and its highlight, games started and left from it, the load-failure box,
// the help screen, and the title banner.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <list>
#include <set>
#include <string>
#include <utility>

#include "game.h"
#include "game_env.h"
#include "glyph_probe.h"
#include "mainmenu.h"
#include "rules.h"
#include "screens.h"
#include "scripted_input.h"

namespace {

using vlotest::FindText;
using vlotest::GlyphAt;
using vlotest::TextAt;

using MainMenuTest = vlotest::GameEnv;

bool Shown(const std::string& text, KRColors color) {
    return FindText(screen, text, color).has_value();
}

// A box title: black letters on the white title bar.
bool TitleShown(const std::string& title) {
    return FindText(screen, title, Black, White).has_value();
}

// The box is 136 x 72 (content 13 cells: the title), centred on the window
// at (252, 164); each entry centred in it, the highlighted one marked in cyan.
bool MenuOn(int highlighted) {
    const char* const entries[] = {"New Game", "Load Game", "Options", "Help", "Quit"};
    if (!TextAt(screen, 252 + 16, 164, " Version 0.3 ", Black, White)) {
        return false;
    }
    for (int i = 0; i < 5; ++i) {
        const std::string text =
            i == highlighted ? "> " + std::string(entries[i]) + " <" : entries[i];
        const int x = 252 + (136 - 8 * static_cast<int>(text.size())) / 2;
        if (!TextAt(screen, x, 164 + 16 + 8 * i, text, i == highlighted ? Cyan : White)) {
            return false;
        }
    }
    return true;
}

std::function<bool()> Highlighted(int entry) {
    return [entry] { return MenuOn(entry); };
}

bool NewGameHighlighted() {
    return MenuOn(0);
}

bool InGame() {
    return TextAt(screen, 8, 360, "Floor #10", LightGray);
}

TEST_F(MainMenuTest, BoxShowsTheVersionTitleAndTheHighlightWrapsBothWays) {
    vlotest::ScriptedInput script;
    script.Expect("the menu with New Game highlighted", NewGameHighlighted)
        .Quit()
        .Expect("a window close request only redraws the menu", NewGameHighlighted)
        .Key(SDL_SCANCODE_UP)
        .Expect("Up on the first entry highlights Quit", Highlighted(4))
        .Key(SDL_SCANCODE_DOWN)
        .Expect("Down on Quit highlights New Game", NewGameHighlighted)
        .Key(SDL_SCANCODE_DOWN)
        .Expect("Down moves one entry", Highlighted(1))
        .Key(SDL_SCANCODE_UP)
        .Key(SDL_SCANCODE_UP)
        .Key(SDL_SCANCODE_RETURN);
    EXPECT_TRUE(script.Run([] { MainMenu(); })) << script.Failures();
}

TEST_F(MainMenuTest, LoadWithoutASaveShowsTheFailureBoxThenTheMenuOnLoadGame) {
    ASSERT_FALSE(std::filesystem::exists("game.sav"));
    vlotest::ScriptedInput script;
    script.Key(SDL_SCANCODE_DOWN)
        .Key(SDL_SCANCODE_RETURN)
        .Expect("the load-failure box",
                [] {
                    // The reason wraps at 320 pixels (39 characters).
                    return TitleShown(" Loading saved game failed ") &&
                           Shown("No saved game to load or saved game", White) &&
                           Shown("corrupted.", White) && Shown("File not found.", White) &&
                           Shown("Press any key to return to main menu.", White);
                })
        .Key(SDL_SCANCODE_SPACE)
        .Expect("the menu on Load Game", Highlighted(1))
        .Key(SDL_SCANCODE_DOWN)
        .Key(SDL_SCANCODE_DOWN)
        .Key(SDL_SCANCODE_DOWN)
        .Expect("Quit", Highlighted(4))
        .Key(SDL_SCANCODE_RETURN);
    EXPECT_TRUE(script.Run([] { MainMenu(); })) << script.Failures();
}

// Escape saves a new game and comes back on "New Game"; leaving the loaded
// one comes back on "Load Game".
TEST_F(MainMenuTest, ASavedGameLoadsAndLeavingItKeepsLoadGameHighlighted) {
    vlotest::ScriptedInput script;
    script.Key(SDL_SCANCODE_RETURN)
        .Expect("a new game", InGame)
        .Key(SDL_SCANCODE_ESCAPE)
        .Expect("saved and back in the menu",
                [] { return NewGameHighlighted() && std::filesystem::exists("game.sav"); })
        .Key(SDL_SCANCODE_DOWN)
        .Key(SDL_SCANCODE_RETURN)
        .Expect("the loaded game", InGame)
        .Key(SDL_SCANCODE_ESCAPE)
        .Expect("the menu on Load Game", Highlighted(1))
        .Key(SDL_SCANCODE_UP)
        .Key(SDL_SCANCODE_UP)
        .Key(SDL_SCANCODE_RETURN);
    EXPECT_TRUE(script.Run([] { MainMenu(); })) << script.Failures();
    EXPECT_EQ(gameState, GameStateNoGame);
}

TEST_F(MainMenuTest, HelpShowsTheLegendUntilAnyKeyButF2OrAClose) {
    auto helpShown = [] {
        return TitleShown(" Help ") && Shown("Map:", LightGray) &&
               Shown("Press any key to return to main menu.", White);
    };
    vlotest::ScriptedInput script;
    script.Key(SDL_SCANCODE_DOWN)
        .Key(SDL_SCANCODE_DOWN)
        .Key(SDL_SCANCODE_DOWN)
        .Key(SDL_SCANCODE_RETURN)
        .Expect("the help box", helpShown)
        .Key(SDL_SCANCODE_F2)
        .Expect("F2 keeps it open", helpShown)
        .Quit()
        .Expect("a close request keeps it open", helpShown)
        .Key(SDL_SCANCODE_SPACE)
        .Expect("back in the menu on Help", Highlighted(3))
        .Key(SDL_SCANCODE_DOWN)
        .Key(SDL_SCANCODE_RETURN);
    EXPECT_TRUE(script.Run([] { MainMenu(); })) << script.Failures();
}

// The legend is read off the drawn box, so every line checked also fits it.
TEST_F(MainMenuTest, HelpLegendNamesEveryGlyphInItsColour) {
    ASSERT_TRUE(vlotest::PushAll({vlotest::KeyDown(SDL_SCANCODE_Q)}));
    vlotest::ScriptedInput guard;
    EXPECT_TRUE(guard.Run([] { HelpScreen(); })) << guard.Failures();
    ASSERT_LE(inventoryPanel->w, screen->w);
    ASSERT_LE(inventoryPanel->h, screen->h);
    // "G - Name": the glyph in its colour, the rest in white.
    auto legend = [](unsigned char glyph, const std::string& name, KRColors color) {
        const auto at = FindText(inventoryPanel, "- " + name, White);
        ASSERT_TRUE(at.has_value()) << name;
        EXPECT_TRUE(GlyphAt(inventoryPanel, at->x - 16, at->y, glyph, color)) << name;
    };
    for (const ItemKind& k : ItemKinds) {
        legend(k.glyph, k.name, k.color);
    }
    legend(BatonKind.glyph, BatonKind.name, BatonKind.color);
    for (const EnemyKind& k : EnemyKinds) {
        legend(k.glyph, k.name, k.color);
    }
    legend('@', "Player", LightGreen);
    legend('#', "Wall", Blue);
    legend('<', "Stairs / Exit", White);
    legend('>', "Stairs (Press", White);
    legend('%', "Unconsious", White);
}

// ---- the title header ---------------------------------------------------------

TEST_F(MainMenuTest, BannerSpellsThreeLettersInTheirColumnsAndColours) {
    Header();
    struct Letter {
        KRColors color;
        int first;
        int last;
    };
    const Letter letters[] = {{Red, 0, 14}, {Green, 20, 44}, {Blue, 50, 64}};
    const int x0 = (640 - 520) / 2;
    ASSERT_EQ(x0, 60);
    for (const Letter& l : letters) {
        std::set<std::pair<int, int>> cells; // (column, row) of this letter's '#'
        for (int row = 0; row < 16; ++row) {
            for (int col = -7; col < 72; ++col) {
                if (GlyphAt(screen, x0 + 8 * col, 8 + 8 * row, '#', l.color)) {
                    cells.insert({col, row});
                }
            }
        }
        const int ornament = l.last + 3; // the diamond's middle column
        const std::set<std::pair<int, int>> diamond = {
            {ornament, 13}, {ornament - 1, 14}, {ornament + 1, 14}, {ornament, 15}};
        int lowest = 99;
        int highest = -99;
        for (const auto& cell : cells) {
            if (diamond.count(cell) != 0) {
                continue;
            }
            lowest = std::min(lowest, cell.first);
            highest = std::max(highest, cell.first);
        }
        EXPECT_EQ(lowest, l.first) << "colour " << l.color;
        EXPECT_EQ(highest, l.last) << "colour " << l.color;
        for (const auto& cell : diamond) {
            EXPECT_EQ(cells.count(cell), 1u) << "ornament cell " << cell.first << ", "
                                             << cell.second << " in colour " << l.color;
        }
    }
    EXPECT_TRUE(GlyphAt(screen, 460, 8 + 8 * 4, '#', Blue)) << "letter 3 starts at x = 460";
    // Nothing but '#' in the three colours on black in the banner rows.
    for (int row = 0; row < 16; ++row) {
        for (int x = x0 % 8; x + 8 <= 640; x += 8) {
            const int y = 8 + 8 * row;
            if (vlotest::AreaIs(screen, x, y, 8, 8, Black)) {
                continue;
            }
            EXPECT_TRUE(GlyphAt(screen, x, y, '#', Red) || GlyphAt(screen, x, y, '#', Green) ||
                        GlyphAt(screen, x, y, '#', Blue))
                << "banner cell at " << x << ", " << y;
        }
    }
}

TEST_F(MainMenuTest, CopyrightLineIsCentredInYellow) {
    Header();
    const std::string notice = "(C) 2026 The Velvet Lockout developers";
    const int x0 = (640 - 8 * static_cast<int>(notice.size())) / 2;
    EXPECT_TRUE(TextAt(screen, x0, 144, notice, Yellow));
    EXPECT_TRUE(vlotest::AreaIs(screen, 0, 144, x0, 8, Black));
    EXPECT_TRUE(vlotest::AreaIs(screen, 640 - x0, 144, x0, 8, Black));
}

} // namespace
