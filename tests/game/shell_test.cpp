// Start-up, shutdown and the frame clock of the shell under SDL's dummy
// drivers: what InitGame builds, what a missing font does, and that an idle
// game sleeps between its frames instead of spinning or drawing.
#include <gtest/gtest.h>

#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <sstream>
#include <string>

#include "floors.h"
#include "font.h"
#include "game.h"
#include "game_env.h"
#include "message.h"
#include "scripted_input.h"
#include "shell.h"

namespace {

class ShellTest : public vlotest::ScratchEnv {};

bool HasLineStartingWith(const std::string& text, const std::string& start) {
    std::istringstream lines(text);
    std::string line;
    while (std::getline(lines, line)) {
        if (line.rfind(start, 0) == 0 && line.size() > start.size()) {
            return true;
        }
    }
    return false;
}

double CpuSeconds() {
    rusage use{};
    getrusage(RUSAGE_SELF, &use);
    return static_cast<double>(use.ru_utime.tv_sec + use.ru_stime.tv_sec) +
           static_cast<double>(use.ru_utime.tv_usec + use.ru_stime.tv_usec) / 1e6;
}

TEST_F(ShellTest, StartUpBuildsTheWindowSurfacesFontAndLog) {
    ASSERT_TRUE(InitGame(640, 400, false));
    ASSERT_NE(window, nullptr);
    EXPECT_STREQ(SDL_GetWindowTitle(window), "Velvet Lockout (V.L.O.) v0.3");
    EXPECT_NE(renderer, nullptr);
    EXPECT_NE(texture, nullptr);
    const Uint32 format = rendererInfo.texture_formats[0];
    struct Expected {
        SDL_Surface* surface;
        int w;
        int h;
    };
    for (const Expected& e :
         {Expected{screen, 640, 400}, Expected{tempSurface, 640, 400}, Expected{panel, 640, 80},
          Expected{mapPanel, 640, 320}, Expected{inventoryPanel, 456, 40}}) {
        ASSERT_NE(e.surface, nullptr);
        EXPECT_EQ(e.surface->w, e.w);
        EXPECT_EQ(e.surface->h, e.h);
        EXPECT_EQ(e.surface->format->format, format) << "every surface in the texture format";
    }
    ASSERT_NE(font, nullptr);
    ASSERT_NE(message, nullptr);
    EXPECT_EQ(message->surface, panel);
    EXPECT_EQ(keyboard.size(), static_cast<std::size_t>(ActionCount)) << "the default bindings";
    EXPECT_EQ(SDL_ShowCursor(-1), 0) << "the system cursor is hidden";

    QuitGame();
    EXPECT_EQ(window, nullptr);
    EXPECT_EQ(screen, nullptr);
    EXPECT_EQ(font, nullptr);
    EXPECT_EQ(message, nullptr);
    EXPECT_TRUE(std::filesystem::exists("game.cfg")) << "settings are written at shutdown";
}

TEST_F(ShellTest, QuitGameIsSafeWithNothingStarted) {
    QuitGame();
    EXPECT_EQ(window, nullptr);
    EXPECT_EQ(renderer, nullptr);
}

TEST_F(ShellTest, MissingFontFailsStartUpWithItsMessageAndStillSavesSettings) {
    std::filesystem::remove(dir / "gfx");
    ::testing::internal::CaptureStdout();
    const bool started = InitGame(640, 400, false);
    QuitGame(); // after a partial start-up
    const std::string out = ::testing::internal::GetCapturedStdout();
    EXPECT_FALSE(started);
    EXPECT_TRUE(HasLineStartingWith(out, "Couldn't load font image: ")) << out;
    EXPECT_EQ(font, nullptr);
    EXPECT_TRUE(std::filesystem::exists("game.cfg"));
}

// SDL that cannot reach the X server falls back to its offscreen driver; the
// game must end with a reason rather than run, music and all, with no window.
TEST_F(ShellTest, StartUpWithoutADisplayFailsInsteadOfRunningUnseen) {
    const char* display = std::getenv("DISPLAY");
    const std::string savedDisplay = display != nullptr ? display : "";
    setenv("DISPLAY", ":65000", 1); // no server there
    setenv("SDL_VIDEODRIVER", "x11,offscreen", 1);
    ::testing::internal::CaptureStderr();
    const bool started = InitGame(640, 400, false);
    QuitGame();
    const std::string err = ::testing::internal::GetCapturedStderr();
    if (display != nullptr) {
        setenv("DISPLAY", savedDisplay.c_str(), 1);
    } else {
        unsetenv("DISPLAY");
    }
    EXPECT_FALSE(started);
    EXPECT_TRUE(HasLineStartingWith(err, "Couldn't initialize SDL: no display could be opened"))
        << err;
}

TEST_F(ShellTest, DelaySleepsUntilTheGivenTick) {
    ASSERT_EQ(SDL_Init(SDL_INIT_TIMER), 0);
    const Uint32 start = SDL_GetTicks();
    Delay(start + 50);
    EXPECT_GE(SDL_GetTicks() - start, 49u);
    const Uint32 again = SDL_GetTicks();
    Delay(0); // long passed
    EXPECT_LT(SDL_GetTicks() - again, 20u);
    SDL_Quit();
}

TEST_F(ShellTest, AnIdleGameSleepsBetweenItsFrames) {
    ASSERT_TRUE(InitGame(640, 400, false));
    ASSERT_TRUE(NewGame());
    vlotest::ScriptedInput script;
    script.Pause(1200).Quit();
    const double cpuBefore = CpuSeconds();
    const auto wallBefore = std::chrono::steady_clock::now();
    EXPECT_TRUE(script.Run([] { RunGame(); })) << script.Failures();
    const double wall =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - wallBefore).count();
    const double cpu = CpuSeconds() - cpuBefore;
    RecordProperty("cpu_per_mille", static_cast<int>(1000 * cpu / wall));
    EXPECT_GT(wall, 1.0);
    // Sanitized frames of 60 ms cost a few milliseconds each; a spinning loop
    // would take a whole core.
    EXPECT_LT(cpu / wall, 0.3) << "CPU " << cpu << " s over " << wall << " s";
    QuitGame();
}

// A frame left alone does not draw the picture again; input, or a box drawn
// over the game, makes the next frame draw it. A row scribbled onto the
// picture tells whether a frame drew.
TEST_F(ShellTest, AFrameWithoutInputDrawsOnlyWhenSomethingChanged) {
    ASSERT_TRUE(InitGame(640, 400, false));
    ASSERT_TRUE(NewGame());
    RunFrame();
    const auto scribble = [] {
        auto* row = static_cast<unsigned char*>(screen->pixels);
        std::fill(row, row + screen->pitch, 0xAB);
    };
    const auto scribbled = [] {
        const auto* row = static_cast<const unsigned char*>(screen->pixels);
        return std::all_of(row, row + screen->pitch, [](unsigned char b) { return b == 0xAB; });
    };
    SDL_Event motion{};
    motion.type = SDL_MOUSEMOTION;
    motion.motion.windowID = SDL_GetWindowID(window);
    const struct {
        const char* what;
        std::function<void()> between;
        bool drawn;
    } cases[] = {
        {"nothing", [] {}, false},
        {"a mouse move", [&] { SDL_PushEvent(&motion); }, true},
        {"a box over the game", [] { PresentScreen(); }, true},
    };
    for (const auto& c : cases) {
        scribble();
        c.between();
        RunFrame();
        EXPECT_EQ(!scribbled(), c.drawn) << c.what;
    }
    QuitGame();
}

} // namespace
