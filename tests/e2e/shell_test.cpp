// The process as a desktop sees it: the window and its first frame, ending
// on close requests and signals, and a start-up without its font.
#include <csignal>
#include <filesystem>
#include <iostream>
#include <thread>

#include "session.h"

namespace e2e {
namespace {

namespace fs = std::filesystem;

class ShellE2E : public GameSession {};

TEST_F(ShellE2E, OpensTitledWindowAndPresentsTheMenuQuickly) {
    GameProcess& game = Launch(false);
    bool ok = false;
    Screen first = WaitFor(
        "first-frame", [](const Screen& s) { return s.Picture().AnyNonBlack(); }, ok, 10000);
    const auto firstFrameMs = std::chrono::duration_cast<std::chrono::milliseconds>(
                                  std::chrono::steady_clock::now() - game.Started())
                                  .count();
    ASSERT_TRUE(ok) << "the window stayed black for 10 s";
    // Measured, not a timed test: the goal is 300 ms; the bound only
    // catches a start-up that hangs.
    std::cout << "STARTUP-FIRST-FRAME-MS " << firstFrameMs
              << " (process start to first non-black screenshot, xwd polling)\n";
    RecordProperty("startup_first_frame_ms", static_cast<int>(firstFrameMs));
    EXPECT_LT(firstFrameMs, 5000);

    std::string error;
    ASSERT_TRUE(game.FindWindow(5000, error)) << error;
    EXPECT_EQ(game.WindowName(), "Velvet Lockout (V.L.O.) v0.3");
    Screen menu = WaitMainMenu(0, ok);
    EXPECT_TRUE(ok) << "the first frames should become the main menu:\n" << menu.Dump();
    EXPECT_TRUE(game.Running());
}

TEST_F(ShellE2E, MissingFontIsReportedAndEndsWithStatusZero) {
    fs::remove(WorkDir() / "gfx");
    fs::create_directory(WorkDir() / "gfx");
    GameProcess& game = Launch(false);
    int status = -1;
    ASSERT_TRUE(game.WaitExit(10000, status)) << "the game kept running without its font";
    EXPECT_EQ(status, 0);
    EXPECT_NE(game.Stdout().find("Couldn't load font image: "), std::string::npos)
        << "stdout: " << game.Stdout();
    EXPECT_TRUE(fs::exists(WorkDir() / "game.cfg"))
        << "an orderly shutdown still writes the settings";
}

TEST_F(ShellE2E, CloseRequestEndsTheGameWithoutSavingButNotTheMenu) {
    StartX(true); // openbox turns Alt+F4 into a WM_DELETE_WINDOW request
    GameProcess& game = Launch();
    bool ok = false;
    WaitMainMenu(0, ok);
    ASSERT_TRUE(ok);

    Press({"alt+F4"});
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    Screen menu = WaitMainMenu(0, ok, "menu-after-close");
    EXPECT_TRUE(ok && game.Running()) << "a close request in the main menu only redraws it";

    Screen floor = StartNewGame(ok);
    ASSERT_TRUE(ok) << floor.Dump();
    Press({"alt+F4"});
    WaitMainMenu(0, ok, "menu-after-game-closed");
    EXPECT_TRUE(ok) << "closing the window during a game returns to the main menu";
    EXPECT_FALSE(fs::exists(WorkDir() / "game.sav")) << "a closed game is not saved";

    Press({"Up", "Return"}); // Up from "New Game" wraps to "Quit"
    int status = -1;
    ASSERT_TRUE(game.WaitExit(8000, status));
    EXPECT_EQ(status, 0);
}

TEST_F(ShellE2E, TerminateSignalActsAsACloseRequest) {
    GameProcess& game = Launch();
    bool ok = false;
    WaitMainMenu(0, ok);
    ASSERT_TRUE(ok);
    Screen floor = StartNewGame(ok);
    ASSERT_TRUE(ok) << floor.Dump();

    game.Signal(SIGTERM);
    WaitMainMenu(0, ok, "menu-after-sigterm");
    EXPECT_TRUE(ok) << "SIGTERM during a game ends the game like a close request";
    EXPECT_FALSE(fs::exists(WorkDir() / "game.sav"));

    game.Signal(SIGTERM);
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    EXPECT_TRUE(game.Running()) << "the main menu ignores quit requests";
    Press({"Up", "Return"});
    int status = -1;
    ASSERT_TRUE(game.WaitExit(8000, status));
    EXPECT_EQ(status, 0);
}

} // namespace
} // namespace e2e
