// Hand-made floors for the in-process tests: a map of solid wall with open
// cells where a test wants them, or a new game's floor made one open room,
// and the player, guards and items put in place through the globals.
// Everything made here is owned by the globals, so QuitGame releases it.
#pragma once

#include <list>
#include <string>

#include "basicenemy.h"
#include "catalogue.h"
#include "death.h"
#include "entity.h"
#include "equipment.h"
#include "factory.h"
#include "fighter.h"
#include "floors.h"
#include "game.h"
#include "game_env.h"
#include "item.h"
#include "map.h"
#include "message.h"
#include "rules.h"
#include "tile.h"

namespace vlotest {

// theMap becomes floor 1 made of unexplored opaque wall.
inline void MakeSolidMap() {
    delete theMap;
    theMap = new KRMap();
    for (KRTile* t : theMap->tiles) {
        delete t;
    }
    theMap->tiles.clear();
    for (int i = 0; i < MapWidth * MapHeight; ++i) {
        auto* t = new KRTile();
        t->Init(true, false);
        theMap->tiles.push_back(t);
    }
    theMap->visibleTiles.assign(MapWidth * MapHeight, false);
    theMap->currentFloor = 1;
}

// Opens the cells x1..x2, y1..y2 (inclusive) as floor.
inline void OpenArea(int x1, int y1, int x2, int y2) {
    for (int y = y1; y <= y2; ++y) {
        for (int x = x1; x <= x2; ++x) {
            theMap->TileAt(x, y)->Init(false, false);
        }
    }
}

inline void CloseCell(int x, int y) {
    theMap->TileAt(x, y)->Init(true, false);
}

// The player with `hp` of `maxHP`, defense 1, power 2, level 1, an empty
// equipment, first in `entities`. The game is marked running.
inline KREntity* PlacePlayer(int x, int y, int hp = 30, int maxHP = 30) {
    auto* f = new KRFighter();
    f->Init(maxHP, 1, 2, 1, 0, PlayerDeath, nullptr);
    player = new KREntity();
    player->Init(x, y, '@', "Player", LightGreen, theMap, true, true, f, nullptr, nullptr,
                 new KREquipment(), nullptr);
    player->fighter->hp = hp;
    entities.push_back(player);
    FillFunctionTables();
    gameState = GameStatePlaying;
    gameOver = false;
    playerAction = TurnSpent;
    playerMovedOrAttacked = false;
    return player;
}

// A guard that occupies its cell; `ai` null gives the normal behaviour.
inline KREntity* AddGuard(int x, int y, KRBasicEnemy* ai = nullptr,
                          const std::string& name = "Guard") {
    KREntity* g = NewGuard(GuardKind, x, y, theMap, EnemyDeath);
    g->name = name;
    if (ai != nullptr) {
        delete g->ai;
        ai->owner = g;
        g->ai = ai;
    }
    theMap->TileAt(x, y)->blocked = true;
    entities.push_back(g);
    return g;
}

// A carriable thing of the named catalogue kind, without a use function,
// appended to `list`.
inline KREntity* AddItem(int x, int y, const std::string& name,
                         std::list<KREntity*>& list = entities) {
    list.push_back(NewItem(ItemKindNamed(name), x, y, theMap, {}));
    return list.back();
}

// A wearable of the named catalogue kind carried in the inventory.
inline KREntity* AddWearable(const std::string& name) {
    return AddItem(0, 0, name, inventory);
}

inline KREntity* AddStairs(int x, int y, unsigned char glyph = '<',
                           const std::string& name = "Stairs") {
    auto* e = new KREntity();
    e->Init(x, y, glyph, name, name == "Exit" ? Red : White, theMap, false, true, nullptr, nullptr,
            nullptr, nullptr, nullptr);
    entities.push_back(e);
    return e;
}

// A carried consumable using entry `index` of the use-function table.
inline KREntity* Carry(int index, const std::string& name) {
    auto* item = new KRItem();
    item->Init(useFuncVec[static_cast<std::size_t>(index)], nullptr);
    auto* e = new KREntity();
    e->Init(0, 0, '!', name, Magenta, theMap, false, true, nullptr, nullptr, item, nullptr,
            nullptr);
    inventory.push_front(e);
    return e;
}

// A behaviour that only counts its turns.
class CountingEnemy : public KRBasicEnemy {
public:
    explicit CountingEnemy(int* counter) : turns(counter) {}
    void TakeTurn(KREntity* /*target*/, KRMessage* /*log*/) override { ++*turns; }

private:
    int* turns;
};

constexpr int PlayerX = 40;
constexpr int PlayerY = 20;

// The log as the panel lists it, top line first (newest message first, each
// message in reading order), joined by single spaces.
inline std::string Transcript() {
    std::string all;
    for (auto it = message->messages.begin(); it != message->messages.end(); ++it) {
        all += (all.empty() ? "" : " ") + *it;
    }
    return all;
}

// A started shell with a new game.
class NewGameEnv : public GameEnv {
protected:
    void SetUp() override {
        GameEnv::SetUp();
        if (!HasFatalFailure()) {
            ASSERT_TRUE(NewGame());
        }
    }
};

// A new game whose floor is one open room over the whole grid, only the
// player on it, at (40, 20), with an empty log and event queue.
class OpenFloorGame : public NewGameEnv {
protected:
    void SetUp() override {
        NewGameEnv::SetUp();
        if (HasFatalFailure()) {
            return;
        }
        for (KREntity* e : entities) {
            if (e != player) {
                delete e;
            }
        }
        entities.assign(1, player);
        for (int y = 0; y < MapHeight; ++y) {
            for (int x = 0; x < MapWidth; ++x) {
                const bool border = x == 0 || y == 0 || x == MapWidth - 1 || y == MapHeight - 1;
                theMap->TileAt(x, y)->Init(border, false);
            }
        }
        player->x = PlayerX;
        player->y = PlayerY;
        theMap->TileAt(PlayerX, PlayerY)->blocked = true;
        theMap->ComputeFOV(player);
        message->messages.clear();
        SDL_PumpEvents();
        SDL_FlushEvents(SDL_FIRSTEVENT, SDL_LASTEVENT);
    }
};

// A guard as the spawn tables make it, beside the player.
inline KREntity* GuardBeside(int dx, int dy, bool elite = false) {
    KREntity* e = NewGuard(elite ? EliteGuardKind : GuardKind, player->x + dx, player->y + dy,
                           theMap, funcVec[0]);
    theMap->TileAt(e->x, e->y)->blocked = true;
    entities.push_back(e);
    return e;
}

// Solid wall but for a room with interior 10..30 x 10..20, the player at
// (15, 15) with `hp` of 30 hit points, and an empty log.
inline void MakeRoom(int hp = 30) {
    MakeSolidMap();
    OpenArea(10, 10, 30, 20);
    PlacePlayer(15, 15, hp, 30);
    message->messages.clear();
}

class RoomGame : public GameEnv {
protected:
    void SetUpRoom(int hp = 30) {
        GameEnv::SetUp();
        if (!HasFatalFailure()) {
            MakeRoom(hp);
        }
    }
    void SetUp() override { SetUpRoom(); }
};

} // namespace vlotest
