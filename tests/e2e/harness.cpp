// Processes of the end-to-end tests: Xvfb, openbox, the game and the X
// command-line tools, each forked with a parent-death signal so that a test
// that dies leaves nothing running.
#include "harness.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <sstream>
#include <thread>

namespace vlotest {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

int MillisLeft(Clock::time_point deadline) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    return left > 0 ? static_cast<int>(left) : 0;
}

void SleepMs(int ms) {
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

// In a freshly forked child: die with the test process, and send standard
// output and error to `logPath` (if given).
void PrepareChild(const std::string& logPath) {
    prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (!logPath.empty()) {
        const int fd = open(logPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (fd >= 0) {
            dup2(fd, STDOUT_FILENO);
            dup2(fd, STDERR_FILENO);
            close(fd);
        }
    }
}

[[noreturn]] void Exec(const std::vector<std::string>& argv) {
    std::vector<char*> args;
    for (const std::string& a : argv) {
        args.push_back(const_cast<char*>(a.c_str()));
    }
    args.push_back(nullptr);
    execvp(args[0], args.data());
    _exit(127);
}

std::string ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

std::string FirstLine(const std::string& text) {
    const size_t end = text.find('\n');
    return end == std::string::npos ? text : text.substr(0, end);
}

} // namespace

CommandResult RunCommand(const std::vector<std::string>& argv, const std::string& display,
                         int timeoutMs) {
    CommandResult result;
    int out[2], err[2];
    if (pipe2(out, O_CLOEXEC) != 0) {
        return result;
    }
    if (pipe2(err, O_CLOEXEC) != 0) {
        close(out[0]);
        close(out[1]);
        return result;
    }
    const pid_t pid = fork();
    if (pid == 0) {
        prctl(PR_SET_PDEATHSIG, SIGKILL);
        dup2(out[1], STDOUT_FILENO);
        dup2(err[1], STDERR_FILENO);
        setenv("DISPLAY", display.c_str(), 1);
        Exec(argv);
    }
    close(out[1]);
    close(err[1]);
    if (pid < 0) {
        close(out[0]);
        close(err[0]);
        return result;
    }
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    pollfd fds[2] = {{out[0], POLLIN, 0}, {err[0], POLLIN, 0}};
    std::string* sinks[2] = {&result.out, &result.err};
    int openPipes = 2;
    char buffer[65536];
    while (openPipes > 0) {
        const int left = MillisLeft(deadline);
        if (left == 0) {
            result.timedOut = true;
            break;
        }
        if (poll(fds, 2, left) < 0) {
            break;
        }
        for (int k = 0; k < 2; ++k) {
            if (fds[k].fd >= 0 && (fds[k].revents & (POLLIN | POLLHUP | POLLERR)) != 0) {
                const ssize_t n = read(fds[k].fd, buffer, sizeof buffer);
                if (n > 0) {
                    sinks[k]->append(buffer, static_cast<size_t>(n));
                } else {
                    close(fds[k].fd);
                    fds[k].fd = -1;
                    --openPipes;
                }
            }
        }
    }
    for (pollfd& p : fds) {
        if (p.fd >= 0) {
            close(p.fd);
        }
    }
    int status = 0;
    if (!result.timedOut && WaitForExit(pid, MillisLeft(deadline) + 100, status)) {
        result.status = status;
    } else {
        result.timedOut = true;
        pid_t stray = pid;
        kill(stray, SIGKILL);
        waitpid(stray, nullptr, 0);
    }
    return result;
}

double CpuSeconds(pid_t pid) {
    const std::string stat = ReadFile("/proc/" + std::to_string(pid) + "/stat");
    const size_t nameEnd = stat.rfind(')');
    if (nameEnd == std::string::npos) {
        return -1;
    }
    // After the command name: field 3 (state) onwards; utime and stime are
    // fields 14 and 15, in clock ticks.
    std::istringstream fields(stat.substr(nameEnd + 1));
    std::string field;
    long long utime = 0, stime = 0;
    for (int index = 3; index <= 15 && fields >> field; ++index) {
        if (index == 14) {
            utime = std::stoll(field);
        } else if (index == 15) {
            stime = std::stoll(field);
        }
    }
    return static_cast<double>(utime + stime) / static_cast<double>(sysconf(_SC_CLK_TCK));
}

bool WaitForExit(pid_t pid, int timeoutMs, int& status) {
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        int raw = 0;
        const pid_t done = waitpid(pid, &raw, WNOHANG);
        if (done == pid) {
            status = WIFEXITED(raw) ? WEXITSTATUS(raw) : 128 + WTERMSIG(raw);
            return true;
        }
        if (done < 0 || MillisLeft(deadline) == 0) {
            return false;
        }
        SleepMs(10);
    }
}

