// What the game costs while nobody plays: CPU use of the game process (all
// its threads, from /proc/<pid>/stat) while the main menu waits and while a
// floor is shown. Measured figures are printed; the bounds are only sanity
// checks, since speed targets are measured rather than timed tests.
#include <sys/types.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <thread>

#include "session.h"

namespace vlotest {
namespace {

constexpr double kSampleSeconds = 10.0; // CPU time comes in 10 ms ticks

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

// The yardstick program on the same X server, measured the same way.
CpuShare MeasureBareLoop(const std::string& display, pid_t server) {
    const pid_t pid = fork();
    if (pid == 0) {
        setenv("DISPLAY", display.c_str(), 1);
        execl(VLO_BARE_LOOP, VLO_BARE_LOOP, "30", static_cast<char*>(nullptr));
        _exit(127);
    }
    if (pid < 0) {
        return {};
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(1500)); // start-up settles
    const CpuShare share = MeasureIdle(pid, server);
    pid_t child = pid;
    StopChild(child);
    return share;
}

class IdleE2E : public GameSession {};

TEST_F(IdleE2E, MenuAndFloorLeaveTheCpuAlmostIdle) {
    WriteConfig(R"({"Fullscreen": false, "Music": true, "MusicVolume": 96})");
    bool ok = false;
    GameProcess& game = LaunchToMainMenu(ok);
    ASSERT_TRUE(ok);
    std::this_thread::sleep_for(std::chrono::milliseconds(1000)); // start-up work settles
    const CpuShare menu = MeasureIdle(game.Pid(), X().Pid());

    Screen s = StartNewGame(ok);
    ASSERT_TRUE(ok) << s.Dump();
    std::this_thread::sleep_for(std::chrono::milliseconds(1000));
    const CpuShare floor = MeasureIdle(game.Pid(), X().Pid());
    const CpuShare bare = MeasureBareLoop(X().Display(), X().Pid());

    std::cout << "IDLE-MENU-CPU " << Percent(menu.game) << " (Xvfb " << Percent(menu.server)
              << ")\n"
              << "IDLE-FLOOR-CPU " << Percent(floor.game) << " (Xvfb " << Percent(floor.server)
              << ")\n"
              << "IDLE-BARE-LOOP-CPU " << Percent(bare.game) << " (Xvfb " << Percent(bare.server)
              << "; an SDL loop presenting an unchanged 640 x 400 frame every 60 ms)\n"
              << "IDLE-FLOOR-TO-BARE-LOOP " << (bare.game > 0 ? floor.game / bare.game : -1.0)
              << "\n"
              << "(game process user+system time over " << kSampleSeconds
              << " s of wall time, per cent of one core; windowed 640 x 400, dummy audio)\n";
    RecordProperty("idle_menu_cpu_percent", Percent(menu.game));
    RecordProperty("idle_floor_cpu_percent", Percent(floor.game));
    RecordProperty("idle_bare_loop_cpu_percent", Percent(bare.game));
    ASSERT_GE(menu.game, 0.0);
    ASSERT_GE(floor.game, 0.0);
    ASSERT_GT(bare.game, 0.0) << "the bare loop did not run";
    EXPECT_LT(menu.game, 25.0) << "the main menu should wait for events, not spin";
    EXPECT_LT(floor.game, 25.0) << "the game loop should sleep to its 60 ms clock";
    EXPECT_TRUE(game.Running());
}

} // namespace
} // namespace vlotest
