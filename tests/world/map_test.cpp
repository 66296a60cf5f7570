// Floor generation invariants over many floors of every depth, the field of
// view, and the random source.
#include <gtest/gtest.h>

#include <cmath>
#include <deque>
#include <set>
#include <vector>

#include "world_support.h"

using namespace vlotest;

namespace {

using Cell = std::pair<int, int>;

// Over see-through tiles: `blocked` doubles as occupancy, so it cannot tell.
std::set<Cell> Reachable(const KRMap& map, Cell start) {
    std::set<Cell> seen{start};
    for (std::deque<Cell> todo{start}; !todo.empty(); todo.pop_front()) {
        const auto [x, y] = todo.front();
        for (const Cell& n : {Cell{x + 1, y}, Cell{x - 1, y}, Cell{x, y + 1}, Cell{x, y - 1}}) {
            if (!map.TileAt(n.first, n.second)->blockSight && seen.insert(n).second) {
                todo.push_back(n);
            }
        }
    }
    return seen;
}

void CheckFloor(const KRMap& map, const std::list<KREntity*>& floor, const KREntity* player,
                int depth, bool fromAbove) {
    std::set<Cell> marked, guards;
    for (int y = 0; y < MapHeight; ++y) {
        for (int x = 0; x < MapWidth; ++x) {
            const KRTile* t = map.TileAt(x, y);
            if (x == 0 || y == 0 || x == MapWidth - 1 || y == MapHeight - 1) {
                ASSERT_TRUE(t->blocked && t->blockSight) << "outer ring at " << x << "," << y;
            } else if (t->blocked && !t->blockSight) {
                marked.insert({x, y});
            }
        }
    }
    const std::set<Cell> reach = Reachable(map, {player->x, player->y});
    for (const KRRect* r : map.rooms) {
        EXPECT_TRUE(reach.count(r->Center())) << "room at " << r->x1 << "," << r->y1;
    }
    const Cell up = map.rooms.front()->Center(), down = map.rooms.back()->Center();
    int onward = 0, back = 0, bodies = 0;
    for (const KREntity* e : floor) {
        const Cell at{e->x, e->y};
        if (e->appearance == '<') {
            ++onward;
            EXPECT_TRUE(at == down && e->name == (depth == 10 ? "Exit" : "Stairs") &&
                        e->color == (depth == 10 ? Red : White));
        } else if (e->appearance == '>') {
            ++back;
            EXPECT_TRUE(at == up && e->name == "Stairs");
        } else if (e->name == "Unconscious Guard") {
            ++bodies;
            EXPECT_TRUE(at == up && !e->blocks && e->fighter == nullptr);
        } else if (e != player && e->fighter != nullptr) {
            guards.insert(at);
            for (const KREntity* other : floor) {
                EXPECT_FALSE(other != e && other->blocks && other->x == e->x && other->y == e->y)
                    << e->name << " placed on " << other->name;
            }
        }
    }
    EXPECT_EQ(onward, 1);
    EXPECT_EQ(back, depth == 1 ? 0 : 1);
    EXPECT_EQ(bodies, depth == 1 ? 1 : 0);
    EXPECT_EQ(Cell(player->x, player->y), fromAbove ? up : down);
    EXPECT_EQ(marked, guards) << "occupancy marks are exactly the guards' cells";
}

class FloorTest : public ::testing::TestWithParam<int> {};

} // namespace

// One map object through many floors, the way the game reuses its map.
TEST_P(FloorTest, EveryGeneratedFloorKeepsItsInvariants) {
    const int depth = GetParam();
    KRMap map;
    auto* player = new KREntity();
    player->Init(0, 0, '@', "Player", White, &map, true, true, new KRFighter(), nullptr, nullptr,
                 nullptr, nullptr);
    std::list<KREntity*> floor;
    for (int run = 0; run < 150 && !HasFailure(); ++run) {
        const bool fromAbove = run % 2 == 0;
        floor.push_back(player);
        map.CreateMap(depth, player, floor, deathTable, useTable, fromAbove);
        SCOPED_TRACE("floor " + std::to_string(depth) +
                     (fromAbove ? " from above" : " from below"));
        CheckFloor(map, floor, player, depth, fromAbove);
        floor.remove(player);
        DeleteAll(floor);
    }
    delete player;
}

// Cases named by floor number (1-10), not by index.
INSTANTIATE_TEST_SUITE_P(Floors, FloorTest, ::testing::Range(1, 11),
                         ::testing::PrintToStringParamName());