void StopChild(pid_t& pid, int graceMs) {
    if (pid <= 0) {
        return;
    }
    int status = 0;
    if (graceMs > 0) {
        kill(pid, SIGTERM);
        if (WaitForExit(pid, graceMs, status)) {
            pid = -1;
            return;
        }
    }
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
    pid = -1;
}

// ---- X server ---------------------------------------------------------------

bool XServer::Start(bool windowManager, const fs::path& logDir, std::string& error, int width,
                    int height) {
    width_ = width;
    height_ = height;
    const std::string screen = std::to_string(width) + "x" + std::to_string(height) + "x24";
    int fds[2];
    if (pipe(fds) != 0) {
        error = "pipe failed";
        return false;
    }
    fcntl(fds[0], F_SETFD, FD_CLOEXEC);
    const std::string log = (logDir / "xvfb.log").string();
    xvfb_ = fork();
    if (xvfb_ == 0) {
        PrepareChild(log);
        close(fds[0]);
        // -noreset: by default the server starts afresh whenever its last
        // client leaves, and drops every connection that arrives meanwhile.
        // Between two games only short-lived xdotool and xwd runs are
        // connected, so a game, openbox or xdotool starting at that moment
        // would find no display (and SDL would quietly draw off screen).
        Exec({"Xvfb", "-displayfd", std::to_string(fds[1]), "-screen", "0", screen, "-nolisten",
              "tcp", "-br", "-noreset"});
    }
    close(fds[1]);
    if (xvfb_ < 0) {
        close(fds[0]);
        error = "fork failed";
        return false;
    }
    // Xvfb writes the display number once it accepts connections.
    std::string number;
    const Clock::time_point deadline = Clock::now() + std::chrono::seconds(10);
    while (number.find('\n') == std::string::npos && MillisLeft(deadline) > 0) {
        pollfd p{fds[0], POLLIN, 0};
        if (poll(&p, 1, MillisLeft(deadline)) <= 0) {
            break;
        }
        char c[16];
        const ssize_t n = read(fds[0], c, sizeof c);
        if (n <= 0) {
            break;
        }
        number.append(c, static_cast<size_t>(n));
    }
    close(fds[0]);
    if (number.find('\n') == std::string::npos) {
        error = "Xvfb did not report a display: " + ReadFile(log);
        Stop();
        return false;
    }
    display_ = ":" + FirstLine(number);
    if (!windowManager) {
        return true;
    }
    wm_ = fork();
    if (wm_ == 0) {
        PrepareChild((logDir / "openbox.log").string());
        setenv("DISPLAY", display_.c_str(), 1);
        Exec({"openbox", "--sm-disable"});
    }
    if (wm_ < 0) {
        error = "fork failed";
        Stop();
        return false;
    }
    // Openbox is ready once it has taken over the screen and published its
    // desktops on the root window. It may take seconds on a busy machine, so
    // the wait is bounded by time, and ends early if openbox has died.
    const Clock::time_point wmDeadline = Clock::now() + std::chrono::seconds(20);
    CommandResult probe;
    int wmStatus = -1;
    bool wmEnded = false;
    while (MillisLeft(wmDeadline) > 0) {
        probe = RunCommand({"xdotool", "get_num_desktops"}, display_,
                           std::max(MillisLeft(wmDeadline), 1));
        if (probe.status == 0 && !probe.out.empty()) {
            return true;
        }
        if (WaitForExit(wm_, 0, wmStatus)) {
            wm_ = -1;
            wmEnded = true;
            break;
        }
        SleepMs(50);
    }
    error = "openbox did not start: " +
            (wmEnded ? "it ended with status " + std::to_string(wmStatus)
                     : std::string("not ready after 20 s")) +
            "; xdotool get_num_desktops: " + FirstLine(probe.err) +
            (probe.timedOut ? " (timed out)" : "") +
            "; openbox log: " + ReadFile(logDir / "openbox.log");
    Stop();
    return false;
}

