// Guard behaviour: approach or attack in view, idle out of view, and
// confusion that unwinds layer by layer, deleting itself mid-turn.
#include <gtest/gtest.h>

#include <cstdlib>

#include "confusedenemy.h"
#include "world_support.h"

using namespace vlotest;

namespace {

class EnemyTest : public WorldFloor {
protected:
    void SetUp() override { Start(40, 20); }
    void Confuse(KREntity* g, int turns) {
        auto* c = new KRConfusedEnemy();
        c->Init(g->ai, turns);
        c->owner = g;
        g->ai = c;
    }
    // Every guard acts once, walking the list the way the main loop does.
    void Turn() {
        map.ComputeFOV(player);
        for (auto it = floor.begin(); it != floor.end();) {
            KREntity* e = *it++;
            if (e->ai != nullptr) {
                e->ai->TakeTurn(player, &log);
            }
        }
    }
};

} // namespace

TEST_F(EnemyTest, VisibleGuardStepsAlongItsRowOrAttacksWhenAdjacent) {
    KREntity* inRow = Guard(-2, 0);
    KREntity* offAxis = Guard(2, 1);
    Guard(1, -1);
    for (int y = 10; y <= 30; ++y) {
        map.TileAt(34, y)->Init(true, false);
    }
    KREntity* hidden = Guard(-8, 0); // behind the wall
    Turn();
    EXPECT_EQ(inRow->x, 39);
    EXPECT_TRUE(map.TileAt(39, 20)->blocked && !map.TileAt(38, 20)->blocked);
    EXPECT_EQ(std::make_pair(offAxis->x, offAxis->y), std::make_pair(42, 21));
    EXPECT_EQ(hidden->x, 32) << "out of view: does nothing";
    EXPECT_EQ(player->fighter->hp, 97) << "only the diagonal one was adjacent: 4 - 1";
    EXPECT_EQ(log.messages.front(), "GUARD ATTACKS PLAYER (3 HIT POINTS)");

    player->fighter->hp = 0;
    Turn();
    EXPECT_EQ(log.messages.size(), 1u) << "a defeated player is not attacked";
}

TEST_F(EnemyTest, ConfusedGuardStaggersThenRecoversLayerByLayer) {
    KREntity* g = Guard(0, -10); // out of view: confusion acts all the same
    KRBasicEnemy* normal = g->ai;
    Confuse(g, 3);
    KRBasicEnemy* inner = g->ai;
    Confuse(g, 2);
    for (int layer = 0; layer < 2; ++layer) {
        for (int i = 0; i < (layer == 0 ? 2 : 3); ++i) {
            const int x = g->x, y = g->y;
            Turn();
            EXPECT_TRUE(std::abs(g->x - x) == 1 && std::abs(g->y - y) == 1) << layer << "/" << i;
            EXPECT_TRUE(map.TileAt(g->x, g->y)->blocked && !map.TileAt(x, y)->blocked);
        }
        const int x = g->x, y = g->y;
        Turn(); // the expiring layer deletes itself from inside its TakeTurn
        EXPECT_EQ(std::make_pair(g->x, g->y), std::make_pair(x, y));
        EXPECT_EQ(log.messages.front(), "THE GUARD IS NO LONGER CONFUSED!");
        EXPECT_EQ(g->ai, layer == 0 ? inner : normal);
    }
    EXPECT_EQ(log.messages.size(), 2u) << "a confused guard never attacks";

    map.TileAt(g->x, g->y)->blocked = false;
    g->x = 40;
    g->y = 15;
    Turn();
    EXPECT_EQ(g->y, 16) << "normal again: closes in along the column";

    Confuse(g, 4);
    Confuse(g, 4);
    g->RemoveComponents();   // every layer freed once (leak and double-free checks)
    Confuse(Guard(5, 5), 1); // released with its entity at tear-down
}
