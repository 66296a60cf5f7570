// Every object on a floor: player, guards, items, stairs, bodies. Owns its
// components. No SDL here.
#pragma once

#include <list>
#include <string>

#include "colors.h"

class KRMap;
class KRFighter;
class KRBasicEnemy;
class KRItem;
class KREquipment;
class KREquippable;

class KREntity {
public:
    bool blocks;
    bool visible;
    int x;
    int y;
    int order;
    unsigned char appearance;
    std::string name;
    KRColors color;
    KRMap* map;
    KRFighter* fighter;
    KRBasicEnemy* ai;
    KRItem* item;
    KREquipment* equipment;
    KREquippable* equippable;

    KREntity();
    // Releases every component it still owns.
    ~KREntity();
    KREntity(const KREntity&) = delete;
    KREntity& operator=(const KREntity&) = delete;

    // Takes ownership of every non-null component and points its owner here.
    // An equippable without an item gets an item with no use function, so
    // everything wearable can be carried.
    void Init(int x, int y, unsigned char appearance, const std::string& name, KRColors color,
              KRMap* map, bool blocks, bool visible, KRFighter* fighter, KRBasicEnemy* ai,
              KRItem* item, KREquipment* equipment, KREquippable* equippable);

    // Steps unless the destination tile is blocked; keeps the occupancy marks.
    void Move(int dx, int dy);
    // One step toward the target, each axis truncated toward zero: only a
    // target in the same row or column produces a step.
    void MoveTorwards(KREntity* target);
    float Distance(int x, int y) const;
    float DistanceTo(const KREntity* other) const;
    // Releases fighter, ai and item (a knocked-out guard becomes scenery).
    void RemoveComponents();
    // Leaves exactly one occurrence of this entity, at the front of the list.
    // Iterators to this entity stay valid (the node is moved, not recreated).
    void SendToBack(std::list<KREntity*>& list);
    void SetEquipment(KREquipment* equipment);
    void SetEquippable(KREquippable* equippable);
};
