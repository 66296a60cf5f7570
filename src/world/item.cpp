// Carrying, using and dropping items. Moves entities between the floor list
// and the inventory (ownership moves with them); the item effects themselves
// come from outside as use functions.
#include "item.h"

#include <string>

#include "entity.h"
#include "equipment.h"
#include "message.h"
#include "rules.h"

namespace {

// A slot must never point at an entity that leaves the inventory.
void TakeOff(KREntity* wearer, const KREntity* thing) {
    if (wearer == nullptr || wearer->equipment == nullptr) {
        return;
    }
    if (wearer->equipment->mainHand == thing) {
        wearer->equipment->mainHand = nullptr;
    }
    if (wearer->equipment->offHand == thing) {
        wearer->equipment->offHand = nullptr;
    }
}

} // namespace

KRItem::KRItem() : owner(nullptr), useFunction(nullptr) {}

void KRItem::Init(KRItemActions (*useFunction_)(KREntity*), KREntity* owner_) {
    useFunction = useFunction_;
    owner = owner_;
}

void KRItem::PickUp(KRMessage* log, std::list<KREntity*>& entities,
                    std::list<KREntity*>& inventory) {
    KREntity* const self = owner;
    if (inventory.size() >= InventoryLimit) {
        PostTo(log, "Your inventory is full, can't pick up " + self->name + ".");
        return;
    }
    inventory.push_front(self);
    entities.remove(self);
    PostTo(log, "You picked up a " + self->name + "!");
}

KREntity* KRItem::Use(KRMessage* log, KREntity* user, std::list<KREntity*>& inventory) {
    KREntity* const self = owner;
    if (useFunction == nullptr) {
        if (self->equippable != nullptr) {
            return self; // the caller toggles it on the user's equipment
        }
        PostTo(log, "The " + self->name + " can't be used!");
        return nullptr;
    }
    if (useFunction(user) == ItemCancelled) {
        return nullptr;
    }
    // Spent. Deleting the entity deletes this item too, so only locals are
    // used from here on. It is deleted only when the inventory owned it: a
    // thing used from anywhere else still belongs to its list.
    const std::size_t before = inventory.size();
    inventory.remove(self);
    if (inventory.size() != before) {
        TakeOff(user, self);
        delete self;
    }
    return nullptr;
}

void KRItem::Drop(KRMessage* log, std::list<KREntity*>& entities, std::list<KREntity*>& inventory,
                  KREntity* dropper) {
    KREntity* const self = owner;
    // Taken off silently. Clearing the slot that holds it (rather than
    // toggling by the item's slot number) cannot put it on by mistake.
    TakeOff(dropper, self);
    entities.push_front(self);
    inventory.remove(self);
    self->x = dropper->x;
    self->y = dropper->y;
    self->map = dropper->map;
    PostTo(log, "You dropped a " + self->name + ".");
}
