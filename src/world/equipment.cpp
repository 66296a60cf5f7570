// The wearer's two slots and the wearable part of an item. The slots point at
// entities in the wearer's inventory and own nothing.
#include "equipment.h"

#include "entity.h"

namespace {

// An empty slot, or a slot item without a wearable part, adds nothing.
const KREquippable* Worn(const KREntity* slotItem) {
    return slotItem != nullptr ? slotItem->equippable : nullptr;
}

// One bonus summed over both hands.
int WornBonus(const KREntity* mainHand, const KREntity* offHand, int KREquippable::*bonus) {
    int sum = 0;
    for (const KREntity* e : {mainHand, offHand}) {
        if (const KREquippable* q = Worn(e)) {
            sum += q->*bonus;
        }
    }
    return sum;
}

} // namespace

KREquipment::KREquipment() : owner(nullptr), mainHand(nullptr), offHand(nullptr) {}

int KREquipment::GetPowerBonus() const {
    return WornBonus(mainHand, offHand, &KREquippable::powerBonus);
}

int KREquipment::GetDefenseBonus() const {
    return WornBonus(mainHand, offHand, &KREquippable::defenseBonus);
}

int KREquipment::GetMaxHPBonus() const {
    return WornBonus(mainHand, offHand, &KREquippable::maxHPBonus);
}

std::multimap<std::string, KREntity*> KREquipment::ToggleEquip(KREntity* item) {
    std::multimap<std::string, KREntity*> changes;
    if (item == nullptr || item->equippable == nullptr) {
        return changes; // nothing wearable
    }
    KREntity** slot = nullptr;
    if (item->equippable->slot == 0) {
        slot = &mainHand;
    } else if (item->equippable->slot == 1) {
        slot = &offHand;
    } else {
        return changes;
    }
    if (*slot == item) {
        *slot = nullptr;
        changes.emplace("Dequipped", item);
        return changes;
    }
    if (*slot != nullptr) {
        changes.emplace("Dequipped", *slot);
    }
    *slot = item;
    changes.emplace("Equipped", item);
    return changes;
}
