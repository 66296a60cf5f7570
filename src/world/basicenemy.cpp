// A guard's normal behaviour. Reads the map's field of view to know whether
// the player can see the guard; no SDL, no globals.
#include "basicenemy.h"

#include "entity.h"
#include "fighter.h"
#include "map.h"

KRBasicEnemy::KRBasicEnemy() : owner(nullptr) {}

KRBasicEnemy::~KRBasicEnemy() = default;

void KRBasicEnemy::TakeTurn(KREntity* target, KRMessage* log) {
    KREntity* const self = owner;
    if (self == nullptr || target == nullptr || self->map == nullptr) {
        return;
    }
    const KRMap* const map = self->map;
    // Sight is symmetric here: a guard acts only while the player sees it.
    if (!KRMap::InBounds(self->x, self->y) ||
        map->visibleTiles.size() != static_cast<size_t>(MapWidth * MapHeight) ||
        !map->IsVisible(self->x, self->y)) {
        return;
    }
    if (self->DistanceTo(target) >= 2.0f) {
        self->MoveTorwards(target);
    } else if (self->fighter != nullptr && target->fighter != nullptr && target->fighter->hp > 0) {
        // Last statement: the attack may end the player's game.
        self->fighter->Attack(target, log);
    }
}
