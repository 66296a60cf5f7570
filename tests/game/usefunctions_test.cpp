// The four consumable items and the mouse targeting behind two of them, on a
// started shell with a hand-built open floor. Mouse and key events are queued
// before the aiming loop runs, always ending in one that ends it.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <utility>

#include "aiming.h"
#include "basicenemy.h"
#include "confusedenemy.h"
#include "entity.h"
#include "equipment.h"
#include "fighter.h"
#include "game.h"
#include "game_env.h"
#include "item.h"
#include "map.h"
#include "message.h"
#include "scripted_input.h"
#include "shell.h"
#include "test_floor.h"
#include "usefunctions.h"

namespace {

using namespace vlotest;

int Count(const std::string& text, const std::string& what) {
    int n = 0;
    for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) {
        ++n;
    }
    return n;
}

bool Carried(const KREntity* e) {
    return std::find(inventory.begin(), inventory.end(), e) != inventory.end();
}

void Push(SDL_Event e) {
    ASSERT_EQ(SDL_PushEvent(&e), 1);
}

// A click on a pixel of the 640 x 400 picture.
void PushPixelClick(int x, int y, Uint8 button) {
    const SDL_Point at = vlotest::PictureToWindow(x, y);
    Push(vlotest::MouseButton(at.x, at.y, button));
}

// A click in the middle of the map cell at an offset from the player.
void PushClick(int dx, int dy, Uint8 button = SDL_BUTTON_LEFT) {
    PushPixelClick(8 * (player->x + dx) + 4, 8 * (player->y + dy) + 4, button);
}

int Queued(Uint32 type) {
    SDL_PumpEvents();
    return SDL_PeepEvents(nullptr, 0, SDL_PEEKEVENT, type, type);
}

class UseFunctionsTest : public OpenFloorGame {
protected:
    KREntity* Use(KREntity* carried) { return carried->item->Use(message, player, inventory); }
};

// ---- First Aid Kit ------------------------------------------------------------

TEST_F(UseFunctionsTest, FirstAidKitHealsFortyUpToTheMaximumAndIsSpent) {
    player->fighter->hp = 50;
    KREntity* kit = Carry(0, "First Aid Kit");
    EXPECT_EQ(UseFirstAidKit(player), ItemUsed);
    EXPECT_EQ(player->fighter->hp, 90);

    player->fighter->hp = 95;
    Use(kit);
    EXPECT_EQ(player->fighter->hp, 100) << "the heal is capped at the maximum";
    EXPECT_FALSE(Carried(kit)) << "a spent kit leaves the inventory";
    EXPECT_EQ(Count(Transcript(), "YOUR INJURIES ARE STARTING TO FEEL BETTER!"), 2);
}

TEST_F(UseFunctionsTest, FirstAidKitAtFullHealthIsKept) {
    KREntity* kit = Carry(0, "First Aid Kit");
    Use(kit);
    EXPECT_EQ(player->fighter->hp, 100);
    EXPECT_TRUE(Carried(kit));
    EXPECT_EQ(Transcript(), "YOU ARE ALREADY AT FULL HEALTH.");
}

// ---- Tranquilizer Gun and the closest enemy -----------------------------------

TEST_F(UseFunctionsTest, TranquilizerReachesATruncatedDistanceOfFive) {
    KREntity* guard = GuardBeside(5, 3); // 5.83 cells
    KREntity* gun = Carry(1, "Tranquilizer Gun");
    Use(gun);
    EXPECT_FALSE(Carried(gun));
    EXPECT_EQ(guard->fighter, nullptr) << "40 knocks a guard out";
    EXPECT_EQ(guard->name, "Unconscious Guard");
    EXPECT_EQ(Transcript(), "THE GUARD IS UNCONSCIOUS (35 EXPERIENCE POINTS GAINED) GUARD IS "
                            "UNCONSCIOUS! A BALLISTIC SYRINGE STRIKES THE GUARD (40 HIT POINTS)");

    KREntity* elite = GuardBeside(-5, 0, true);
    EXPECT_EQ(UseTranquilizerGun(player), ItemUsed);
    EXPECT_EQ(elite->name, "Unconscious Elite Guard") << "40 knocks an Elite Guard out too";
    EXPECT_EQ(player->fighter->xp, 135);
}

TEST_F(UseFunctionsTest, TranquilizerAtSixCellsFindsNobody) {
    KREntity* guard = GuardBeside(6, 0);
    KREntity* gun = Carry(1, "Tranquilizer Gun");
    Use(gun);
    EXPECT_TRUE(Carried(gun));
    ASSERT_NE(guard->fighter, nullptr);
    EXPECT_EQ(guard->fighter->hp, 20);
    EXPECT_EQ(Transcript(), "NO ENEMY IS CLOSE ENOUGH TO USE TRANQUILIZER GUN.");
}

