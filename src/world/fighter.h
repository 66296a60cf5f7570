// Hit points and combat for the player and the guards. Combat formula:
// damage = attacker's base power - (target's base defense + its equipment
// defense bonus); no randomness, nothing below zero.
#pragma once

class KREntity;
class KRMessage;

class KRFighter {
public:
    int hp;
    int maxHP;
    int defense;
    int power;
    int level;
    int xp;
    KREntity* owner;
    void (*deathFunction)(KREntity*);

    KRFighter();
    void Init(int maxHP, int defense, int power, int level, int xp,
              void (*deathFunction)(KREntity*), KREntity* owner);

    // baseOnly false adds the bonuses of the owner's equipment slots.
    int GetMaxHP(bool baseOnly) const;
    int GetDefense(bool baseOnly) const;
    int GetPower(bool baseOnly) const;

    // absolute false adds `value` (negative subtracts); nothing clamps.
    void SetHP(int value, bool absolute);
    void SetMaxHP(int value, bool absolute);
    void SetDefense(int value, bool absolute);
    void SetPower(int value, bool absolute);
    void SetLevel(int value, bool absolute);
    void SetXP(int value, bool absolute);

    // Posts one log line and applies the damage. The target's death function
    // may release the target's fighter before this returns.
    void Attack(KREntity* target, KRMessage* log);
    // At zero hit points the death function runs with the owner; it may
    // delete this fighter, so nothing of it is touched afterwards.
    void TakeDamage(int amount);
    // Capped at the base maximum: equipment does not raise the cap.
    void Heal(int amount);
};