void XServer::Stop() {
    StopChild(wm_, 1000);
    StopChild(xvfb_, 3000);
    display_.clear();
}

// ---- the game ---------------------------------------------------------------

namespace {

// VLO_E2E_PROGRAM names another program to start instead of the build's
// binary: the package test points it at the launcher of an unpacked package.
const char* OtherProgram() {
    const char* program = std::getenv("VLO_E2E_PROGRAM");
    return program != nullptr && *program != '\0' ? program : nullptr;
}

} // namespace

bool GameProcess::Start(std::string& error) {
    const std::string binary = OtherProgram() != nullptr
                                   ? OtherProgram()
                                   : std::string(VLO_BINARY_DIR) + "/velvet-lockout";
    if (access(binary.c_str(), X_OK) != 0) {
        error = "no game binary at " + binary;
        return false;
    }
    const std::string outPath = (dir_ / "stdout.txt").string();
    const std::string errPath = (dir_ / "stderr.txt").string();
    started_ = Clock::now();
    pid_ = fork();
    if (pid_ == 0) {
        prctl(PR_SET_PDEATHSIG, SIGKILL);
        if (chdir(dir_.c_str()) != 0) {
            _exit(126);
        }
        const int out = open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        const int err = open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        dup2(out, STDOUT_FILENO);
        dup2(err, STDERR_FILENO);
        close(out);
        close(err);
        setenv("DISPLAY", x_.Display().c_str(), 1);
        setenv("SDL_AUDIODRIVER", "dummy", 1);
        unsetenv("SDL_VIDEODRIVER");
        execl(binary.c_str(), "velvet-lockout", static_cast<char*>(nullptr));
        _exit(127);
    }
    if (pid_ < 0) {
        error = "fork failed";
        return false;
    }
    return true;
}

bool GameProcess::FindWindow(int timeoutMs, std::string& error) {
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    // The renderer replaces the window it was given while the game starts, and
    // xdotool fails outright when a window vanishes under its search: search
    // again until the deadline.
    CommandResult found;
    for (;;) {
        found = RunCommand({"xdotool", "search", "--sync", "--name", "^Velvet Lockout"},
                           x_.Display(), std::max(MillisLeft(deadline), 1));
        if ((found.status == 0 && !found.out.empty()) || found.timedOut || !Running() ||
            MillisLeft(deadline) <= 0) {
            break;
        }
        SleepMs(50);
    }
    if (found.status != 0 || found.out.empty()) {
        error = "no window named Velvet Lockout appeared" +
                std::string(found.timedOut ? " in time" : "") + "; game stdout: " + Stdout() +
                " stderr: " + Stderr();
        return false;
    }
    window_ = FirstLine(found.out);
    // The window may exist before it is mapped; focusing fails until then.
    while (MillisLeft(deadline) > 0) {
        const CommandResult r =
            RunCommand({"xdotool", "windowfocus", "--sync", window_}, x_.Display(), 1000);
        if (r.status == 0) {
            return true;
        }
        SleepMs(50);
    }
    error = "could not focus window " + window_;
    return false;
}

