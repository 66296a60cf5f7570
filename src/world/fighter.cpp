// Hit points and combat. Depends on the entity, its equipment and the log;
// the death functions are supplied from outside (funcVec, the player's own).
//
// Combat has no randomness: damage = attacker's base power - (target's base
// defense + the target's equipment defense bonus). The attacker's equipment
// power bonus shows in the displays but does not hit harder. At or below zero
// damage the attack posts a "no effect" line and changes nothing.
#include "fighter.h"

#include <algorithm>
#include <string>

#include "entity.h"
#include "equipment.h"
#include "message.h"

KRFighter::KRFighter()
    : hp(0), maxHP(0), defense(0), power(0), level(0), xp(0), owner(nullptr),
      deathFunction(nullptr) {}

void KRFighter::Init(int maxHP_, int defense_, int power_, int level_, int xp_,
                     void (*deathFunction_)(KREntity*), KREntity* owner_) {
    hp = maxHP_;
    maxHP = maxHP_;
    defense = defense_;
    power = power_;
    level = level_;
    xp = xp_;
    deathFunction = deathFunction_;
    owner = owner_;
}

namespace {

// A stat with the owner's equipment bonus, or its base value alone.
int WithBonus(int base, bool baseOnly, const KREntity* owner, int (KREquipment::*bonus)() const) {
    if (baseOnly || owner == nullptr || owner->equipment == nullptr) {
        return base;
    }
    return base + (owner->equipment->*bonus)();
}

} // namespace

int KRFighter::GetMaxHP(bool baseOnly) const {
    return WithBonus(maxHP, baseOnly, owner, &KREquipment::GetMaxHPBonus);
}

int KRFighter::GetDefense(bool baseOnly) const {
    return WithBonus(defense, baseOnly, owner, &KREquipment::GetDefenseBonus);
}

int KRFighter::GetPower(bool baseOnly) const {
    return WithBonus(power, baseOnly, owner, &KREquipment::GetPowerBonus);
}

void KRFighter::SetHP(int value, bool absolute) {
    hp = absolute ? value : hp + value;
}

void KRFighter::SetMaxHP(int value, bool absolute) {
    maxHP = absolute ? value : maxHP + value;
}

void KRFighter::SetDefense(int value, bool absolute) {
    defense = absolute ? value : defense + value;
}

void KRFighter::SetPower(int value, bool absolute) {
    power = absolute ? value : power + value;
}

void KRFighter::SetLevel(int value, bool absolute) {
    level = absolute ? value : level + value;
}

void KRFighter::SetXP(int value, bool absolute) {
    xp = absolute ? value : xp + value;
}

void KRFighter::Attack(KREntity* target, KRMessage* log) {
    if (target == nullptr || target->fighter == nullptr) {
        return; // scenery cannot be fought
    }
    const std::string attacker = owner != nullptr ? owner->name : std::string();
    const int damage = power - target->fighter->GetDefense(false);
    if (damage > 0) {
        if (log != nullptr) {
            log->SetMessage(attacker + " attacks " + target->name + " (" + std::to_string(damage) +
                                " hit points)",
                            false);
        }
        // Last statement on purpose: the target's death function may release
        // the target's fighter (and post its own lines after ours).
        target->fighter->TakeDamage(damage);
    } else if (log != nullptr) {
        log->SetMessage(attacker + " attacks " + target->name + " but it has no effect!", false);
    }
}

void KRFighter::TakeDamage(int amount) {
    if (amount <= 0) {
        return;
    }
    // Wide arithmetic: a huge hit on a low fighter must not wrap around.
    const long long rest = static_cast<long long>(hp) - amount;
    if (rest > 0) {
        hp = static_cast<int>(rest);
        return;
    }
    hp = 0;
    // The death function usually deletes this fighter (a knocked-out guard
    // loses its components), so copy what it needs and touch nothing after.
    void (*const onDeath)(KREntity*) = deathFunction;
    KREntity* const who = owner;
    if (onDeath != nullptr) {
        onDeath(who);
    }
}

void KRFighter::Heal(int amount) {
    // The base maximum is the cap: equipment bonuses never raise it.
    hp = std::min(hp + amount, maxHP);
}
