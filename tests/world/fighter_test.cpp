// Combat: the damage formula, its log lines, knock-out at zero, healing and
// the setters.
#include <gtest/gtest.h>

#include "world_support.h"

using namespace vlotest;

namespace {

class FighterTest : public WorldFloor {
protected:
    void SetUp() override { Start(10, 10); }
};

} // namespace

TEST_F(FighterTest, DamageIsBasePowerMinusDefenseWithBonus) {
    KREntity* guard = Guard(1, 0);
    KREntity* elite = Guard(0, 1, EliteGuardKind);
    player->fighter->Attack(guard, &log);
    EXPECT_EQ(guard->fighter->hp, 18);
    EXPECT_EQ(log.messages.front(), "PLAYER ATTACKS GUARD (2 HIT POINTS)");
    player->fighter->Attack(elite, &log);
    EXPECT_EQ(elite->fighter->hp, 30);
    EXPECT_EQ(log.messages.front(), "PLAYER ATTACKS ELITE GUARD BUT IT HAS NO EFFECT!");

    KREntity* baton = NewThing("Baton");
    KREntity* shield = NewThing("Riot Shield");
    player->equipment->ToggleEquip(baton);
    player->equipment->ToggleEquip(shield);
    EXPECT_EQ(player->fighter->GetPower(false), 4);
    player->fighter->Attack(guard, &log);
    EXPECT_EQ(guard->fighter->hp, 16) << "the attacker's own bonus stays out of the formula";
    guard->fighter->Attack(player, &log);
    EXPECT_EQ(player->fighter->hp, 98) << "4 - (1 + shield 1)";
    delete baton;
    delete shield;
}

// The guard's fighter is deleted by its own death function while Attack and
// TakeDamage are still on the stack; the sanitizers watch every access.
TEST_F(FighterTest, DamageAtOrBeyondZeroCallsDeathOnce) {
    int calls = 0;
    for (int hp : {2, 1}) {
        KREntity* guard = Guard(1, 0);
        guard->fighter->hp = hp;
        player->fighter->Attack(guard, &log);
        EXPECT_EQ(deathCount, ++calls);
        EXPECT_EQ(guard->fighter, nullptr);
        EXPECT_EQ(log.messages.front(), "PLAYER ATTACKS GUARD (2 HIT POINTS)");
        map.TileAt(11, 10)->blocked = false; // the next guard takes the cell
    }
    KRFighter plain;
    plain.Init(5, 0, 0, 1, 0, nullptr, nullptr);
    plain.TakeDamage(9);
    plain.TakeDamage(-3);
    EXPECT_EQ(plain.hp, 0) << "never negative";
}

TEST_F(FighterTest, HealCapsAtBaseMaximumAndSettersAreRelative) {
    KRFighter& f = *player->fighter;
    KREntity vest;
    vest.SetEquippable(new KREquippable());
    vest.equippable->maxHPBonus = 20;
    player->equipment->offHand = &vest;
    EXPECT_EQ(f.GetMaxHP(false), 120);
    f.SetHP(90, true);
    f.Heal(40);
    EXPECT_EQ(f.hp, 100) << "the equipment bonus does not raise the cap";
    player->equipment->offHand = nullptr;
    f.SetXP(400, true);
    f.SetXP(-350, false);
    f.SetPower(1, false);
    f.SetDefense(-1, false);
    EXPECT_EQ(f.xp, 50);
    EXPECT_EQ(f.power, 3);
    EXPECT_EQ(f.defense, 0);
}
