// A new game and the floor changes, on a started shell with generated floors:
// the starting state, the rest on every step onward, the way back, what the
// player keeps, and the exit on the last floor.
#include <gtest/gtest.h>

#include <list>
#include <string>
#include <tuple>
#include <vector>

#include "commands.h"
#include "death.h"
#include "entity.h"
#include "equipment.h"
#include "fighter.h"
#include "floors.h"
#include "game.h"
#include "item.h"
#include "map.h"
#include "message.h"
#include "scripted_input.h"
#include "test_floor.h"
#include "usefunctions.h"

namespace {

using vlotest::Transcript;

std::vector<KREntity*> Named(const std::string& name) {
    std::vector<KREntity*> found;
    for (KREntity* e : entities) {
        if (e->name == name) {
            found.push_back(e);
        }
    }
    return found;
}

KREntity* Stairs(unsigned char glyph) {
    for (KREntity* e : Named("Stairs")) {
        if (e->appearance == glyph) {
            return e;
        }
    }
    return nullptr;
}

bool Under(const KREntity* e) {
    return e != nullptr && e->x == player->x && e->y == player->y;
}

std::string FloorLine(int shown) {
    return "YOU ARE NOW ON FLOOR #" + std::to_string(shown) + " OF THE PRISON COMPLEX.";
}

using FloorsTest = vlotest::NewGameEnv;

// ---- A new game ------------------------------------------------------------------

TEST_F(FloorsTest, NewGameStartsOnFloorTenWithThePlayerAndTheBaton) {
    EXPECT_EQ(gameState, GameStatePlaying);
    EXPECT_EQ(playerAction, TurnSpent);
    EXPECT_FALSE(gameOver);
    EXPECT_EQ(theMap->currentFloor, 1);
    EXPECT_EQ(Transcript(), "YOUR OBJECTIVE IS TO ESCAPE THE PRISON COMPLEX!");

    ASSERT_NE(player, nullptr);
    EXPECT_EQ(Named("Player"), std::vector<KREntity*>{player});
    EXPECT_EQ(player->appearance, '@');
    EXPECT_EQ(player->color, LightGreen);
    EXPECT_TRUE(player->blocks);
    EXPECT_TRUE(player->visible);
    EXPECT_EQ(player->map, theMap);
    const KRFighter* f = player->fighter;
    ASSERT_NE(f, nullptr);
    // hit points, maximum, defense, power, level, experience
    EXPECT_EQ(std::make_tuple(f->hp, f->maxHP, f->defense, f->power, f->level, f->xp),
              std::make_tuple(100, 100, 1, 2, 1, 0));
    EXPECT_EQ(f->deathFunction, PlayerDeath);
    EXPECT_EQ(f->GetPower(false), 4) << "2 + the Baton's 2";

    ASSERT_EQ(inventory.size(), 1u);
    const KREntity* baton = inventory.front();
    EXPECT_EQ(baton->name, "Baton");
    EXPECT_EQ(baton->appearance, '-');
    EXPECT_EQ(baton->color, Cyan);
    ASSERT_NE(baton->equippable, nullptr);
    EXPECT_EQ(baton->equippable->slot, 0);
    EXPECT_EQ(baton->equippable->powerBonus, 2);
    ASSERT_NE(player->equipment, nullptr);
    EXPECT_EQ(player->equipment->mainHand, baton);
    EXPECT_EQ(player->equipment->offHand, nullptr);

    ASSERT_EQ(funcVec.size(), 1u);
    EXPECT_EQ(funcVec[0], EnemyDeath);
    const std::vector<KRItemActions (*)(KREntity*)> uses = {UseFirstAidKit, UseTranquilizerGun,
                                                            UseStunGrenade, UsePepperSpray};
    EXPECT_EQ(useFuncVec, uses);

    const std::vector<KREntity*> body = Named("Unconscious Guard");
    ASSERT_EQ(body.size(), 1u);
    EXPECT_TRUE(Under(body[0])) << "the player starts on the guard it knocked out";
    EXPECT_NE(Stairs('<'), nullptr);
    EXPECT_EQ(Stairs('>'), nullptr) << "no way back from the first floor";
}

TEST_F(FloorsTest, NewGameReplacesAPlayedGame) {
    NextFloor();
    NextFloor();
    player->fighter->hp = 7;
    player->fighter->xp = 300;
    inventory.push_front(new KREntity());
    option.assign({"left", "over"});
    inventoryMessages.assign({"stale"});
    gameState = GameStatePlayerDead;
    gameOver = true;
    playerAction = GameWon;

    ASSERT_TRUE(NewGame());
    EXPECT_EQ(theMap->currentFloor, 1);
    EXPECT_EQ(gameState, GameStatePlaying);
    EXPECT_EQ(playerAction, TurnSpent);
    EXPECT_FALSE(gameOver);
    EXPECT_EQ(player->fighter->hp, 100);
    EXPECT_EQ(player->fighter->xp, 0);
    EXPECT_EQ(inventory.size(), 1u);
    EXPECT_TRUE(option.empty());
    EXPECT_TRUE(inventoryMessages.empty());
    EXPECT_EQ(Transcript(), "YOUR OBJECTIVE IS TO ESCAPE THE PRISON COMPLEX!");
    EXPECT_EQ(funcVec.size(), 1u) << "the tables are refilled, not appended to";
    EXPECT_EQ(useFuncVec.size(), 4u);
}

// ---- Onward and back ----------------------------------------------------------------

TEST_F(FloorsTest, NextFloorRestsUpToTheMaximumAndCountsDown) {
    auto* marker = new KREntity();
    marker->Init(1, 1, '*', "Marker", White, theMap, false, true, nullptr, nullptr, nullptr,
                 nullptr, nullptr);
    entities.push_back(marker);
    player->fighter->hp = 30;
    message->messages.clear();

    NextFloor();
    EXPECT_EQ(player->fighter->hp, 80);
    EXPECT_EQ(Transcript(), FloorLine(9) + " YOU PAUSE TO RECHARGE AND REGAIN YOUR ENERGY.");
    EXPECT_EQ(theMap->currentFloor, 2);
    EXPECT_EQ(Named("Player"), std::vector<KREntity*>{player}) << "listed once";
    EXPECT_TRUE(Named("Marker").empty()) << "what lay on the old floor is gone";
    EXPECT_TRUE(Named("Unconscious Guard").empty());
    EXPECT_TRUE(Under(Stairs('>'))) << "arrives on the way back";
    EXPECT_NE(Stairs('<'), nullptr);

    player->fighter->hp = 90;
    NextFloor();
    EXPECT_EQ(player->fighter->hp, 100) << "the rest is capped at the maximum";
}

TEST_F(FloorsTest, PreviousFloorLandsOnTheOnwardStairsWithoutRest) {
    NextFloor();
    NextFloor();
    player->fighter->hp = 50;
    message->messages.clear();

    PreviousFloor();
    EXPECT_EQ(theMap->currentFloor, 2);
    EXPECT_EQ(player->fighter->hp, 50);
    EXPECT_EQ(Transcript(), FloorLine(9));
    KREntity* onward = Stairs('<');
    EXPECT_TRUE(Under(onward));
    EXPECT_NE(Stairs('>'), nullptr);

    // Using them again leads onward.
    FindBinding(keyboard, ActionUse)->second.pending = true;
    HandleKeys();
    EXPECT_EQ(theMap->currentFloor, 3);
    EXPECT_EQ(playerAction, NoTurn) << "stairs cost no turn";
}

TEST_F(FloorsTest, CarriedAndWornItemsSurviveFloorChanges) {
    KREntity* kit = vlotest::Carry(0, "First Aid Kit");
    const std::list<KREntity*> carried = inventory;
    KREntity* baton = inventory.back();

    NextFloor();
    NextFloor();
    PreviousFloor();
    NextFloor();
    EXPECT_EQ(inventory, carried);
    EXPECT_EQ(player->equipment->mainHand, baton);
    EXPECT_EQ(player->fighter->GetPower(false), 4);
    EXPECT_EQ(kit->item->useFunction, UseFirstAidKit);
    for (const KREntity* e : entities) {
        EXPECT_NE(e, kit) << "carried things are not on the floor";
    }
}

TEST_F(FloorsTest, TheLastFloorIsShownAsOneAndHasTheExit) {
    for (int floor = 2; floor <= 10; ++floor) {
        message->messages.clear();
        NextFloor();
        ASSERT_EQ(theMap->currentFloor, floor);
        EXPECT_NE(Transcript().find(FloorLine(11 - floor)), std::string::npos) << Transcript();
    }
    const std::vector<KREntity*> exits = Named("Exit");
    ASSERT_EQ(exits.size(), 1u);
    EXPECT_EQ(exits[0]->appearance, '<');
    EXPECT_EQ(exits[0]->color, Red);
    EXPECT_EQ(Stairs('<'), nullptr) << "the exit replaces the onward stairs";
    EXPECT_TRUE(Under(Stairs('>')));
}

TEST_F(FloorsTest, UsingTheExitWinsWithTheCongratulationBox) {
    while (theMap->currentFloor < 10) {
        NextFloor();
    }
    const KREntity* exit = Named("Exit").at(0);
    player->x = exit->x;
    player->y = exit->y;
    SDL_PumpEvents();
    SDL_FlushEvents(SDL_FIRSTEVENT, SDL_LASTEVENT);
    SDL_Event key = vlotest::KeyDown(SDL_SCANCODE_RETURN);
    ASSERT_EQ(SDL_PushEvent(&key), 1); // dismisses the box

    FindBinding(keyboard, ActionUse)->second.pending = true;
    HandleKeys();
    EXPECT_EQ(playerAction, GameWon);
    EXPECT_EQ(option,
              std::list<std::string>{"You made it out of the prison complex. Congratulations!"});
    EXPECT_EQ(SDL_PeepEvents(nullptr, 0, SDL_PEEKEVENT, SDL_KEYDOWN, SDL_KEYDOWN), 0)
        << "the box waited for the key";
}

} // namespace
