// Carrying, using, dropping and wearing, with use functions supplied through
// a table the way the game supplies its own.
#include <gtest/gtest.h>

#include <vector>

#include "world_support.h"

using namespace vlotest;

namespace {

KRMessage* useLog = nullptr;

KRItemActions TestFirstAid(KREntity* user) {
    if (user->fighter->hp == user->fighter->GetMaxHP(false)) {
        useLog->SetMessage("You are already at full health.", false);
        return ItemCancelled;
    }
    user->fighter->Heal(40);
    return ItemUsed;
}

class ItemTest : public WorldFloor {
protected:
    std::list<KREntity*> carried;
    std::vector<KRItemActions (*)(KREntity*)> useFuncs{TestFirstAid};

    void SetUp() override {
        Start(7, 8);
        useLog = &log;
    }
    void TearDown() override {
        WorldFloor::TearDown();
        DeleteAll(carried);
    }
    KREntity* Thing(const std::string& name, KRItemActions (*use)(KREntity*)) {
        auto* it = new KRItem();
        it->Init(use, nullptr);
        auto* e = new KREntity();
        e->Init(7, 8, '!', name, Magenta, &map, false, true, nullptr, nullptr, it, nullptr,
                nullptr);
        return e;
    }
    // Posts the changes the way the inventory command does, in multimap order.
    void Toggle(KREntity* thing) {
        for (const auto& [what, e] : player->equipment->ToggleEquip(thing)) {
            log.SetMessage(
                (what == "Equipped" ? "You equipped the " : "You dequipped the ") + e->name, false);
        }
    }
};

} // namespace

TEST_F(ItemTest, PickUpStopsAtTwentySixItems) {
    for (std::size_t i = 0; i <= InventoryLimit; ++i) {
        floor.push_back(Thing("First Aid Kit", useFuncs[0]));
        floor.back()->item->PickUp(&log, floor, carried);
    }
    EXPECT_EQ(carried.size(), InventoryLimit);
    EXPECT_EQ(floor.size(), 2u) << "the 27th stays on the floor";
    EXPECT_EQ(log.messages.front(), "YOUR INVENTORY IS FULL, CAN'T PICK UP FIRST AID KIT.");
    EXPECT_EQ(*std::next(log.messages.begin()), "YOU PICKED UP A FIRST AID KIT!");
}

TEST_F(ItemTest, SpentItemsGoCancelledOrUnusableOnesStay) {
    KREntity* kit = Thing("First Aid Kit", useFuncs[0]);
    KREntity* brick = Thing("Brick", nullptr);
    carried = {kit, brick};
    EXPECT_EQ(kit->item->Use(&log, player, carried), nullptr);
    EXPECT_EQ(log.messages.front(), "YOU ARE ALREADY AT FULL HEALTH.");
    EXPECT_EQ(brick->item->Use(&log, player, carried), nullptr);
    EXPECT_EQ(log.messages.front(), "THE BRICK CAN'T BE USED!");
    EXPECT_EQ(carried.size(), 2u);
    player->fighter->hp = 95;
    kit->item->Use(&log, player, carried); // deletes the kit, and the item running Use
    EXPECT_EQ(carried, (std::list<KREntity*>{brick}));
    EXPECT_EQ(player->fighter->hp, 100);
}

TEST_F(ItemTest, EquipSwapAndUnequipInMultimapOrder) {
    KREntity* baton = NewThing("Baton");
    KREntity* taser = NewThing("Taser");
    carried = {baton, taser};
    ASSERT_EQ(baton->item->Use(&log, player, carried), baton) << "the caller toggles wearables";
    Toggle(baton);
    EXPECT_EQ(log.messages.front(), "YOU EQUIPPED THE BATON");
    Toggle(baton);
    EXPECT_EQ(log.messages.front(), "YOU DEQUIPPED THE BATON");
    Toggle(baton);
    Toggle(taser);
    EXPECT_EQ(*std::next(log.messages.begin()), "YOU DEQUIPPED THE BATON");
    EXPECT_EQ(log.messages.front(), "YOU EQUIPPED THE TASER");
    EXPECT_EQ(player->fighter->GetPower(false), 5);
}

TEST_F(ItemTest, DroppingTheWornShieldTakesItOffSilently) {
    KREntity* shield = NewThing("Riot Shield");
    carried.push_back(shield);
    player->equipment->ToggleEquip(shield);
    EXPECT_EQ(player->fighter->GetDefense(false), 2);
    shield->item->Drop(&log, floor, carried, player);
    EXPECT_EQ(player->equipment->offHand, nullptr);
    EXPECT_EQ(log.messages, (std::list<std::string>{"YOU DROPPED A RIOT SHIELD."}));
    EXPECT_TRUE(floor.front() == shield && carried.empty());
    EXPECT_EQ(std::make_pair(shield->x, shield->y), std::make_pair(7, 8));
}