TEST_F(UseFunctionsTest, ClosestEnemyTieGoesToTheEarlierEntity) {
    KREntity* first = GuardBeside(3, 1); // 3.16 -> 3
    GuardBeside(-3, 0);                  // 3.00 -> 3
    EXPECT_EQ(ClosestEnemy(5), first);
    KREntity* nearer = GuardBeside(0, 2);
    EXPECT_EQ(ClosestEnemy(5), nearer) << "a strictly smaller truncated distance wins";
    EXPECT_EQ(ClosestEnemy(1), nullptr);
}

TEST_F(UseFunctionsTest, ClosestEnemySkipsThePlayerSceneryAndUnseenGuards) {
    EXPECT_EQ(ClosestEnemy(5), nullptr) << "the player at distance 0 is not an enemy";
    auto* body = new KREntity();
    body->Init(player->x + 1, player->y, '%', "Unconscious Guard", LightBlue, theMap, false, false,
               nullptr, nullptr, nullptr, nullptr, nullptr);
    entities.push_back(body);
    KREntity* hidden = GuardBeside(2, 0);
    theMap->visibleTiles[static_cast<std::size_t>(hidden->y * MapWidth + hidden->x)] = false;
    KREntity* seen = GuardBeside(0, -4);
    EXPECT_EQ(ClosestEnemy(5), seen);
}

// ---- Stun Grenade ---------------------------------------------------------------

TEST_F(UseFunctionsTest, StunGrenadeHitsEachGuardInTheBlastOnceNeverThePlayer) {
    // Blast centre two cells right of the player, so the player is inside it.
    KREntity* g1 = GuardBeside(3, 0);           // 1.0 from the centre
    KREntity* g2 = GuardBeside(2, 2);           // 2.0
    KREntity* elite = GuardBeside(2, -3, true); // exactly 3.0
    KREntity* outside = GuardBeside(0, 3);      // 3.6
    KREntity* grenade = Carry(2, "Stun Grenade");
    PushClick(2, 0);
    Use(grenade);

    EXPECT_FALSE(Carried(grenade));
    EXPECT_EQ(player->fighter->hp, 100) << "the thrower is never hit";
    EXPECT_EQ(g1->fighter, nullptr);
    EXPECT_EQ(g2->fighter, nullptr);
    ASSERT_NE(elite->fighter, nullptr);
    EXPECT_EQ(elite->fighter->hp, 5) << "hit exactly once";
    ASSERT_NE(outside->fighter, nullptr);
    EXPECT_EQ(outside->fighter->hp, 20);
    EXPECT_EQ(player->fighter->xp, 70);

    const std::string log = Transcript();
    EXPECT_EQ(Count(log, "GETS BLINDED (25 HIT POINTS)"), 3) << log;
    const std::string firstThree = "THE ELITE GUARD GETS BLINDED (25 HIT POINTS) "
                                   "THE STUN GRENADE EXPLODES, BLINDING EVERYTHING WITHIN 3 TILES! "
                                   "LEFT-CLICK A TARGET TILE FOR THE STUN GRENADE, OR RIGHT-CLICK "
                                   "TO CANCEL.";
    EXPECT_EQ(log.rfind(firstThree), log.size() - firstThree.size())
        << "the blast goes from the back of the list: " << log;
    EXPECT_EQ(entities.front()->name.rfind("Unconscious Guard", 0), 0u);
}

TEST_F(UseFunctionsTest, StunGrenadeCancelledByRightClickOrEscapeIsKept) {
    KREntity* guard = GuardBeside(1, 0);
    KREntity* grenade = Carry(2, "Stun Grenade");
    PushClick(1, 0, SDL_BUTTON_RIGHT);
    Use(grenade);
    Push(vlotest::KeyDown(SDL_SCANCODE_ESCAPE));
    Use(grenade);
    EXPECT_TRUE(Carried(grenade));
    EXPECT_EQ(guard->fighter->hp, 20);
    EXPECT_EQ(Count(Transcript(), "LEFT-CLICK A TARGET TILE FOR THE STUN GRENADE"), 2)
        << "the prompt stays in the log";
    EXPECT_EQ(Count(Transcript(), "EXPLODES"), 0);
}

// ---- Pepper Spray ------------------------------------------------------------------

TEST_F(UseFunctionsTest, PepperSprayIgnoresAnEmptyTileThenConfusesTheGuard) {
    KREntity* guard = GuardBeside(3, 0);
    KRBasicEnemy* before = guard->ai;
    KREntity* spray = Carry(3, "Pepper Spray");
    PushClick(1, 1);
    PushClick(3, 0);
    Use(spray);

    EXPECT_FALSE(Carried(spray));
    auto* confused = dynamic_cast<KRConfusedEnemy*>(guard->ai);
    ASSERT_NE(confused, nullptr);
    EXPECT_EQ(confused->numTurns, 10);
    EXPECT_EQ(confused->previousAI, before) << "the old behaviour is kept for later";
    EXPECT_EQ(confused->owner, guard);
    EXPECT_EQ(Transcript(), "THE EYES OF THE GUARD ARE CLOSED, AND HE STARTS TO WANDER "
                            "AIMLESSLY! LEFT-CLICK TO DISORIENT AND BLIND AN ENEMY, OR RIGHT-CLICK "
                            "TO CANCEL.");
}

