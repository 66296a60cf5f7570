// The current game and its floors: a fresh game, the step onward and the step
// back, and releasing the world. Works on the globals of the main module and
// the world classes only; nothing here draws or reads input.
#include "floors.h"

#include <string>

#include "death.h"
#include "entity.h"
#include "equipment.h"
#include "factory.h"
#include "fighter.h"
#include "game.h"
#include "map.h"
#include "message.h"
#include "rules.h"
#include "usefunctions.h"

namespace {

void PostFloorNumber() {
    PostTo(message, "You are now on floor #" +
                        std::to_string(ShownFloorNumber(theMap->currentFloor)) +
                        " of the prison complex.");
}

// The floor being left is discarded: everything on it goes except the player,
// who is unlinked and becomes the only element again. The player's carried
// things live in `inventory` and are not touched.
void ClearFloorKeepingPlayer() {
    for (KREntity* e : entities) {
        if (e != player) {
            delete e;
        }
    }
    entities.clear();
    entityIterator = entities.end();
    if (player != nullptr) {
        entities.push_back(player);
    }
}

} // namespace

void DestroyEntities() {
    for (KREntity* e : entities) {
        delete e;
    }
    entities.clear();
    for (KREntity* e : inventory) {
        delete e;
    }
    inventory.clear();
    // Both cursors would otherwise point into freed nodes.
    entityIterator = entities.end();
    inventoryIterator = inventory.end();
    player = nullptr;
}

void FillFunctionTables() {
    // The spawn tables pick these by index and saved games re-attach them by
    // item name, so the order is fixed.
    funcVec.clear();
    funcVec.push_back(EnemyDeath);
    useFuncVec.clear();
    useFuncVec.push_back(UseFirstAidKit);
    useFuncVec.push_back(UseTranquilizerGun);
    useFuncVec.push_back(UseStunGrenade);
    useFuncVec.push_back(UsePepperSpray);
}

bool NewGame() {
    DestroyEntities();
    option.clear();
    inventoryMessages.clear();
    funcVec.clear();
    useFuncVec.clear();

    player = new KREntity();
    playerMovedOrAttacked = false;

    // One map per game; the previous game's map (if any) goes with it.
    delete theMap;
    theMap = new KRMap();

    auto* fighter = new KRFighter();
    fighter->Init(PlayerStart.hp, PlayerStart.defense, PlayerStart.power, PlayerStart.level,
                  PlayerStart.xp, PlayerDeath, nullptr);
    player->Init(0, 0, '@', "Player", LightGreen, theMap, true, true, fighter, nullptr, nullptr,
                 new KREquipment(), nullptr);
    entities.push_back(player);

    KREntity* baton = NewItem(BatonKind, 0, 0, theMap, useFuncVec);
    inventory.push_front(baton);
    player->equipment->ToggleEquip(baton);

    FillFunctionTables();
    theMap->CreateMap(theMap->currentFloor, player, entities, funcVec, useFuncVec, true);

    gameState = GameStatePlaying;
    playerAction = TurnSpent;
    if (message != nullptr) {
        message->messages.clear();
    }
    PostTo(message, "Your objective is to escape the prison complex!");
    gameOver = false;
    return true;
}

void NextFloor() {
    // Every step onward is a rest, capped at the base maximum by Heal.
    PostTo(message, "You pause to recharge and regain your energy.");
    player->fighter->Heal(player->fighter->GetMaxHP(false) / RestDivisor);
    theMap->currentFloor += 1;
    PostFloorNumber();
    ClearFloorKeepingPlayer();
    theMap->CreateMap(theMap->currentFloor, player, entities, funcVec, useFuncVec, true);
}

void PreviousFloor() {
    // Floor 1 has no way back, so the counter never drops below 1. Going back
    // gives no rest; the floor is generated anew like any other.
    theMap->currentFloor -= 1;
    PostFloorNumber();
    ClearFloorKeepingPlayer();
    theMap->CreateMap(theMap->currentFloor, player, entities, funcVec, useFuncVec, false);
}
