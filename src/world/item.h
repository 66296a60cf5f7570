// What makes an entity carriable and usable.
#pragma once

#include <list>

class KREntity;
class KRMessage;

enum KRItemActions { ItemUsed, ItemCancelled };

class KRItem {
public:
    KREntity* owner;
    KRItemActions (*useFunction)(KREntity*);

    KRItem();
    void Init(KRItemActions (*useFunction)(KREntity*), KREntity* owner);

    // Floor -> front of the inventory (at most 26 carried).
    void PickUp(KRMessage* log, std::list<KREntity*>& entities, std::list<KREntity*>& inventory);
    // Returns the entity when the caller must toggle it as equipment; a spent
    // item is removed from the inventory and deleted with its entity, so the
    // caller must not touch the item afterwards.
    KREntity* Use(KRMessage* log, KREntity* user, std::list<KREntity*>& inventory);
    // Inventory -> front of the floor list, at the dropper's cell; a worn
    // item is taken off first.
    void Drop(KRMessage* log, std::list<KREntity*>& entities, std::list<KREntity*>& inventory,
              KREntity* dropper);
};
