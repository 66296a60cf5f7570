// Guards and items built from their kinds in rules.h, the one way the
// floors, the new game and the tests make them. No SDL, no globals.
#pragma once

#include <vector>

#include "item.h"
#include "rules.h"

class KREntity;
class KRMap;

// A new guard of `kind` at (x, y) with the plain behaviour, knocked out by
// `death`. Its cell is not marked: the caller decides about occupancy.
KREntity* NewGuard(const EnemyKind& kind, int x, int y, KRMap* map, void (*death)(KREntity*));

// A new carriable thing of `kind` at (x, y): a wearable, or an item whose use
// function is useFunctions[kind.useIndex] (none when the table is shorter).
KREntity* NewItem(const ItemKind& kind, int x, int y, KRMap* map,
                  const std::vector<KRItemActions (*)(KREntity*)>& useFunctions);
