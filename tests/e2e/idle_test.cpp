// What the game costs while nobody plays: CPU use of the game process (all
// its threads, from /proc/<pid>/stat) while the main menu waits and while a
// floor is shown. Measured figures are printed; the bounds are only sanity
// checks, since speed targets are measured rather than timed tests.
#include <chrono>
#include <cstdio>
#include <iostream>
#include <thread>

#include "session.h"

namespace e2e {
namespace {

constexpr double kSampleSeconds = 5.0;

struct CpuShare {
    double game = -1;   // per cent of one core
    double server = -1; // the X server's share over the same span
};

CpuShare MeasureIdle(pid_t game, pid_t server) {
    const auto t0 = std::chrono::steady_clock::now();
    const double g0 = CpuSeconds(game);
    const double s0 = CpuSeconds(server);
    std::this_thread::sleep_for(std::chrono::duration<double>(kSampleSeconds));
    const double g1 = CpuSeconds(game);
    const double s1 = CpuSeconds(server);
    const double wall =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    CpuShare share;
    if (g0 >= 0 && g1 >= 0) {
        share.game = 100.0 * (g1 - g0) / wall;
    }
    if (s0 >= 0 && s1 >= 0) {
        share.server = 100.0 * (s1 - s0) / wall;
    }
    return share;
}

std::string Percent(double v) {
    char text[32];
    std::snprintf(text, sizeof text, "%.1f%%", v);
    return text;
}

class IdleE2E : public GameSession {};

TEST_F(IdleE2E, MenuAndFloorLeaveTheCpuAlmostIdle) {
    WriteConfig(R"({"Fullscreen": false, "Music": true, "MusicVolume": 96})");
    GameProcess& game = Launch();
    bool ok = false;
    WaitMainMenu(0, ok);
    ASSERT_TRUE(ok);
    std::this_thread::sleep_for(std::chrono::milliseconds(1000)); // start-up work settles
    const CpuShare menu = MeasureIdle(game.Pid(), X().Pid());

    Screen s = StartNewGame(ok);
    ASSERT_TRUE(ok) << s.Dump();
    std::this_thread::sleep_for(std::chrono::milliseconds(1000));
    const CpuShare floor = MeasureIdle(game.Pid(), X().Pid());

    std::cout << "IDLE-MENU-CPU " << Percent(menu.game) << " (Xvfb " << Percent(menu.server)
              << ")\n"
              << "IDLE-FLOOR-CPU " << Percent(floor.game) << " (Xvfb " << Percent(floor.server)
              << ")\n"
              << "(game process user+system time over " << kSampleSeconds
              << " s of wall time, per cent of one core; windowed 640 x 400, dummy audio)\n";
    RecordProperty("idle_menu_cpu_percent", Percent(menu.game));
    RecordProperty("idle_floor_cpu_percent", Percent(floor.game));
    ASSERT_GE(menu.game, 0.0);
    ASSERT_GE(floor.game, 0.0);
    EXPECT_LT(menu.game, 25.0) << "the main menu should wait for events, not spin";
    EXPECT_LT(floor.game, 25.0) << "the game loop should sleep to its 60 ms clock";
    EXPECT_TRUE(game.Running());
}

} // namespace
} // namespace e2e