bool GameProcess::Running() const {
    if (pid_ <= 0) {
        return false;
    }
    siginfo_t info{};
    return waitid(P_PID, static_cast<id_t>(pid_), &info, WEXITED | WNOHANG | WNOWAIT) == 0 &&
           info.si_pid == 0;
}

std::string GameProcess::WindowName() const {
    return FirstLine(RunCommand({"xdotool", "getwindowname", window_}, x_.Display(), 3000).out);
}

bool GameProcess::Keys(const std::vector<std::string>& keysyms, int delayMs) const {
    std::vector<std::string> argv = {"xdotool", "key", "--delay", std::to_string(delayMs)};
    argv.insert(argv.end(), keysyms.begin(), keysyms.end());
    const int budget = 3000 + static_cast<int>(keysyms.size()) * (delayMs + 50);
    return RunCommand(argv, x_.Display(), budget).status == 0;
}

bool GameProcess::CaptureScreen(Image& image, std::string& error) const {
    const CommandResult r = RunCommand({"xwd", "-root", "-silent"}, x_.Display(), 5000);
    if (r.status != 0) {
        error = "xwd failed: " + r.err;
        return false;
    }
    return DecodeXwd(r.out, image, error);
}

bool GameProcess::Capture(Image& image, std::string& error) const {
    if (!CaptureScreen(image, error)) {
        return false;
    }
    if (placed_) {
        image = Resample(image, placement_);
        return true;
    }
    const int factor = image.width / 640;
    if (factor > 1 && image.width == 640 * factor && image.height == 400 * factor) {
        image = Downscale(image, factor);
    }
    return true;
}

void GameProcess::Signal(int signal) const {
    if (pid_ > 0) {
        kill(pid_, signal);
    }
}

bool GameProcess::WaitExit(int timeoutMs, int& status) {
    if (pid_ <= 0) {
        return false;
    }
    if (WaitForExit(pid_, timeoutMs, status)) {
        pid_ = -1;
        return true;
    }
    return false;
}

std::string GameProcess::Stdout() const {
    return ReadFile(dir_ / "stdout.txt");
}
std::string GameProcess::Stderr() const {
    return ReadFile(dir_ / "stderr.txt");
}

// ---- fixture ----------------------------------------------------------------

void E2ETest::SetUp() {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    // Another program's run keeps its work folder and screenshots apart.
    testName_ = std::string(OtherProgram() != nullptr ? "other." : "") + info->test_suite_name() +
                "." + info->name();
    work_ = fs::path(VLO_BINARY_DIR) / "e2e-work" / testName_;
    std::error_code ec;
    fs::remove_all(work_, ec);
    fs::create_directories(work_);
    fs::create_directory_symlink(fs::path(VLO_BINARY_DIR) / "gfx", work_ / "gfx");
    fs::create_directory_symlink(fs::path(VLO_BINARY_DIR) / "music", work_ / "music");
    const fs::path shots = fs::path(VLO_BINARY_DIR) / "e2e-screens";
    if (fs::is_directory(shots)) {
        for (const auto& entry : fs::directory_iterator(shots)) {
            if (entry.path().filename().string().rfind(testName_ + "-", 0) == 0) {
                fs::remove(entry.path(), ec);
            }
        }
    }
    std::string error;
    sheet_ = GlyphSheet::Shared(error);
    ASSERT_NE(sheet_, nullptr) << error;
}

void E2ETest::TearDown() {
    if (game_) {
        if (HasFailure()) {
            std::cout << "game stdout:\n"
                      << game_->Stdout() << "game stderr:\n"
                      << game_->Stderr() << std::flush;
        }
        game_->Kill();
        game_.reset();
    }
    x_.Stop();
}

