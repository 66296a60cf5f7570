// A whole game in-process, from a new game to the exit: the player is put on
// the stairs of every generated floor through the globals and takes them with
// the Use binding, fights a guard and picks up and uses a first aid kit on the
// way, and leaves through the exit on the last floor.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>

#include "basicenemy.h"
#include "commands.h"
#include "entity.h"
#include "factory.h"
#include "fighter.h"
#include "floors.h"
#include "game.h"
#include "game_env.h"
#include "item.h"
#include "map.h"
#include "message.h"
#include "render.h"
#include "scripted_input.h"
#include "shell.h"

namespace {

KREntity* FindOnward() {
    for (KREntity* e : entities) {
        if ((e->name == "Stairs" && e->appearance == '<') || e->name == "Exit") {
            return e;
        }
    }
    return nullptr;
}

KREntity* FighterAt(int x, int y) {
    for (KREntity* e : entities) {
        if (e != player && e->fighter != nullptr && e->x == x && e->y == y) {
            return e;
        }
    }
    return nullptr;
}

// Puts the player on a cell as a step there would: the occupancy mark moves.
void PlacePlayer(int x, int y) {
    theMap->TileAt(player->x, player->y)->blocked = false;
    player->x = x;
    player->y = y;
    theMap->TileAt(x, y)->blocked = true;
}

void Press(KRActionTypes action) {
    FindBinding(keyboard, action)->second.pending = true;
    HandleKeys();
}

// A guard next to the player: one already standing there, or a new one on a
// free floor cell beside it. Returns the direction to bump in.
SDL_Point GuardBeside() {
    const SDL_Point dirs[] = {{1, 0}, {-1, 0}, {0, 1}, {0, -1}};
    for (const SDL_Point d : dirs) {
        if (FighterAt(player->x + d.x, player->y + d.y) != nullptr) {
            return d;
        }
    }
    for (const SDL_Point d : dirs) {
        const int x = player->x + d.x;
        const int y = player->y + d.y;
        if (!theMap->TileAt(x, y)->blocked) {
            KREntity* guard = NewGuard(GuardKind, x, y, theMap, funcVec[0]);
            theMap->TileAt(x, y)->blocked = true;
            entities.push_back(guard);
            return d;
        }
    }
    ADD_FAILURE() << "no free cell beside the player";
    return {0, 0};
}

class PlayThroughTest : public vlotest::GameEnv {};

TEST_F(PlayThroughTest, FromANewGameThroughAllFloorsToTheExit) {
    ASSERT_TRUE(NewGame());
    Render();

    // A fight on the first floor: bump the guard until it is knocked out,
    // letting it hit back after every bump as the main loop would.
    const SDL_Point d = GuardBeside();
    KREntity* guard = FighterAt(player->x + d.x, player->y + d.y);
    ASSERT_NE(guard, nullptr);
    int bumps = 0;
    while (guard->fighter != nullptr && bumps < 30) {
        PlayerMoveOrAttack(d.x, d.y);
        ++bumps;
        theMap->ComputeFOV(player);
        if (guard->ai != nullptr) {
            guard->ai->TakeTurn(player, message);
        }
        Render();
    }
    ASSERT_EQ(guard->fighter, nullptr) << "knocked out after " << bumps << " bumps";
    EXPECT_EQ(guard->name.rfind("Unconscious ", 0), 0u);
    EXPECT_GT(player->fighter->xp, 0);
    ASSERT_GT(player->fighter->hp, 0);
    const int wounded = player->fighter->hp;
    EXPECT_LT(wounded, 100) << "the guard hit back";

    // A first aid kit found on the way is taken and used.
    auto* kitItem = new KRItem();
    kitItem->Init(useFuncVec[0], nullptr);
    auto* kit = new KREntity();
    kit->Init(player->x, player->y, '!', "First Aid Kit", Magenta, theMap, false, true, nullptr,
              nullptr, kitItem, nullptr, nullptr);
    entities.push_front(kit);
    Press(ActionTake);
    ASSERT_EQ(inventory.front(), kit);
    kit->item->Use(message, player, inventory);
    EXPECT_EQ(player->fighter->hp, std::min(100, wounded + 40));
    EXPECT_EQ(inventory.size(), 1u) << "only the Baton is left";

    // Down the stairs floor by floor.
    for (int floor = 1; floor < 10; ++floor) {
        ASSERT_EQ(theMap->currentFloor, floor);
        KREntity* onward = FindOnward();
        ASSERT_NE(onward, nullptr);
        ASSERT_EQ(onward->name, "Stairs");
        PlacePlayer(onward->x, onward->y);
        Press(ActionUse);
        EXPECT_EQ(playerAction, NoTurn) << "stairs cost no turn";
        ASSERT_EQ(theMap->currentFloor, floor + 1);
        Render();
        EXPECT_NE(message->messages.front().find(std::to_string(10 - floor) + " OF THE PRISON"),
                  std::string::npos)
            << message->messages.front();
    }

    // The exit on the last floor ends the game won.
    KREntity* exit = FindOnward();
    ASSERT_NE(exit, nullptr);
    ASSERT_EQ(exit->name, "Exit");
    PlacePlayer(exit->x, exit->y);
    SDL_PumpEvents();
    SDL_FlushEvents(SDL_FIRSTEVENT, SDL_LASTEVENT);
    SDL_Event key = vlotest::KeyDown(SDL_SCANCODE_SPACE);
    ASSERT_EQ(SDL_PushEvent(&key), 1); // dismisses " THE END "
    Press(ActionUse);
    EXPECT_EQ(playerAction, GameWon);
    std::string shown;
    for (const std::string& line : inventoryMessages) {
        shown += (shown.empty() ? "" : " ") + line;
    }
    EXPECT_EQ(shown, "You made it out of the prison complex. Congratulations!")
        << "the box's lines";
    EXPECT_EQ(inventory.size(), 1u);
    EXPECT_EQ(gameState, GameStatePlaying);
}

TEST_F(PlayThroughTest, LeavingThroughTheExitInTheMainLoopEndsWithoutSaving) {
    ASSERT_TRUE(NewGame());
    while (theMap->currentFloor < 10) {
        NextFloor();
    }
    KREntity* exit = FindOnward();
    ASSERT_NE(exit, nullptr);
    PlacePlayer(exit->x, exit->y);

    vlotest::ScriptedInput input;
    input.Key(FindBinding(keyboard, ActionUse)->second.scancode).Key(SDL_SCANCODE_RETURN);
    ASSERT_TRUE(input.Run(RunGame)) << input.Failures();
    EXPECT_EQ(playerAction, GameWon);
    EXPECT_TRUE(gameOver);
    EXPECT_EQ(gameState, GameStateNoGame);
    EXPECT_FALSE(std::filesystem::exists("game.sav")) << "a won game is not saved";
}

} // namespace
