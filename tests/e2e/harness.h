// End-to-end harness: a private Xvfb (optionally with openbox), the real
// game binary started in a scratch folder, keys through xdotool, screenshots
// through xwd. Every wait is bounded; every process it starts it also ends.
// Depends on GoogleTest and the screenshot reader, never on the game's code.
#pragma once

#include <gtest/gtest.h>

#include <sys/types.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "glyphs.h"
#include "image.h"

namespace vlotest {

struct CommandResult {
    int status = -1; // exit status; -1 when it could not run or was killed
    bool timedOut = false;
    std::string out;
    std::string err;
};

// Runs argv (looked up on PATH) with DISPLAY set to `display`, collecting its
// output; a command still running after `timeoutMs` is killed.
CommandResult RunCommand(const std::vector<std::string>& argv, const std::string& display,
                         int timeoutMs);

// User plus system CPU time of a process so far, in seconds (-1 if gone).
double CpuSeconds(pid_t pid);

// Waits up to `timeoutMs` for a child to end. Returns true when it did, with
// `status` its exit status, or 128 + signal when a signal ended it.
bool WaitForExit(pid_t pid, int timeoutMs, int& status);

// Ends a child: SIGTERM, a short grace, then SIGKILL; always reaps it.
void StopChild(pid_t& pid, int graceMs = 1500);

// A private X server on a free display number (Xvfb chooses it and reports
// it through -displayfd once it accepts connections).
class XServer {
public:
    XServer() = default;
    XServer(const XServer&) = delete;
    XServer& operator=(const XServer&) = delete;
    ~XServer() { Stop(); }

    // width x height x 24 (the game's 640 x 400 by default), black root, no
    // TCP. With `windowManager`, openbox runs on it (for close requests and
    // fullscreen as on a desktop).
    bool Start(bool windowManager, const std::filesystem::path& logDir, std::string& error,
               int width = 640, int height = 400);
    void Stop();
    const std::string& Display() const { return display_; }
    pid_t Pid() const { return xvfb_; }
    int Width() const { return width_; }
    int Height() const { return height_; }

private:
    int width_ = 640;
    int height_ = 400;
    pid_t xvfb_ = -1;
    pid_t wm_ = -1;
    std::string display_;
};

// The real game binary of the build folder, one process.
class GameProcess {
public:
    GameProcess(const XServer& x, std::filesystem::path workDir)
        : x_(x), dir_(std::move(workDir)) {}
    GameProcess(const GameProcess&) = delete;
    GameProcess& operator=(const GameProcess&) = delete;
    ~GameProcess() { StopChild(pid_, 0); }

    // Forks and execs the game in the work folder with DISPLAY and the dummy
    // audio driver; its standard output and error go to files there.
    bool Start(std::string& error);
    // Waits for the game's window (xdotool search --sync) and focuses it.
    bool FindWindow(int timeoutMs, std::string& error);

    pid_t Pid() const { return pid_; }
    const std::string& Window() const { return window_; }
    std::chrono::steady_clock::time_point Started() const { return started_; }
    bool Running() const;

    // The window's title as X reports it.
    std::string WindowName() const;
    // Presses and releases each keysym in turn (xdotool key names).
    bool Keys(const std::vector<std::string>& keysyms, int delayMs = 40) const;
    // The whole X screen as a picture; with a placement set, the picture read
    // back through it; otherwise a screen that is an exact multiple of
    // 640 x 400 (fullscreen) is scaled back down to it.
    bool Capture(Image& image, std::string& error) const;
    // The whole X screen, as it is.
    bool CaptureScreen(Image& image, std::string& error) const;
    // Where the game's picture lies on the screen, as a test has measured it.
    void SetPlacement(const Placement& at) {
        placement_ = at;
        placed_ = true;
    }
    bool Placed(Placement& at) const {
        at = placement_;
        return placed_;
    }

    void Signal(int signal) const;
    bool WaitExit(int timeoutMs, int& status);
    void Kill() { StopChild(pid_, 0); }

    std::string Stdout() const;
    std::string Stderr() const;

private:
    const XServer& x_;
    std::filesystem::path dir_;
    pid_t pid_ = -1;
    std::string window_;
    std::chrono::steady_clock::time_point started_{};
    Placement placement_;
    bool placed_ = false;
};

// Fixture of every end-to-end test: a fresh work folder
// <build>/e2e-work/<Suite>.<Test> (kept afterwards for a person to look at),
// the X server, the game, and screenshots saved under <build>/e2e-screens/.
class E2ETest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Starts the X server on first use (openbox and another screen size only
    // if asked then).
    void StartX(bool windowManager = false, int width = 640, int height = 400);
    // Writes game.cfg into the work folder before a launch.
    void WriteConfig(const std::string& json);
    // Starts the game (pointer parked over the status panel, away from the
    // map and the frame) and, unless told not to, waits for its window;
    // fails the test when that does not work.
    GameProcess& Launch(bool waitForWindow = true);
    GameProcess& Game() { return *game_; }

    // Takes a screenshot, saves it as <label>.png and reads it.
    Screen Shot(const std::string& label);
    // Takes screenshots until `ready` holds or `timeoutMs` passes; the last
    // one is saved and returned, `ok` tells which of the two happened.
    Screen WaitFor(const std::string& label, const std::function<bool(const Screen&)>& ready,
                   bool& ok, int timeoutMs = 5000);
    void Press(const std::vector<std::string>& keysyms, int delayMs = 40);
    // Moves the X pointer over pixel (x, y) of the 640 x 400 picture (on a
    // larger screen, where the fullscreen picture shows it: through the
    // game's placement once measured, else by a whole factor).
    void PointAt(int x, int y);
    // Moves the X pointer to a screen pixel.
    void PointAtScreen(int x, int y);

    // With VLO_UPDATE_SCREENSHOTS=1 in the environment, writes the picture
    // as docs/screenshots/<name>.png of the source tree; otherwise nothing.
    static void Publish(const Screen& screen, const std::string& name);
    static void PublishImage(const Image& image, const std::string& name);

    std::filesystem::path WorkDir() const { return work_; }
    std::string ReadWorkFile(const std::string& name) const;
    XServer& X() { return x_; }

private:
    std::string SavePicture(const Image& image, const std::string& label);

    std::filesystem::path work_;
    std::string testName_;
    int shotNumber_ = 0;
    bool xStarted_ = false;
    XServer x_;
    std::unique_ptr<GameProcess> game_;
    const GlyphSheet* sheet_ = nullptr;
};

} // namespace vlotest