void E2ETest::StartX(bool windowManager, int width, int height) {
    if (xStarted_) {
        return;
    }
    std::string error;
    ASSERT_TRUE(x_.Start(windowManager, work_, error, width, height)) << error;
    xStarted_ = true;
}

void E2ETest::WriteConfig(const std::string& json) {
    std::ofstream(work_ / "game.cfg", std::ios::binary | std::ios::trunc) << json;
}

GameProcess& E2ETest::Launch(bool waitForWindow) {
    StartX();
    if (game_) {
        game_->Kill();
    }
    game_ = std::make_unique<GameProcess>(x_, work_);
    // The in-game cursor is drawn at the pointer: keep it in the empty
    // mouse-look row of the status panel.
    PointAt(240, 328);
    std::string error;
    if (!game_->Start(error) || (waitForWindow && !game_->FindWindow(10000, error))) {
        ADD_FAILURE() << error;
    }
    return *game_;
}

std::string E2ETest::SavePicture(const Image& image, const std::string& label) {
    char number[16];
    std::snprintf(number, sizeof number, "%02d", ++shotNumber_);
    const fs::path path = fs::path(VLO_BINARY_DIR) / "e2e-screens" /
                          (testName_ + "-" + number + "-" + label + ".png");
    WritePng(image, path.string());
    return path.string();
}

void E2ETest::PointAt(int x, int y) {
    Placement at;
    if (game_ && game_->Placed(at)) {
        PointAtScreen(at.ScreenX(x), at.ScreenY(y));
        return;
    }
    const int factor = std::max(1, x_.Width() / 640);
    PointAtScreen(x * factor + factor / 2, y * factor + factor / 2);
}

void E2ETest::PointAtScreen(int sx, int sy) {
    const CommandResult r = RunCommand(
        {"xdotool", "mousemove", std::to_string(sx), std::to_string(sy)}, x_.Display(), 10000);
    EXPECT_EQ(r.status, 0) << "xdotool mousemove failed" << (r.timedOut ? " (timed out)" : "")
                           << ": " << r.err;
}

Screen E2ETest::Shot(const std::string& label) {
    bool ok = false;
    return WaitFor(
        label, [](const Screen&) { return true; }, ok, 3000);
}

Screen E2ETest::WaitFor(const std::string& label, const std::function<bool(const Screen&)>& ready,
                        bool& ok, int timeoutMs) {
    ok = false;
    Image last;
    std::string error;
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    do {
        Image image;
        if (game_ && game_->Capture(image, error)) {
            last = image;
            if (ready(Screen(image, sheet_))) {
                ok = true;
                break;
            }
        }
        SleepMs(40);
    } while (MillisLeft(deadline) > 0);
    if (last.Empty()) {
        ADD_FAILURE() << "no screenshot for " << label << ": " << error;
        return Screen();
    }
    const std::string path = SavePicture(last, label);
    if (!ok) {
        std::cout << "screenshot (condition not met): " << path << "\n";
    }
    return Screen(last, sheet_);
}

void E2ETest::Press(const std::vector<std::string>& keysyms, int delayMs) {
    ASSERT_TRUE(game_ != nullptr);
    EXPECT_TRUE(game_->Keys(keysyms, delayMs)) << "xdotool key failed";
}

void E2ETest::Publish(const Screen& screen, const std::string& name) {
    if (screen.Valid()) {
        PublishImage(screen.Picture(), name);
    }
}

void E2ETest::PublishImage(const Image& image, const std::string& name) {
    const char* update = std::getenv("VLO_UPDATE_SCREENSHOTS");
    if (update == nullptr || std::string(update) != "1" || image.Empty()) {
        return;
    }
    const fs::path path = fs::path(VLO_SOURCE_DIR) / "docs" / "screenshots" / (name + ".png");
    EXPECT_TRUE(WritePng(image, path.string())) << path;
}

std::string E2ETest::ReadWorkFile(const std::string& name) const {
    return ReadFile(work_ / name);
}

} // namespace vlotest