TEST_F(UseFunctionsTest, PepperSprayRightClickAfterAnEmptyTileKeepsTheItem) {
    KREntity* guard = GuardBeside(3, 0);
    KRBasicEnemy* before = guard->ai;
    KREntity* spray = Carry(3, "Pepper Spray");
    PushClick(1, 1);
    PushClick(0, 0); // the player's own cell: no guard there either
    PushClick(1, 1, SDL_BUTTON_RIGHT);
    Use(spray);
    EXPECT_TRUE(Carried(spray));
    EXPECT_EQ(guard->ai, before);
}

// ---- The aiming loop ---------------------------------------------------------------

TEST_F(UseFunctionsTest, TargetTileIgnoresClicksOffTheView) {
    // In the corner the wall cell (0, 0) is in view: a pixel just left of and
    // above the picture must not fold into it.
    theMap->TileAt(player->x, player->y)->blocked = false;
    player->x = 2;
    player->y = 2;
    theMap->ComputeFOV(player);
    ASSERT_TRUE(theMap->IsVisible(0, 0));
    ASSERT_FALSE(theMap->IsVisible(22, 2)) << "beyond the view radius";
    PushClick(20, 0);
    PushPixelClick(100, 360, SDL_BUTTON_LEFT);           // the status panel
    Push(vlotest::MouseButton(-3, -3, SDL_BUTTON_LEFT)); // a raw window pixel
    PushPixelClick(700, 100, SDL_BUTTON_LEFT);           // right of the picture
    PushClick(1, 2);
    EXPECT_EQ(TargetTile(3), std::make_pair(3, 4));
    EXPECT_EQ(mousePos.x, 8 * 3 + 4);
    EXPECT_EQ(mousePos.y, 8 * 4 + 4);
}

TEST_F(UseFunctionsTest, TargetTileAcceptsAnyVisibleTileWhateverTheRange) {
    ASSERT_TRUE(theMap->IsVisible(PlayerX + 7, PlayerY));
    PushClick(7, 0);
    EXPECT_EQ(TargetTile(3), std::make_pair(PlayerX + 7, PlayerY));
}

TEST_F(UseFunctionsTest, TargetTileSwallowsKeysAndCancelsOnEscape) {
    Push(vlotest::KeyDown(SDL_SCANCODE_UP));
    Push(vlotest::KeyDown(SDL_SCANCODE_SPACE));
    const SDL_Point to = vlotest::PictureToWindow(123, 45);
    Push(vlotest::MouseMotion(to.x, to.y));
    Push(vlotest::KeyDown(SDL_SCANCODE_ESCAPE));
    EXPECT_EQ(TargetTile(8), std::make_pair(-1, -1));
    EXPECT_EQ(mousePos.x, 123) << "the cursor follows the mouse, in picture pixels";
    EXPECT_EQ(mousePos.y, 45);
    EXPECT_EQ(Queued(SDL_KEYDOWN), 0) << "keys typed while aiming are not replayed as commands";
    EXPECT_EQ(player->x, PlayerX);
    EXPECT_FALSE(gameOver) << "Escape only cancels the aim";
}

TEST_F(UseFunctionsTest, TargetTileWindowCloseCancelsAndEndsTheGame) {
    GuardBeside(2, 0);
    Push(vlotest::QuitEvent());
    PushClick(2, 0); // would select, but the close comes first
    EXPECT_EQ(TargetEnemy(8), nullptr);
    EXPECT_TRUE(gameOver);
}

TEST_F(UseFunctionsTest, WindowCloseWhileAimingEndsTheRunningGameUnsaved) {
    GuardBeside(3, 0);
    KREntity* spray = Carry(3, "Pepper Spray");
    // The inventory box lists the inventory from its back: find the letter.
    int letter = 0;
    for (auto it = inventory.rbegin(); *it != spray; ++it) {
        ++letter;
    }
    vlotest::ScriptedInput input;
    input.Key(SDL_SCANCODE_I)
        .Key(static_cast<SDL_Scancode>(SDL_SCANCODE_A + letter))
        .Pause(200)
        .Quit();
    ASSERT_TRUE(input.Run(RunGame)) << input.Failures();
    EXPECT_EQ(gameState, GameStateNoGame);
    EXPECT_TRUE(Carried(spray)) << "the cancelled aim keeps the spray";
    EXPECT_FALSE(std::filesystem::exists("game.sav")) << "a close never saves";
}

} // namespace
