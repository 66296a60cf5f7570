// Field of view (run before every redraw) and floor generation (every floor
// change), in the optimised build. Goals on the development machine: ComputeFOV
// <= 30 us, CreateMap <= 1 ms; read the medians of the repetitions.
#include <benchmark/benchmark.h>

#include <list>
#include <vector>

#include "entity.h"
#include "fighter.h"
#include "map.h"

namespace {

void NoDeath(KREntity*) {}
KRItemActions NoUse(KREntity*) {
    return ItemCancelled;
}

std::vector<void (*)(KREntity*)> deaths{NoDeath};
std::vector<KRItemActions (*)(KREntity*)> uses{NoUse, NoUse, NoUse, NoUse};

void DropAllBut(std::list<KREntity*>& list, const KREntity* keep) {
    for (auto it = list.begin(); it != list.end();) {
        if (*it != keep) {
            delete *it;
            it = list.erase(it);
        } else {
            ++it;
        }
    }
}

// A generated floor, viewed from the player's arrival cell.
void BM_ComputeFOV_Floor(benchmark::State& state) {
    KRMap map;
    KREntity player;
    std::list<KREntity*> entities{&player};
    map.CreateMap(5, &player, entities, deaths, uses, true);
    for (auto _ : state) {
        map.ComputeFOV(&player);
        benchmark::DoNotOptimize(map.visibleTiles);
    }
    DropAllBut(entities, &player);
}

// Worst case: one hall with no wall in reach, every ray takes all 8 steps.
void BM_ComputeFOV_OpenHall(benchmark::State& state) {
    KRMap map;
    KREntity player;
    std::list<KREntity*> entities{&player};
    map.CreateMap(1, &player, entities, deaths, uses, true);
    KRRect hall;
    hall.Init(0, 0, MapWidth - 1, MapHeight - 1);
    map.CreateRoom(hall);
    player.x = 40;
    player.y = 20;
    for (auto _ : state) {
        map.ComputeFOV(&player);
        benchmark::DoNotOptimize(map.visibleTiles);
    }
    DropAllBut(entities, &player);
}

// One floor change: the grid, rooms, tunnels, population and stairs. The
// previous floor's entities are released outside the timed part.
void BM_CreateMap(benchmark::State& state) {
    const int floor = static_cast<int>(state.range(0));
    KRMap map;
    auto* f = new KRFighter();
    f->Init(100, 1, 2, 1, 0, nullptr, nullptr);
    KREntity player;
    player.Init(0, 0, '@', "Player", White, &map, true, true, f, nullptr, nullptr, nullptr,
                nullptr);
    std::list<KREntity*> entities{&player};
    for (auto _ : state) {
        map.CreateMap(floor, &player, entities, deaths, uses, true);
        benchmark::DoNotOptimize(entities.size());
        state.PauseTiming();
        DropAllBut(entities, &player);
        state.ResumeTiming();
    }
}

// What bounds CreateMap: one fresh seed and one fresh Mersenne Twister per draw.
void BM_RandomGetInt(benchmark::State& state) {
    for (auto _ : state) {
        benchmark::DoNotOptimize(RandomGetInt(6, 10));
    }
}

} // namespace

BENCHMARK(BM_ComputeFOV_Floor)
    ->Unit(benchmark::kMicrosecond)
    ->Repetitions(10)
    ->ReportAggregatesOnly(true);
BENCHMARK(BM_ComputeFOV_OpenHall)
    ->Unit(benchmark::kMicrosecond)
    ->Repetitions(10)
    ->ReportAggregatesOnly(true);
BENCHMARK(BM_CreateMap)
    ->Arg(1)
    ->Arg(10)
    ->Unit(benchmark::kMicrosecond)
    ->Repetitions(10)
    ->ReportAggregatesOnly(true);
BENCHMARK(BM_RandomGetInt)
    ->Unit(benchmark::kMicrosecond)
    ->Repetitions(10)
    ->ReportAggregatesOnly(true);

BENCHMARK_MAIN();
