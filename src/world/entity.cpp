// Every object on a floor and the components it owns. Depends on the tile
// grid for occupancy, never on SDL, the log or the game's globals.
#include "entity.h"

#include <cmath>
#include <iterator>

#include "basicenemy.h"
#include "equipment.h"
#include "fighter.h"
#include "item.h"
#include "map.h"

namespace {

// Attaching a different component releases the one it replaces, so calling
// Init or a setter twice never leaks.
template <typename T> void Replace(T*& slot, T* next) {
    if (slot != next) {
        delete slot;
        slot = next;
    }
}

} // namespace

KREntity::KREntity()
    : blocks(false), visible(false), x(0), y(0), order(0), appearance(' '), color(Black),
      map(nullptr), fighter(nullptr), ai(nullptr), item(nullptr), equipment(nullptr),
      equippable(nullptr) {}

KREntity::~KREntity() {
    RemoveComponents();
    delete equipment;
    delete equippable;
}

void KREntity::Init(int x_, int y_, unsigned char appearance_, const std::string& name_,
                    KRColors color_, KRMap* map_, bool blocks_, bool visible_, KRFighter* fighter_,
                    KRBasicEnemy* ai_, KRItem* item_, KREquipment* equipment_,
                    KREquippable* equippable_) {
    x = x_;
    y = y_;
    appearance = appearance_;
    name = name_;
    color = color_;
    map = map_;
    blocks = blocks_;
    visible = visible_;

    Replace(fighter, fighter_);
    if (fighter != nullptr) {
        fighter->owner = this;
    }
    Replace(ai, ai_);
    if (ai != nullptr) {
        ai->owner = this;
    }
    Replace(item, item_);
    if (item != nullptr) {
        item->owner = this;
    }
    SetEquipment(equipment_);
    SetEquippable(equippable_);
}

void KREntity::Move(int dx, int dy) {
    // Only an entity on a map walks; the outer ring of every floor is wall, so
    // the grid test only matters for hand-built maps.
    if (map == nullptr || map->tiles.size() != static_cast<size_t>(MapWidth * MapHeight)) {
        return;
    }
    const int nx = x + dx;
    const int ny = y + dy;
    if (!KRMap::InBounds(nx, ny) || map->TileAt(nx, ny)->blocked) {
        return;
    }
    if (KRMap::InBounds(x, y)) {
        map->TileAt(x, y)->blocked = false;
    }
    x = nx;
    y = ny;
    map->TileAt(x, y)->blocked = true;
}

void KREntity::MoveTorwards(KREntity* target) {
    const float dx = static_cast<float>(target->x - x);
    const float dy = static_cast<float>(target->y - y);
    const float d = sqrtf(dx * dx + dy * dy);
    if (d == 0.0f) {
        return; // already there: no direction to step in
    }
    // Truncation toward zero, not rounding: anything off-axis gives (0, 0).
    Move(static_cast<int>(dx / d), static_cast<int>(dy / d));
}

float KREntity::Distance(int x_, int y_) const {
    const float dx = static_cast<float>(x_ - x);
    const float dy = static_cast<float>(y_ - y);
    return sqrtf(dx * dx + dy * dy);
}

float KREntity::DistanceTo(const KREntity* other) const {
    return Distance(other->x, other->y);
}

void KREntity::RemoveComponents() {
    delete fighter;
    fighter = nullptr;
    delete ai; // virtual: a confused behaviour takes its wrapped ones along
    ai = nullptr;
    delete item;
    item = nullptr;
}

void KREntity::SendToBack(std::list<KREntity*>& list) {
    // The first occurrence's node is moved rather than re-created, so a walker
    // holding an iterator to it stays valid; any later duplicates go.
    auto first = list.begin();
    while (first != list.end() && *first != this) {
        ++first;
    }
    if (first == list.end()) {
        list.push_front(this);
        return;
    }
    auto it = std::next(first);
    while (it != list.end()) {
        if (*it == this) {
            it = list.erase(it);
        } else {
            ++it;
        }
    }
    list.splice(list.begin(), list, first);
}

void KREntity::SetEquipment(KREquipment* equipment_) {
    Replace(equipment, equipment_);
    if (equipment != nullptr) {
        equipment->owner = this;
    }
}

void KREntity::SetEquippable(KREquippable* equippable_) {
    Replace(equippable, equippable_);
    if (equippable == nullptr) {
        return;
    }
    equippable->owner = this;
    if (item == nullptr) {
        // Everything wearable must be carriable: an item with no use function.
        item = new KRItem();
        item->Init(nullptr, this);
    }
}
