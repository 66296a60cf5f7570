// The player's commands as the main loop runs them: one frame of RunGame is
// driven by queuing its input followed by a window close, so the frame's key
// handling, the guards' turns and the leaving rules are all the real ones.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "commands.h"
#include "entity.h"
#include "equipment.h"
#include "fighter.h"
#include "game.h"
#include "game_env.h"
#include "glyph_probe.h"
#include "message.h"
#include "onscreen.h"
#include "scripted_input.h"
#include "shell.h"
#include "test_floor.h"

namespace {

using vlotest::KeyDown;

// The player at (15, 15) in an open room, and one far guard that counts its
// turns.
class CommandsTest : public vlotest::RoomGame {
protected:
    int turns = 0;
    KREntity* guard = nullptr;

    void SetUp() override {
        RoomGame::SetUp();
        if (!HasFatalFailure()) {
            guard = vlotest::AddGuard(28, 18, new vlotest::CountingEnemy(&turns));
        }
    }

    // Plays exactly one frame of a game in `state` with `events` (a window
    // close follows them unless `close` is false, for input that ends the
    // game by itself).
    void Frame(std::vector<SDL_Event> events, bool close = true, int state = GameStatePlaying) {
        if (close) {
            events.push_back(vlotest::QuitEvent());
        }
        gameState = state;
        gameOver = false;
        playerAction = TurnSpent;
        ASSERT_TRUE(vlotest::PushAll(std::move(events)));
        vlotest::ScriptedInput guardRail;
        ASSERT_TRUE(guardRail.Run([] { RunGame(); })) << guardRail.Failures();
        EXPECT_EQ(gameState, GameStateNoGame) << "leaving the loop ends the game";
    }
    static KRKeyBinding& Binding(KRActionTypes action) {
        return FindBinding(keyboard, action)->second;
    }
    static std::pair<int, int> Cell() { return {player->x, player->y}; }
    static bool SaveExists() { return std::filesystem::exists("game.sav"); }
};

TEST_F(CommandsTest, AHeldKeyActsOnceAndPendingFlagsLiveOneFrame) {
    Frame({KeyDown(SDL_SCANCODE_UP, true)});
    EXPECT_EQ(player->y, 15) << "an auto-repeat event is ignored";

    Binding(ActionMoveAttackUp).pending = true;
    Frame({});
    EXPECT_EQ(player->y, 15) << "flags are cleared when a frame starts";
    Frame({KeyDown(SDL_SCANCODE_UP), KeyDown(SDL_SCANCODE_UP)});
    EXPECT_EQ(player->y, 14) << "one step per action per frame";
    EXPECT_EQ(turns, 1);
    Frame({KeyDown(SDL_SCANCODE_UP)});
    EXPECT_EQ(player->y, 13);
    EXPECT_EQ(turns, 2);
    EXPECT_FALSE(Binding(ActionMoveAttackUp).pending);
}

TEST_F(CommandsTest, UpAndLeftInOneFrameMoveInActionOrderAndGuardsActOnce) {
    vlotest::CloseCell(14, 15); // left first would bump into this wall
    Frame({KeyDown(SDL_SCANCODE_LEFT), KeyDown(SDL_SCANCODE_UP)});
    EXPECT_EQ(Cell(), std::make_pair(14, 14));
    EXPECT_EQ(turns, 1);
}

TEST_F(CommandsTest, AKeyBoundToTwoActionsTriggersTheLowerOne) {
    Binding(ActionMoveAttackLeft).scancode = SDL_SCANCODE_W;
    Binding(ActionMoveAttackRight).scancode = SDL_SCANCODE_W;
    Frame({KeyDown(SDL_SCANCODE_W)});
    EXPECT_EQ(Cell(), std::make_pair(14, 15));
}

TEST_F(CommandsTest, TakeAndUseOnAnEmptyTileCostNoTurnAndSayNothing) {
    Frame({KeyDown(SDL_SCANCODE_G), KeyDown(SDL_SCANCODE_SPACE)});
    EXPECT_EQ(turns, 0);
    EXPECT_TRUE(message->messages.empty());
    EXPECT_TRUE(inventory.empty());
    EXPECT_EQ(Cell(), std::make_pair(15, 15));
}

TEST_F(CommandsTest, TakePicksUpTheFirstItemOfTheTileWithoutATurn) {
    KREntity* first = vlotest::AddItem(15, 15, "First Aid Kit");
    KREntity* second = vlotest::AddItem(15, 15, "Stun Grenade");
    Frame({KeyDown(SDL_SCANCODE_G)});
    ASSERT_EQ(inventory.size(), 1u);
    EXPECT_EQ(inventory.front(), first);
    EXPECT_NE(std::find(entities.begin(), entities.end(), second), entities.end());
    EXPECT_EQ(turns, 0);
}

TEST_F(CommandsTest, WalkingIntoAWallStillCountsAsAMove) {
    vlotest::CloseCell(15, 14);
    MarkKeyPending(SDL_SCANCODE_UP);
    HandleKeys();
    EXPECT_TRUE(playerMovedOrAttacked);
    EXPECT_EQ(playerAction, TurnSpent) << "the turn is spent";
    EXPECT_EQ(player->y, 15);
    Frame({KeyDown(SDL_SCANCODE_UP)});
    EXPECT_EQ(player->y, 15);
    EXPECT_EQ(turns, 1) << "the guards act after a bump into a wall";
}

TEST_F(CommandsTest, BumpingIntoAGuardAttacksInsteadOfMoving) {
    KREntity* near = vlotest::AddGuard(16, 15, new vlotest::CountingEnemy(&turns));
    Frame({KeyDown(SDL_SCANCODE_RIGHT)});
    EXPECT_EQ(player->x, 15);
    ASSERT_NE(near->fighter, nullptr);
    EXPECT_LT(near->fighter->hp, 20);
    EXPECT_FALSE(message->messages.empty()) << "the attack is reported";
    EXPECT_EQ(turns, 2) << "both guards take their turn";
}

TEST_F(CommandsTest, AfterDeathNoCommandRunsAndEscapeStillSaves) {
    Frame({KeyDown(SDL_SCANCODE_UP), KeyDown(SDL_SCANCODE_G)}, true, GameStatePlayerDead);
    EXPECT_EQ(player->y, 15);
    EXPECT_EQ(turns, 0) << "no guard acts against a defeated player";
    EXPECT_FALSE(SaveExists());

    Frame({KeyDown(SDL_SCANCODE_ESCAPE)}, false, GameStatePlayerDead);
    EXPECT_TRUE(SaveExists());
}

TEST_F(CommandsTest, EscapeSavesAndLeavesBeforeTheFramesCommands) {
    Frame({KeyDown(SDL_SCANCODE_ESCAPE), KeyDown(SDL_SCANCODE_UP)}, false);
    EXPECT_TRUE(SaveExists());
    EXPECT_EQ(player->y, 15);
    EXPECT_EQ(turns, 0);
}

// The page's on-screen buttons press the keys the actions are bound to now,
// so a rebinding holds for them; Back saves and leaves as Escape does.
TEST_F(CommandsTest, OnScreenButtonsPressTheCurrentBindings) {
    Binding(ActionMoveAttackRight).scancode = SDL_SCANCODE_D;
    ASSERT_TRUE(VloPressButton(ActionMoveAttackRight));
    Frame({});
    EXPECT_EQ(Cell(), std::make_pair(16, 15));
    EXPECT_EQ(turns, 1);

    EXPECT_FALSE(VloPressButton(-1));
    EXPECT_FALSE(VloPressButton(ButtonBack + 1));
    EXPECT_EQ(SDL_PeepEvents(nullptr, 0, SDL_PEEKEVENT, SDL_KEYDOWN, SDL_KEYUP), 0);
    ASSERT_TRUE(VloPressButton(ButtonBack));
    Frame({}, false);
    EXPECT_TRUE(SaveExists());
    EXPECT_EQ(Cell(), std::make_pair(16, 15));
}

TEST_F(CommandsTest, ClosingTheWindowEndsTheGameWithoutSaving) {
    Frame({});
    EXPECT_FALSE(SaveExists());
    EXPECT_TRUE(gameOver);
}

TEST_F(CommandsTest, F2TogglesRelativeMouseModeInAGame) {
    const SDL_bool before = SDL_GetRelativeMouseMode();
    Frame({KeyDown(SDL_SCANCODE_F2)});
    EXPECT_NE(SDL_GetRelativeMouseMode(), before);
}

TEST_F(CommandsTest, CharacterInformationShowsEquippedStatsAndCostsNoTurn) {
    KREntity* baton = vlotest::AddWearable("Baton");
    player->equipment->mainHand = baton;
    vlotest::ScriptedInput script;
    script.Key(SDL_SCANCODE_C)
        .Expect("the five lines",
                [] {
                    for (const char* line : {"Experience: 0", "Experience to level up: 350",
                                             "Defense: 1", "Attack: 4", "Maximum HP: 30"}) {
                        if (!vlotest::FindText(screen, line, White)) {
                            return false;
                        }
                    }
                    return vlotest::FindText(screen, " Character Information ", Black, White)
                        .has_value();
                })
        .Key(SDL_SCANCODE_X)
        .Quit();
    EXPECT_TRUE(script.Run([] { RunGame(); })) << script.Failures();
    EXPECT_EQ(turns, 0);
}

TEST_F(CommandsTest, UsingAWearableFromTheInventoryEquipsAndReportsIt) {
    KREntity* baton = vlotest::AddWearable("Baton");
    vlotest::ScriptedInput script;
    script.Key(SDL_SCANCODE_I)
        .Expect("the inventory box",
                [] { return vlotest::FindText(screen, "(A) BATON", White).has_value(); })
        .Key(SDL_SCANCODE_A)
        .Quit();
    EXPECT_TRUE(script.Run([] { RunGame(); })) << script.Failures();
    EXPECT_EQ(player->equipment->mainHand, baton);
    ASSERT_FALSE(message->messages.empty());
    EXPECT_EQ(message->messages.front(), "YOU EQUIPPED THE BATON");
    EXPECT_FALSE(showInventory);
    EXPECT_EQ(turns, 0);
}

} // namespace
