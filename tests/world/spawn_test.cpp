// Spawn tables and room population, measured over many rooms per floor.
// Tolerances are seven standard deviations of the measured share, so correct
// tables fail with a chance far below one in a billion.
#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <vector>

#include "world_support.h"

using namespace vlotest;

namespace {

void ExpectShare(long hits, long total, double expected, const std::string& what) {
    ASSERT_GT(total, 0) << what;
    const double tolerance = 7.0 * std::sqrt(expected * (1.0 - expected) / double(total));
    EXPECT_NEAR(double(hits) / double(total), expected, tolerance)
        << what << ": " << hits << " of " << total;
}

int MaxEnemies(int floor) {
    return floor >= 6 ? 5 : floor >= 4 ? 3 : 2;
}
int EliteWeight(int floor) {
    return floor >= 7 ? 60 : floor >= 5 ? 30 : floor >= 3 ? 15 : 0;
}

class SpawnTest : public ::testing::TestWithParam<int> {};

} // namespace

TEST(SpawnTablesTest, WeightedChoiceSkipsZeroAndSplitsByWeight) {
    KRMap map;
    EXPECT_EQ(map.FromCurrentFloor(map.maxEnemiesTable, 0), 0);
    EXPECT_EQ(map.FromCurrentFloor(map.eliteChanceTable, 2), 0);
    std::multimap<int, std::string> chances{{0, "A"}, {10, "B"}, {30, "C"}};
    long hits[3] = {0, 0, 0};
    for (int i = 0; i < 40000; ++i) {
        const int index = map.RandomChoiceIndex(chances);
        ASSERT_TRUE(index == 1 || index == 2) << index;
        ++hits[index];
    }
    ExpectShare(hits[1], 40000, 0.25, "B");
    std::multimap<int, std::string> nothing{{0, "A"}};
    EXPECT_EQ(map.RandomChoice(nothing), "") << "nothing to choose";
}

TEST_P(SpawnTest, RoomsArePopulatedWithTheFloorsOdds) {
    const int floor = GetParam();
    KRMap map;
    BuildOpenMap(map);
    KRRect room;
    room.Init(10, 10, 10, 10);
    std::map<std::string, long> counts;
    long guards = 0, items = 0;
    int mostGuards = 0, mostItems = 0;
    std::list<KREntity*> placed;
    for (int r = 0; r < 25000; ++r) {
        map.PlaceEntites(floor, room, placed, deathTable, useTable);
        int roomGuards = 0;
        for (KREntity* e : placed) {
            ++counts[e->name];
            ASSERT_TRUE(e->x > room.x1 && e->x < room.x2 && e->y > room.y1 && e->y < room.y2);
            if (e->fighter != nullptr) {
                ASSERT_TRUE(map.TileAt(e->x, e->y)->blocked);
                map.TileAt(e->x, e->y)->blocked = false;
                ++roomGuards;
            } else {
                ASSERT_EQ(roomGuards, 0) << "items lie at the front of the list";
            }
        }
        const int roomItems = int(placed.size()) - roomGuards;
        mostGuards = std::max(mostGuards, roomGuards);
        mostItems = std::max(mostItems, roomItems);
        guards += roomGuards;
        items += roomItems;
        DeleteAll(placed);
    }
    EXPECT_EQ(mostGuards, MaxEnemies(floor));
    EXPECT_EQ(mostItems, floor >= 4 ? 2 : 1);

    EXPECT_EQ(counts[GuardKind.name] + counts[EliteGuardKind.name], guards);
    if (EliteWeight(floor) == 0) {
        EXPECT_EQ(counts[EliteGuardKind.name], 0);
    } else {
        const double weight = EliteWeight(floor);
        ExpectShare(counts[EliteGuardKind.name], guards, weight / (GuardWeight + weight),
                    EliteGuardKind.name);
    }
    int sum = 0;
    long named = 0;
    for (const ItemKind& k : ItemKinds) {
        sum += floor >= k.firstFloor ? k.weight : 0;
        named += counts[k.name];
    }
    EXPECT_EQ(named, items) << "no unknown kinds";
    for (const ItemKind& k : ItemKinds) {
        if (floor < k.firstFloor) {
            EXPECT_EQ(counts[k.name], 0) << k.name << " before floor " << k.firstFloor;
        } else {
            EXPECT_GT(counts[k.name], 0) << k.name;
            ExpectShare(counts[k.name], items, double(k.weight) / sum, k.name);
        }
    }
}

// Cases named by floor number, not by index.
INSTANTIATE_TEST_SUITE_P(Floors, SpawnTest, ::testing::Range(1, FloorCount + 1),
                         ::testing::PrintToStringParamName());
