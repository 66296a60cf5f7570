// Wearing things: KREquipment is the wearer's two slots, KREquippable the
// wearable part of an item. Slots point into the wearer's inventory and own
// nothing.
#pragma once

#include <map>
#include <string>

class KREntity;

class KREquippable {
public:
    KREntity* owner = nullptr;
    int slot = 0; // 0 main hand, 1 off hand
    int powerBonus = 0;
    int defenseBonus = 0;
    int maxHPBonus = 0;
};

class KREquipment {
public:
    KREntity* owner;
    KREntity* mainHand;
    KREntity* offHand;

    KREquipment();
    int GetPowerBonus() const;
    int GetDefenseBonus() const;
    int GetMaxHPBonus() const;
    // Changes keyed "Equipped" / "Dequipped"; the multimap's order puts
    // "Dequipped" first.
    std::multimap<std::string, KREntity*> ToggleEquip(KREntity* item);
};
