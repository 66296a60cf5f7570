// What the four consumable items do. Each use function reports ItemUsed
// (spent) or ItemCancelled (kept); removing a spent item is KRItem::Use's
// business, not ours.
#include "usefunctions.h"

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "aiming.h"
#include "confusedenemy.h"
#include "entity.h"
#include "fighter.h"
#include "game.h"
#include "map.h"
#include "message.h"
#include "rules.h"

namespace {

const std::pair<int, int> NoTile(-1, -1);

// A guard the player can see: a fighter other than the player on a tile of
// the field of view.
bool IsVisibleFoe(const KREntity* e) {
    return e != player && e->fighter != nullptr && KRMap::InBounds(e->x, e->y) &&
           theMap->IsVisible(e->x, e->y);
}

} // namespace

KREntity* ClosestEnemy(int maxRange) {
    KREntity* closest = nullptr;
    // Distances are compared truncated to whole cells; starting the bound one
    // above the range admits exactly the truncated distances up to it, and the
    // strict comparison lets the earlier entity win a tie.
    int best = maxRange + 1;
    for (entityIterator = entities.begin(); entityIterator != entities.end(); ++entityIterator) {
        KREntity* e = *entityIterator;
        if (!IsVisibleFoe(e)) {
            continue;
        }
        const int distance = static_cast<int>(player->DistanceTo(e));
        if (distance < best) {
            best = distance;
            closest = e;
        }
    }
    return closest;
}

KRItemActions UseFirstAidKit(KREntity* user) {
    if (user == nullptr || user->fighter == nullptr) {
        return ItemCancelled;
    }
    KRFighter* f = user->fighter;
    if (f->hp >= f->GetMaxHP(false)) {
        PostTo(message, "You are already at full health.");
        return ItemCancelled;
    }
    PostTo(message, "Your injuries are starting to feel better!");
    f->Heal(FirstAidHeal);
    return ItemUsed;
}

KRItemActions UseTranquilizerGun(KREntity* /*user*/) {
    KREntity* target = ClosestEnemy(TranquilizerRange);
    if (target == nullptr) {
        PostTo(message, "No enemy is close enough to use tranquilizer gun.");
        return ItemCancelled;
    }
    // Posted first: the dose knocks out either kind of guard, and the
    // knock-out renames the body.
    PostTo(message, "A ballistic syringe strikes the " + target->name + " (" +
                        std::to_string(TranquilizerDamage) + " hit points)");
    target->fighter->TakeDamage(TranquilizerDamage);
    return ItemUsed;
}

KRItemActions UseStunGrenade(KREntity* /*user*/) {
    PostTo(message, "Left-click a target tile for the stun grenade, or right-click to cancel.");
    const std::pair<int, int> cell = TargetTile(GrenadeRadius);
    if (cell == NoTile) {
        return ItemCancelled;
    }
    PostTo(message, "The stun grenade explodes, blinding everything within " +
                        std::to_string(GrenadeRadius) + " tiles!");
    // Everyone in the blast is chosen before anyone is hit: a knock-out moves
    // the body to the front of the list, which would make a walk of the live
    // list skip or repeat guards. The walk goes from the back to the front.
    std::vector<KREntity*> caught;
    for (auto it = entities.rbegin(); it != entities.rend(); ++it) {
        KREntity* e = *it;
        if (e != player && e->fighter != nullptr &&
            e->Distance(cell.first, cell.second) <= static_cast<float>(GrenadeRadius) &&
            std::find(caught.begin(), caught.end(), e) == caught.end()) {
            caught.push_back(e);
        }
    }
    for (KREntity* e : caught) {
        // Knock-outs release only the fighter of the guard concerned, so
        // every caught guard still has its own; checked all the same.
        if (e->fighter == nullptr) {
            continue;
        }
        PostTo(message, "The " + e->name + " gets blinded (" + std::to_string(GrenadeDamage) +
                            " hit points)");
        e->fighter->TakeDamage(GrenadeDamage);
    }
    return ItemUsed;
}

KRItemActions UsePepperSpray(KREntity* /*user*/) {
    PostTo(message, "Left-click to disorient and blind an enemy, or right-click to cancel.");
    KREntity* target = TargetEnemy(PepperSprayRange);
    if (target == nullptr) {
        return ItemCancelled;
    }
    // The current behaviour is wrapped, not replaced: it comes back when the
    // confusion wears off, one layer per spraying.
    auto* confused = new KRConfusedEnemy();
    confused->Init(target->ai, ConfusedTurns);
    confused->owner = target;
    target->ai = confused;
    PostTo(message,
           "The eyes of the " + target->name + " are closed, and he starts to wander aimlessly!");
    return ItemUsed;
}