namespace {

// The open hall seen from (40, 20).
class FieldOfViewTest : public ::testing::Test {
protected:
    KRMap map;
    KREntity viewer;
    void SetUp() override {
        BuildOpenMap(map);
        viewer.x = 40;
        viewer.y = 20;
    }
};

} // namespace

TEST_F(FieldOfViewTest, WallsAreSeenButNotWhatLiesBehind) {
    for (int y = 10; y <= 30; ++y) {
        map.TileAt(41, y)->Init(true, false);
    }
    map.ComputeFOV(&viewer);
    EXPECT_TRUE(map.IsVisible(40, 20) && map.IsVisible(41, 20) && map.IsVisible(32, 20));
    for (int y = 0; y < MapHeight; ++y) {
        for (int x = 42; x < MapWidth; ++x) {
            ASSERT_FALSE(map.IsVisible(x, y)) << x << "," << y << " lies behind the wall";
        }
    }
}

TEST_F(FieldOfViewTest, OpenHallShowsEightStepsEveryWay) {
    map.ComputeFOV(&viewer);
    for (int dx = -1; dx <= 1; ++dx) {
        for (int dy = -1; dy <= 1; ++dy) {
            const int reach = dx != 0 && dy != 0 ? 6 : 8; // eight unit steps along the ray
            for (int k = 1; k <= 9 && (dx != 0 || dy != 0); ++k) {
                EXPECT_EQ(map.IsVisible(40 + k * dx, 20 + k * dy), k <= reach)
                    << "direction " << dx << "," << dy << " step " << k;
            }
        }
    }
    for (int y = 0; y < MapHeight; ++y) { // rays are dense: the whole disk shows
        for (int x = 0; x < MapWidth; ++x) {
            const double d = std::hypot(x - 40.0, y - 20.0);
            if (d <= 8.25 || d > 8.75) {
                EXPECT_EQ(map.IsVisible(x, y), d <= 8.25) << x << "," << y;
            }
            const bool seen = map.IsVisible(x, y);
            if (x > 0 && y > 0 &&
                (seen != map.IsVisible(80 - x, y) || seen != map.IsVisible(x, 40 - y))) {
                ADD_FAILURE() << "the view is not symmetric at " << x << "," << y;
            }
        }
    }
}

// Sight stops at the first opaque tile, which is seen itself: a pillar in
// the hall hides the row behind it but not the cells beside its shadow, a
// wall across a corridor ends the corridor, and the rock along it hides the
// next corridor over.
TEST_F(FieldOfViewTest, PillarsCastShadowsAndWallsEndCorridors) {
    map.TileAt(42, 20)->Init(true, false);
    map.ComputeFOV(&viewer);
    EXPECT_TRUE(map.IsVisible(41, 20) && map.IsVisible(42, 20));
    for (int x = 43; x <= 48; ++x) {
        EXPECT_FALSE(map.IsVisible(x, 20)) << x << ",20 lies in the pillar's shadow";
    }
    EXPECT_TRUE(map.IsVisible(43, 23) && map.IsVisible(43, 17) && map.IsVisible(38, 20));

    for (int y = 1; y < MapHeight - 1; ++y) {
        for (int x = 1; x < MapWidth - 1; ++x) {
            map.TileAt(x, y)->Init(y != 20 && y != 22, false); // two corridors
        }
    }
    map.TileAt(45, 20)->Init(true, false);
    map.ComputeFOV(&viewer);
    EXPECT_TRUE(map.IsVisible(33, 20) && map.IsVisible(44, 20) && map.IsVisible(45, 20));
    EXPECT_FALSE(map.IsVisible(46, 20)) << "beyond the wall";
    EXPECT_TRUE(map.IsVisible(40, 21) && map.IsVisible(40, 19)) << "the corridor's own walls";
    for (int x = 30; x <= 50; ++x) {
        EXPECT_FALSE(map.IsVisible(x, 22)) << x << ",22 lies beyond the rock";
    }
}

TEST(RandomTest, CoversTheClosedRange) {
    std::set<int> seen;
    for (int i = 0; i < 2000; ++i) {
        seen.insert(RandomGetInt(6, 10));
    }
    EXPECT_EQ(seen, (std::set<int>{6, 7, 8, 9, 10}));
    EXPECT_EQ(RandomGetInt(0, 0), 0);
    const int swapped = RandomGetInt(4, 2);
    EXPECT_TRUE(swapped >= 2 && swapped <= 4) << "a reversed range is read as [2, 4]";
}
