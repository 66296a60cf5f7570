// Time per frame of UpdateView() and Render(): the view brought up to date,
// then the whole picture of a running game drawn in software and pushed
// through the streaming texture, under SDL's dummy video driver with the
// software renderer. The frame budget is 60 ms. Every frame is pushed as a
// changed picture would be (an unchanged one is not presented again, which
// would leave the push out of the figure).
//
// Run from a folder holding the game's gfx/ and music/ (the build folder);
// the game is started in a scratch folder linked to them, so the settings it
// writes on the way out land there and not in the build.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <string>
#include <system_error>

#include "entity.h"
#include "floors.h"
#include "game.h"
#include "map.h"
#include "render.h"
#include "shell.h"
#include "tile.h"
#include "view.h"

namespace {

namespace fs = std::filesystem;

// gfx/ and music/ are looked for in the working directory and its parent
// (the benchmark binaries live one level below the build folder).
fs::path FindData() {
    for (const fs::path& dir : {fs::current_path(), fs::current_path().parent_path()}) {
        if (fs::exists(dir / "gfx" / "font.bmp") && fs::exists(dir / "music")) {
            return dir;
        }
    }
    return {};
}

fs::path EnterScratchDir(const fs::path& data) {
    std::string tmpl = (fs::temp_directory_path() / "vlo-bench-XXXXXX").string();
    if (mkdtemp(tmpl.data()) == nullptr) {
        return {};
    }
    const fs::path dir(tmpl);
    fs::create_directory_symlink(data / "gfx", dir / "gfx");
    fs::create_directory_symlink(data / "music", dir / "music");
    fs::current_path(dir);
    return dir;
}

// A new game as the player first sees it: floor 1, a few tiles explored.
void BM_Render(benchmark::State& state) {
    NewGame();
    for (auto _ : state) {
        RequestPresent();
        UpdateView();
        Render();
    }
    state.SetLabel("new game, floor 1");
}
BENCHMARK(BM_Render)->Unit(benchmark::kMicrosecond);

// The heaviest picture: every tile remembered, so all 3200 map cells carry a
// glyph, on a floor deep enough for the full spawn tables.
void BM_RenderAllExplored(benchmark::State& state) {
    NewGame();
    while (theMap->currentFloor < 8) {
        NextFloor();
    }
    for (KRTile* tile : theMap->tiles) {
        tile->explored = true;
    }
    for (auto _ : state) {
        RequestPresent();
        UpdateView();
        Render();
    }
    state.SetLabel("floor 8, every tile explored");
}
BENCHMARK(BM_RenderAllExplored)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 1;
    }
    const fs::path data = FindData();
    if (data.empty()) {
        std::cerr << "render_bench: run it from the build folder (gfx/ and music/ not found)\n";
        return 1;
    }
    setenv("SDL_VIDEODRIVER", "dummy", 1);
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    const fs::path dir = EnterScratchDir(data);
    if (dir.empty() || !InitGame(640, 400, false)) {
        std::cerr << "render_bench: the game did not start\n";
        return 1;
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    QuitGame();
    std::error_code ec;
    fs::current_path(data, ec);
    fs::remove_all(dir, ec);
    return 0;
}
