// One frame of a running game on the real font and surfaces: the status
// frame, the HP bar, the floor counter, remembered tiles, entity order, the
// names under the mouse, the log lines and the cursor; the view a frame
// brings up to date before it draws, checked without drawing; and the
// scaling of window mouse positions to picture pixels.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <utility>

#include "entity.h"
#include "fighter.h"
#include "game.h"
#include "game_env.h"
#include "glyph_probe.h"
#include "map.h"
#include "message.h"
#include "music.h"
#include "options.h"
#include "render.h"
#include "scripted_input.h"
#include "shell.h"
#include "test_floor.h"
#include "usefunctions.h"
#include "view.h"

namespace {

using vlotest::AreaIs;
using vlotest::GlyphAt;
using vlotest::TextAt;

constexpr int PanelTop = 320;

// A room with interior 10..30 x 10..20 and the player at (15, 15), 29 of 30 HP.
class RenderTest : public vlotest::RoomGame {
protected:
    void SetUp() override {
        SetUpRoom(29);
        mousePos = {600, 300}; // a never-seen wall cell: no names, cursor out of the way
    }

    // Cell (cx, cy) of the map panel shows `code` in `color` on black.
    static bool MapCell(int cx, int cy, unsigned char code, KRColors color) {
        return GlyphAt(mapPanel, 8 * cx, 8 * cy, code, color);
    }
    // Screen cell (column, row) of the status panel is frame glyph `code`.
    static bool Frame(int col, int row, unsigned char code) {
        return GlyphAt(screen, 8 * col, 8 * row, code, White);
    }
    // Bar block i: every pixel that the white caption does not cover is `c`.
    static bool Block(int i, KRColors c) {
        const Uint32 want = vlotest::ColorValue(screen, c);
        const Uint32 caption = vlotest::ColorValue(screen, White);
        int seen = 0;
        for (int y = 344; y < 352; ++y) {
            for (int x = 8 + 8 * i; x < 16 + 8 * i; ++x) {
                const Uint32 p = vlotest::PixelAt(screen, x, y);
                if (p == caption) {
                    continue;
                }
                if (p != want) {
                    return false;
                }
                ++seen;
            }
        }
        return seen > 0;
    }
};

// ---- status panel -------------------------------------------------------------

TEST_F(RenderTest, StatusFrameUsesTheBoxGlyphsAndJunctionColumns) {
    Render();
    // clang-format off
    const int corners[][3] = {{0, 40, 201}, {79, 40, 187}, {0, 41, 186},  {79, 41, 186},
                              {0, 42, 204}, {21, 42, 203}, {79, 42, 185}, {0, 49, 200},
                              {21, 49, 202}, {79, 49, 188}};
    // clang-format on
    for (const auto& c : corners) {
        EXPECT_TRUE(Frame(c[0], c[1], static_cast<unsigned char>(c[2])))
            << "column " << c[0] << ", row " << c[1];
    }
    for (int col = 1; col <= 78; ++col) {
        EXPECT_TRUE(Frame(col, 40, 205)) << "top edge, column " << col;
        if (col != 21) {
            EXPECT_TRUE(Frame(col, 42, 205)) << "middle edge, column " << col;
            EXPECT_TRUE(Frame(col, 49, 205)) << "bottom edge, column " << col;
        }
    }
    for (int row = 43; row <= 48; ++row) {
        for (int col : {0, 21, 79}) {
            EXPECT_TRUE(Frame(col, row, 186)) << "row " << row << ", column " << col;
        }
    }
}

// 29 of 30 fills nineteen blocks: the partly filled twentieth stays grey.
// The caption is centred on the 160-pixel bar (8 + 80 - 4 * 9 for nine
// letters), not on a cell boundary.
TEST_F(RenderTest, HpBarFillsWholeBlocksInRedUnderACentredCaption) {
    const struct {
        int hp, red, captionX;
        const char* caption;
    } cases[] = {{29, 19, 52, "HP: 29/30"}, {0, 0, 56, "HP: 0/30"}};
    for (const auto& c : cases) {
        player->fighter->hp = c.hp;
        Render();
        for (int i = 0; i < 20; ++i) {
            EXPECT_TRUE(Block(i, i < c.red ? Red : LightGray)) << c.caption << ", block " << i;
        }
        EXPECT_TRUE(TextAt(screen, c.captionX, 344, c.caption, White, std::nullopt));
        EXPECT_FALSE(TextAt(screen, c.captionX - 4, 344, c.caption, White, std::nullopt));
    }
}

TEST_F(RenderTest, FloorCounterCountsDownFromTen) {
    Render();
    EXPECT_TRUE(TextAt(screen, 8, PanelTop + 40, "Floor #10", LightGray));
    theMap->currentFloor = 10;
    Render();
    EXPECT_TRUE(TextAt(screen, 8, PanelTop + 40, "Floor #1 ", LightGray));
}

TEST_F(RenderTest, LogShowsTheSixNewestLinesFading) {
    for (int i = 0; i < 7; ++i) {
        message->SetMessage("line " + std::to_string(i), false);
    }
    Render();
    const KRColors fade[6] = {White, White, LightGray, LightGray, DarkGray, DarkGray};
    for (int row = 0; row < 6; ++row) {
        EXPECT_TRUE(TextAt(screen, 176, PanelTop + 24 + 8 * row,
                           "LINE " + std::to_string(6 - row) + " ", fade[row]))
            << "row " << row;
    }
    EXPECT_TRUE(Frame(22, 49, 205)) << "no seventh line over the bottom edge";
}

// ---- map ----------------------------------------------------------------------

TEST_F(RenderTest, SeenTilesAreBrightAndRememberedTilesDim) {
    theMap->TileAt(28, 12)->explored = true; // floor out of view
    theMap->TileAt(31, 12)->explored = true; // the room's wall, out of view
    UpdateView();
    Render();
    EXPECT_TRUE(MapCell(14, 15, '.', White));
    EXPECT_TRUE(MapCell(9, 15, '#', Blue)) << "a visible wall";
    EXPECT_TRUE(MapCell(28, 12, '.', DarkGray));
    EXPECT_TRUE(MapCell(31, 12, '#', LightGray));
    EXPECT_TRUE(AreaIs(mapPanel, 8 * 29, 8 * 19, 8, 8, Black)) << "never seen";
    EXPECT_TRUE(MapCell(15, 15, '@', LightGreen));
    EXPECT_TRUE(theMap->TileAt(14, 15)->explored) << "seen tiles become explored";

    // Walk away: what was seen stays, dimmed.
    player->x = 28;
    UpdateView();
    Render();
    EXPECT_TRUE(MapCell(14, 15, '.', DarkGray));
    EXPECT_TRUE(MapCell(9, 15, '#', LightGray));
    EXPECT_TRUE(MapCell(28, 15, '@', LightGreen));
}

TEST_F(RenderTest, ItemsAndStairsStayOnExploredTilesWhileGuardsVanish) {
    KREntity* guard = vlotest::AddGuard(17, 15);
    vlotest::AddStairs(12, 18);
    vlotest::AddItem(19, 18, "First Aid Kit");
    for (bool inView : {true, false}) {
        if (!inView) {
            player->x = 28;
            player->y = 11;
        }
        UpdateView();
        Render();
        for (const SDL_Point& cell : {SDL_Point{17, 15}, SDL_Point{12, 18}, SDL_Point{19, 18}}) {
            ASSERT_EQ(theMap->IsVisible(cell.x, cell.y), inView) << "set-up";
        }
        EXPECT_TRUE(inView ? MapCell(17, 15, 'g', LightBlue) : MapCell(17, 15, '.', DarkGray))
            << guard->name << " is drawn only in view";
        EXPECT_TRUE(MapCell(12, 18, '<', White)) << "in view: " << inView;
        EXPECT_TRUE(MapCell(19, 18, '!', Magenta)) << "in view: " << inView;
    }
}

TEST_F(RenderTest, LaterEntityOfOneCellIsDrawnOnTopAndBothAreNamed) {
    vlotest::AddItem(18, 13, "Riot Shield");
    vlotest::AddItem(18, 13, "Taser");
    vlotest::AddItem(16, 15, "Pepper Spray"); // listed after the player
    player->x = 16;
    mousePos = {18 * 8 + 3, 13 * 8 + 5};
    UpdateView();
    Render();
    EXPECT_TRUE(MapCell(18, 13, '\\', DarkGray)) << "the later one covers the earlier";
    EXPECT_TRUE(MapCell(16, 15, '@', LightGreen)) << "the player is drawn over everything";
    EXPECT_TRUE(TextAt(screen, 8, PanelTop + 8, "Riot Shield & Taser ", LightGray));

    mousePos = {16 * 8, 15 * 8 + 7};
    UpdateView();
    Render();
    EXPECT_TRUE(TextAt(screen, 8, PanelTop + 8, "Player & Pepper Spray ", LightGray));
}

TEST_F(RenderTest, NoNamesOverTheStatusPanel) {
    vlotest::OpenArea(18, 30, 18, 39);
    player->x = 18;
    player->y = 35;
    vlotest::AddItem(18, 39, "First Aid Kit");
    mousePos = {18 * 8 + 2, 39 * 8 + 2};
    UpdateView();
    Render();
    ASSERT_TRUE(TextAt(screen, 8, PanelTop + 8, "First Aid Kit", LightGray))
        << "set-up: the item is named from the map";

    for (int y : {PanelTop, PanelTop + 3, 399}) {
        mousePos = {18 * 8 + 2, y};
        UpdateView();
        Render();
        EXPECT_TRUE(AreaIs(panel, 8, 8, 8 * 78, 8, Black)) << "mouse at y " << y;
    }
}

TEST_F(RenderTest, CursorIsARedBlockAtTheMousePosition) {
    mousePos = {101, 57};
    Render();
    EXPECT_TRUE(GlyphAt(screen, 101, 57, 219, Red, std::nullopt));
    mousePos = {300, 350};
    Render();
    EXPECT_TRUE(GlyphAt(screen, 300, 350, 219, Red, std::nullopt)) << "drawn over the panel";
}

TEST_F(RenderTest, InventoryCanvasIsShownCentredOverTheMapOnlyWhileOpen) {
    vlotest::FillSurface(inventoryPanel, Brown);
    const int x = (640 - inventoryPanel->w) / 2;
    const int y = (400 - inventoryPanel->h - 80) / 2;
    Render();
    EXPECT_FALSE(AreaIs(screen, x, y, inventoryPanel->w, inventoryPanel->h, Brown));
    showInventory = true;
    Render();
    showInventory = false;
    EXPECT_TRUE(AreaIs(screen, x, y, inventoryPanel->w, inventoryPanel->h, Brown));
}

// ---- the view, without drawing ------------------------------------------------

TEST_F(RenderTest, ViewAloneLetsGuardsAndTheGunSeeAndExploresWhatIsInView) {
    KREntity* guard = vlotest::AddGuard(17, 15); // two cells right of the player
    UpdateView();
    EXPECT_TRUE(theMap->TileAt(14, 15)->explored && theMap->TileAt(9, 15)->explored);
    EXPECT_FALSE(theMap->TileAt(24, 15)->explored) << "beyond the view radius";
    EXPECT_EQ(ClosestEnemy(5), guard);
    guard->ai->TakeTurn(player, message);
    EXPECT_EQ(guard->x, 16) << "a guard in view closes in";
}

TEST_F(RenderTest, ViewAsksForTheAlertMusicWhileTheMapShowsAGuardAfterAMove) {
    ASSERT_GE(mMusicPatternEntries.size(), 2u);
    const std::string calm = mMusicPatternEntries[0]->patternName;
    KREntity* guard = vlotest::AddGuard(17, 15);
    theMap->TileAt(42, 15)->explored = true; // out of view, remembered
    struct Case {
        int x;
        bool visibleFlag, moved, alert;
        const char* why;
    };
    const Case cases[] = {
        {17, false, true, true, "in view"},
        {17, false, false, false, "the player did nothing: no request"},
        {42, true, true, true, "remembered, as the map draws it"},
        {42, false, true, false, "out of view and not drawn"},
    };
    for (const Case& c : cases) {
        SetNextMusicPattern(calm);
        guard->x = c.x;
        guard->visible = c.visibleFlag;
        playerMovedOrAttacked = c.moved;
        UpdateView();
        EXPECT_EQ(currentMusicPatternName, mMusicPatternEntries[c.alert ? 1 : 0]->patternName)
            << c.why;
    }
}

TEST_F(RenderTest, DrawingChangesNothingOfTheGame) {
    vlotest::AddGuard(25, 15); // out of view until the player steps to 20
    UpdateView();
    const std::string before = currentMusicPatternName;
    player->x = 20; // a move the view has not caught up with
    playerMovedOrAttacked = true;
    Render();
    EXPECT_FALSE(theMap->IsVisible(25, 15)) << "no field of view computed";
    EXPECT_FALSE(theMap->TileAt(27, 15)->explored) << "no tile marked";
    EXPECT_EQ(currentMusicPatternName, before) << "no music asked for";
}

// ---- mouse positions ----------------------------------------------------------

TEST_F(RenderTest, WindowPositionsAreScaledToThePicture) {
    SetFullscreen(false);
    // window size, then a window position and the picture pixel it shows
    const int cases[][6] = {{640, 400, 123, 45, 123, 45},
                            {1280, 800, 640, 400, 320, 200},
                            {1280, 800, 1279, 799, 639, 399}};
    for (const auto& c : cases) {
        SDL_SetWindowSize(window, c[0], c[1]);
        const SDL_Point p = WindowToPicture(c[2], c[3]);
        EXPECT_EQ(std::make_pair(p.x, p.y), std::make_pair(c[4], c[5])) << c[2] << "," << c[3];
    }

    // A window the player sized to another shape: the picture keeps its own,
    // centred between bars, and the mouse is read through that placement.
    SDL_SetWindowSize(window, 1000, 500); // 1.25 across and down, bars of 100
    vlotest::FillSurface(screen, Brown);
    PresentScreen();
    Uint32 shown[3] = {};
    const int columns[3] = {99, 100, 899};
    for (int i = 0; i < 3; ++i) {
        SDL_Rect px = {columns[i], 250, 1, 1};
        ASSERT_EQ(SDL_RenderReadPixels(renderer, &px, SDL_PIXELFORMAT_RGB888, &shown[i], 4), 0);
    }
    EXPECT_EQ(shown[0] & 0xFFFFFF, 0u) << "left bar";
    const Uint32 brown =
        (EGAColors[Brown].r << 16) | (EGAColors[Brown].g << 8) | EGAColors[Brown].b;
    EXPECT_EQ(shown[1] & 0xFFFFFF, brown) << "the picture's first column";
    EXPECT_EQ(shown[2] & 0xFFFFFF, brown) << "the picture's last column";
    const int sized[][4] = {{99, 250, -8, -8}, {100, 0, 0, 0}, {899, 499, 639, 399}};
    for (const auto& c : sized) {
        const SDL_Point p = WindowToPicture(c[0], c[1]);
        EXPECT_EQ(std::make_pair(p.x, p.y), std::make_pair(c[2], c[3])) << c[0] << "," << c[1];
    }
    SDL_SetWindowSize(window, 1280, 800);

    // The main loop stores the scaled position.
    ASSERT_TRUE(vlotest::PushAll({vlotest::MouseMotion(640, 400), vlotest::QuitEvent()}));
    RunGame();
    EXPECT_EQ(mousePos.x, 320);
    EXPECT_EQ(mousePos.y, 200);
}

} // namespace
