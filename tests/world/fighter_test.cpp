// Combat: the damage formula, its log lines, knock-out at zero, healing and
// the setters.
#include <gtest/gtest.h>

#include "world_support.h"

using namespace worldtest;

namespace {

class FighterTest : public ::testing::Test {
protected:
    KRMap map;
    KRMessage log;
    std::list<KREntity*> floor;
    KREntity* player = nullptr;

    void SetUp() override {
        BuildOpenMap(map);
        deathCount = 0;
        deathList = &floor;
        deathLog = &log;
        player = MakeFighter(map, "Player", 10, 10, 100, 1, 2, nullptr, false);
        player->SetEquipment(new KREquipment());
        floor.push_back(player);
    }
    void TearDown() override { DeleteAll(floor); }
    KREntity* Guard(const std::string& name, int hp, int defense, int power) {
        floor.push_back(MakeFighter(map, name, 11, 10, hp, defense, power, KnockOut, true));
        return floor.back();
    }
};

} // namespace

TEST_F(FighterTest, DamageIsBasePowerMinusDefenseWithBonus) {
    const EnemyKind& g = GuardKind;
    const EnemyKind& eg = EliteGuardKind;
    KREntity* guard = Guard(g.name, g.hp, g.defense, g.power);
    KREntity* elite = Guard(eg.name, eg.hp, eg.defense, eg.power);
    player->fighter->Attack(guard, &log);
    EXPECT_EQ(guard->fighter->hp, 18);
    EXPECT_EQ(log.messages.front(), "PLAYER ATTACKS GUARD (2 HIT POINTS)");
    player->fighter->Attack(elite, &log);
    EXPECT_EQ(elite->fighter->hp, 30);
    EXPECT_EQ(log.messages.front(), "PLAYER ATTACKS ELITE GUARD BUT IT HAS NO EFFECT!");

    KREntity* baton = MakeWearable("Baton", 0, 2, 0);
    KREntity* shield = MakeWearable("Riot Shield", 1, 0, 1);
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
    for (int hp : {2, 1}) {
        KREntity* guard = Guard("Guard", hp, 0, 4);
        player->fighter->Attack(guard, &log);
        EXPECT_TRUE(guard->fighter == nullptr && guard->name == "Unconscious Guard");
        EXPECT_FALSE(map.TileAt(11, 10)->blocked);
        EXPECT_EQ(floor.front(), guard);
        EXPECT_EQ(log.messages.front(), "GUARD IS UNCONSCIOUS!") << "after the attack line";
        EXPECT_EQ(*std::next(log.messages.begin()), "PLAYER ATTACKS GUARD (2 HIT POINTS)");
    }
    EXPECT_EQ(deathCount, 2);
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
