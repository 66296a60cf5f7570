// Shared set-up for the world tests: a hand-built open map with the player on
// it, guards and items made from the catalogue, and a death function that only
// records the call (what a knock-out does to a guard is the game's rule, tested
// against the real one in the game tests).
#pragma once

#include <gtest/gtest.h>

#include <list>
#include <string>
#include <vector>

#include "catalogue.h"
#include "entity.h"
#include "equipment.h"
#include "factory.h"
#include "fighter.h"
#include "item.h"
#include "map.h"
#include "message.h"
#include "rules.h"

namespace vlotest {

// Solid rock, then one hall: floor on columns 1..78, rows 1..38.
inline void BuildOpenMap(KRMap& map) {
    for (int i = 0; i < MapWidth * MapHeight; ++i) {
        map.tiles.push_back(new KRTile());
        map.tiles.back()->Init(true, false);
    }
    KRRect all;
    all.Init(0, 0, MapWidth - 1, MapHeight - 1);
    map.CreateRoom(all);
    map.visibleTiles.assign(MapWidth * MapHeight, false);
}

// Counts its calls and releases the components as every death function
// must, so the sanitizers see any use of the fighter after the call.
inline int deathCount = 0;
inline void RecordDeath(KREntity* e) {
    ++deathCount;
    e->RemoveComponents();
}

// The generator's function tables: nothing it makes is used in the world
// tests, and knock-outs are only recorded.
inline KRItemActions NoUse(KREntity* /*user*/) {
    return ItemCancelled;
}
inline std::vector<void (*)(KREntity*)> deathTable{RecordDeath};
inline std::vector<KRItemActions (*)(KREntity*)> useTable(4, NoUse);

inline void DeleteAll(std::list<KREntity*>& list) {
    for (KREntity* e : list) {
        delete e;
    }
    list.clear();
}

// The open map with the player (100 hit points, defense 1, power 2, empty
// equipment) marked at (px, py); everything on `floor` is freed at tear-down.
class WorldFloor : public ::testing::Test {
protected:
    KRMap map;
    KRMessage log;
    std::list<KREntity*> floor;
    KREntity* player = nullptr;

    void Start(int px, int py) {
        BuildOpenMap(map);
        deathCount = 0;
        auto* f = new KRFighter();
        f->Init(100, 1, 2, 1, 0, nullptr, nullptr);
        player = new KREntity();
        player->Init(px, py, '@', "Player", LightGreen, &map, true, false, f, nullptr, nullptr,
                     new KREquipment(), nullptr);
        map.TileAt(px, py)->blocked = true;
        floor.push_back(player);
    }
    void TearDown() override { DeleteAll(floor); }

    // A guard of `kind` beside the player, marked on the map, knocked out by
    // RecordDeath.
    KREntity* Guard(int dx, int dy, const EnemyKind& kind = GuardKind) {
        KREntity* g = NewGuard(kind, player->x + dx, player->y + dy, &map, RecordDeath);
        map.TileAt(g->x, g->y)->blocked = true;
        floor.push_back(g);
        return g;
    }
};

} // namespace vlotest
