// Time to save and to load one full floor (a fresh game: floor 1 with its
// guards and items, a carried inventory and a full log), as the player feels
// it on Escape and on "Load Game". Goal: under 5 ms each (median).
#include <benchmark/benchmark.h>

#include <stdlib.h>
#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <iostream>
#include <string>

#include "entity.h"
#include "equipment.h"
#include "floors.h"
#include "game.h"
#include "item.h"
#include "map.h"
#include "message.h"
#include "savegame.h"

namespace {

// Floor 1 as a new game makes it, plus a dozen carried items and the log.
void BuildFullFloor() {
    message = new KRMessage();
    NewGame();
    for (int i = 0; i < 12; ++i) {
        auto* item = new KRItem();
        item->Init(useFuncVec[i % 4], nullptr);
        auto* e = new KREntity();
        e->Init(0, 0, '!', i % 2 == 0 ? "First Aid Kit" : "Stun Grenade", Red, nullptr, false, true,
                nullptr, nullptr, item, nullptr, nullptr);
        inventory.push_front(e);
    }
    for (int i = 0; i < 20; ++i) {
        message->SetMessage("The Guard hits you for " + std::to_string(i) + " hit points.", false);
    }
}

std::uintmax_t SaveSize() {
    std::error_code ec;
    const auto size = std::filesystem::file_size("game.sav", ec);
    return ec ? 0 : size;
}

void BM_SaveGame(benchmark::State& state) {
    for (auto _ : state) {
        benchmark::DoNotOptimize(SaveGame());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * SaveSize()));
    state.counters["entities"] = static_cast<double>(entities.size());
}

void BM_LoadGame(benchmark::State& state) {
    SaveGame();
    std::string version;
    for (auto _ : state) {
        if (LoadGame(version) != 0) {
            state.SkipWithError("the save did not load");
            break;
        }
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * SaveSize()));
}

BENCHMARK(BM_SaveGame)->Unit(benchmark::kMillisecond)->Repetitions(9)->ReportAggregatesOnly(true);
BENCHMARK(BM_LoadGame)->Unit(benchmark::kMillisecond)->Repetitions(9)->ReportAggregatesOnly(true);

} // namespace

int main(int argc, char** argv) {
    // Work in a folder of our own so no real game.sav is touched.
    std::string folder = (std::filesystem::temp_directory_path() / "vlo-bench-XXXXXX").string();
    if (mkdtemp(folder.data()) == nullptr || chdir(folder.c_str()) != 0) {
        std::cerr << "cannot make a scratch folder" << std::endl;
        return 1;
    }
    BuildFullFloor();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    DestroyEntities();
    delete theMap;
    delete message;
    std::error_code ec;
    std::filesystem::current_path(std::filesystem::temp_directory_path(), ec);
    std::filesystem::remove_all(folder, ec);
    return 0;
}
