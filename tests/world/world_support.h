// Shared set-up for the world tests: a hand-built open map, a knock-out
// function doing what the game's own does, and entity factories.
#pragma once

#include <list>
#include <string>

#include "basicenemy.h"
#include "entity.h"
#include "equipment.h"
#include "fighter.h"
#include "item.h"
#include "map.h"
#include "message.h"
#include "rules.h"

namespace worldtest {

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

inline std::list<KREntity*>* deathList = nullptr; // the knocked-out go to its front
inline KRMessage* deathLog = nullptr;
inline int deathCount = 0;

inline void KnockOut(KREntity* e) {
    ++deathCount;
    deathLog->SetMessage(e->name + " is unconscious!", false);
    e->appearance = '%';
    e->blocks = false;
    e->map->TileAt(e->x, e->y)->blocked = false;
    e->RemoveComponents(); // deletes the fighter whose TakeDamage called us
    e->name = "Unconscious " + e->name;
    e->SendToBack(*deathList);
}

// A blocking fighter standing, marked, on the map.
inline KREntity* MakeFighter(KRMap& map, const std::string& name, int x, int y, int hp, int def,
                             int pow, void (*death)(KREntity*), bool withAI) {
    auto* f = new KRFighter();
    f->Init(hp, def, pow, 1, 35, death, nullptr);
    auto* e = new KREntity();
    e->Init(x, y, 'g', name, LightBlue, &map, true, false, f, withAI ? new KRBasicEnemy() : nullptr,
            nullptr, nullptr, nullptr);
    map.TileAt(x, y)->blocked = true;
    return e;
}

inline KREntity* MakeWearable(const std::string& name, int slot, int power, int defense) {
    auto* q = new KREquippable();
    q->slot = slot;
    q->powerBonus = power;
    q->defenseBonus = defense;
    auto* e = new KREntity();
    e->Init(0, 0, '[', name, LightGray, nullptr, false, true, nullptr, nullptr, nullptr, nullptr, q);
    return e;
}

inline void DeleteAll(std::list<KREntity*>& list) {
    for (KREntity* e : list) {
        delete e;
    }
    list.clear();
}

} // namespace worldtest
