// Entities and the two geometry classes: components, occupancy, stepping and
// list order.
#include <gtest/gtest.h>

#include "world_support.h"

using namespace vlotest;

TEST(TileTest, OpaqueUnlessFloor) {
    KRTile t;
    t.Init(true, false);
    EXPECT_TRUE(t.blocked && t.blockSight) << "Init(true, false) is an opaque wall";
    t.Init(false, true);
    EXPECT_TRUE(!t.blocked && t.blockSight);
}

TEST(RectTest, IntersectIsInclusiveAndCenterTruncates) {
    KRRect a, b, c;
    a.Init(0, 0, 6, 6);
    b.Init(6, 0, 6, 6);
    c.Init(7, 0, 6, 6);
    EXPECT_TRUE(a.Intersect(b)) << "sharing the edge column 6 counts";
    EXPECT_FALSE(a.Intersect(c));
    c.Init(3, 4, 7, 9);
    EXPECT_EQ(c.Center(), std::make_pair(6, 8));
}

TEST(EntityTest, WearableGetsAnItemUnlessGivenOne) {
    KREntity* shield = NewThing("Riot Shield");
    ASSERT_NE(shield->item, nullptr);
    EXPECT_TRUE(shield->item->useFunction == nullptr && shield->item->owner == shield);
    delete shield;
    auto* given = new KRItem();
    KREntity both; // the destructor releases equippable and equipment too
    both.Init(1, 2, '\\', "Taser", DarkGray, nullptr, false, true, nullptr, nullptr, given,
              new KREquipment(), new KREquippable());
    EXPECT_TRUE(both.item == given && given->owner == &both && both.equipment->owner == &both);
}

TEST(EntityTest, MoveKeepsOccupancyMarksAndTruncatesTowardsTarget) {
    KRMap map;
    BuildOpenMap(map);
    KREntity p, g;
    p.Init(5, 5, '@', "Player", White, &map, true, true, nullptr, nullptr, nullptr, nullptr,
           nullptr);
    EXPECT_FALSE(map.TileAt(5, 5)->blocked) << "placed directly: unmarked until it moves";
    p.Move(1, 0);
    EXPECT_TRUE(map.TileAt(6, 5)->blocked && !map.TileAt(5, 5)->blocked);
    g.Init(8, 5, 'g', "Guard", LightBlue, &map, true, false, nullptr, nullptr, nullptr, nullptr,
           nullptr);
    g.MoveTorwards(&p);
    g.MoveTorwards(&p); // onto the player's marked tile: refused
    EXPECT_EQ(g.x, 7);
    p.Move(0, -5); // row 0 is wall
    EXPECT_EQ(p.y, 5);

    const int cases[][4] = {{3, 1, 0, 0}, {3, 0, 1, 0}, {0, -5, 0, -1}, {1, 1, 0, 0}, {0, 0, 0, 0}};
    for (const auto& c : cases) {
        g.x = 20;
        g.y = 20;
        p.x = 20 + c[0];
        p.y = 20 + c[1];
        g.MoveTorwards(&p);
        EXPECT_EQ(std::make_pair(g.x - 20, g.y - 20), std::make_pair(c[2], c[3]))
            << "target at " << c[0] << "," << c[1];
    }
}

TEST(EntityTest, SendToBackLeavesOneOccurrenceAndKeepsIterators) {
    KREntity a, b, c, outsider;
    std::list<KREntity*> list = {&a, &b, &c, &b};
    auto walker = std::next(list.begin()); // someone is visiting b
    b.SendToBack(list);
    EXPECT_EQ(list, (std::list<KREntity*>{&b, &a, &c}));
    EXPECT_EQ(walker, list.begin()) << "the node was moved, not recreated";
    outsider.SendToBack(list);
    EXPECT_EQ(list, (std::list<KREntity*>{&outsider, &b, &a, &c}));
}
