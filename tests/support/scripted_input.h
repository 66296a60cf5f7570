// Scripted input for the game's blocking loops (menus wait in SDL_WaitEvent,
// the main loop drains the queue once per 60 ms frame): a helper thread feeds
// the events one step at a time and a watchdog turns a loop that never returns
// into a failed test instead of a hung one. Depends on SDL, game.h and shell.h only.
#pragma once

#include <SDL.h>

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "game.h"
#include "shell.h"

namespace vlotest {

// An event of `type` as SDL would deliver it to the game's window. The
// window sits at the same place in every event structure.
inline SDL_Event WindowEvent(Uint32 type) {
    SDL_Event e;
    SDL_zero(e);
    e.type = type;
    e.common.timestamp = SDL_GetTicks();
    e.window.windowID = window != nullptr ? SDL_GetWindowID(window) : 0;
    return e;
}

inline SDL_Event KeyDown(SDL_Scancode code, bool repeat = false) {
    SDL_Event e = WindowEvent(SDL_KEYDOWN);
    e.key.state = SDL_PRESSED;
    e.key.repeat = repeat ? 1 : 0;
    e.key.keysym.scancode = code;
    e.key.keysym.sym = SDL_GetKeyFromScancode(code);
    return e;
}

inline SDL_Event QuitEvent() {
    SDL_Event e;
    SDL_zero(e);
    e.type = SDL_QUIT;
    e.quit.timestamp = SDL_GetTicks();
    return e;
}

inline SDL_Event MouseMotion(int x, int y) {
    SDL_Event e = WindowEvent(SDL_MOUSEMOTION);
    e.motion.x = x;
    e.motion.y = y;
    return e;
}

// A press (or, `down` false, a release) of `button` at window pixel (x, y).
inline SDL_Event MouseButton(int x, int y, Uint8 button, bool down = true) {
    SDL_Event e = WindowEvent(down ? SDL_MOUSEBUTTONDOWN : SDL_MOUSEBUTTONUP);
    e.button.button = button;
    e.button.state = down ? SDL_PRESSED : SDL_RELEASED;
    e.button.clicks = 1;
    e.button.x = x;
    e.button.y = y;
    return e;
}

// The window pixel that shows picture pixel (px, py): the shell opens the
// window desktop-fullscreen by default, so the picture is scaled, placed
// between black bars, and clicks come in window pixels. The inverse of the
// game's own WindowToPicture, found by search around the picture's placement
// because of its rounding.
inline SDL_Point PictureToWindow(int px, int py) {
    int w = 0;
    int h = 0;
    SDL_GetWindowSize(window, &w, &h);
    int ow = w;
    int oh = h;
    SDL_GetRendererOutputSize(renderer, &ow, &oh);
    SDL_Point at = {px, py};
    if (w <= 0 || h <= 0 || ow <= 0 || oh <= 0) {
        return at;
    }
    const SDL_Rect placed = PicturePlacement(ow, oh);
    const int gx = (placed.x + px * placed.w / screen->w) * w / ow;
    const int gy = (placed.y + py * placed.h / screen->h) * h / oh;
    for (int ox = -2; ox <= 2; ++ox) {
        if (WindowToPicture(gx + ox, gy).x == px) {
            at.x = gx + ox;
            break;
        }
    }
    for (int oy = -2; oy <= 2; ++oy) {
        if (WindowToPicture(at.x, gy + oy).y == py) {
            at.y = gy + oy;
            break;
        }
    }
    return at;
}

// Adds all events to the queue in one go, so one frame of the main loop sees
// all of them or none.
inline bool PushAll(std::vector<SDL_Event> events) {
    if (events.empty()) {
        return true;
    }
    const int n = static_cast<int>(events.size());
    return SDL_PeepEvents(events.data(), n, SDL_ADDEVENT, SDL_FIRSTEVENT, SDL_LASTEVENT) == n;
}

inline int QueuedEvents() {
    return SDL_PeepEvents(nullptr, 0, SDL_PEEKEVENT, SDL_FIRSTEVENT, SDL_LASTEVENT);
}

// Usage: build the script, then Run(loop) on the main thread; Run returns
// true when every step was delivered, every check held and the loop returned
// after the script. Failures() explains what went wrong.
//
// Each step first waits until the queue is empty (the loop took the last
// event), then lets the loop settle, then acts. Checks run on the helper
// thread while the loop sits in its wait; they should only read pixels or
// plain values, and are retried until they hold or time out.
class ScriptedInput {
public:
    using Clock = std::chrono::steady_clock;

    // One key press.
    ScriptedInput& Key(SDL_Scancode code, int settleMs = DefaultSettleMs) {
        return Events({KeyDown(code)}, "key " + std::string(SDL_GetScancodeName(code)), settleMs);
    }
    // The same key `count` times, all queued at once (each is still one event
    // for the loop, which takes one per pass).
    ScriptedInput& Burst(SDL_Scancode code, int count) {
        std::vector<SDL_Event> events(static_cast<std::size_t>(count), KeyDown(code));
        return Events(std::move(events), std::to_string(count) + " x " + SDL_GetScancodeName(code),
                      DefaultSettleMs);
    }
    ScriptedInput& Quit() { return Events({QuitEvent()}, "window close", DefaultSettleMs); }
    ScriptedInput& Events(std::vector<SDL_Event> events, std::string what,
                          int settleMs = DefaultSettleMs) {
        return Add({std::move(events), nullptr, std::move(what), settleMs});
    }
    // Waits until `check` holds (polled), or records a failure after a while.
    ScriptedInput& Expect(std::string what, std::function<bool()> check) {
        return Add({{}, std::move(check), std::move(what), DefaultSettleMs});
    }
    // Lets time pass without input (the loop keeps running its frames).
    ScriptedInput& Pause(int ms) { return Add({{}, nullptr, "pause", ms}); }

    bool Run(const std::function<void()>& loop) {
        returned_ = false;
        std::thread feeder([this] { Feed(); });
        loop();
        {
            std::lock_guard<std::mutex> lock(mutex_);
            returned_ = true;
        }
        returnedCv_.notify_all();
        feeder.join();
        return failures_.empty();
    }

    const std::string& Failures() const { return failures_; }

private:
    static constexpr int DefaultSettleMs = 100;
    static constexpr int StepTimeoutMs = 20000;
    static constexpr int CheckTimeoutMs = 8000;
    static constexpr int ReturnTimeoutMs = 20000;

    struct Step {
        std::vector<SDL_Event> events;
        std::function<bool()> check;
        std::string what;
        int settleMs = DefaultSettleMs;
    };

    ScriptedInput& Add(Step step) {
        steps_.push_back(std::move(step));
        return *this;
    }

    bool LoopReturned() {
        std::lock_guard<std::mutex> lock(mutex_);
        return returned_;
    }

    void Fail(const std::string& text) {
        std::lock_guard<std::mutex> lock(mutex_);
        failures_ += text + "\n";
    }

    // False when the loop returned or stopped taking events.
    bool WaitForEmptyQueue(const std::string& what) {
        const auto deadline = Clock::now() + std::chrono::milliseconds(StepTimeoutMs);
        while (QueuedEvents() > 0) {
            if (LoopReturned()) {
                return false;
            }
            if (Clock::now() > deadline) {
                Fail("the loop stopped taking events before: " + what);
                return false;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
        return true;
    }

    void Feed() {
        for (std::size_t i = 0; i < steps_.size(); ++i) {
            const Step& step = steps_[i];
            const std::string label = "step " + std::to_string(i) + " (" + step.what + ")";
            if (!WaitForEmptyQueue(label)) {
                if (LoopReturned()) {
                    Fail("the loop returned before " + label);
                }
                break;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(step.settleMs));
            if (LoopReturned()) {
                Fail("the loop returned before " + label);
                break;
            }
            if (step.check) {
                const auto deadline = Clock::now() + std::chrono::milliseconds(CheckTimeoutMs);
                bool held = step.check();
                while (!held && Clock::now() < deadline) {
                    std::this_thread::sleep_for(std::chrono::milliseconds(25));
                    held = step.check();
                }
                if (!held) {
                    Fail("check failed at " + label);
                }
            } else if (step.events.size() == 1) {
                SDL_Event e = step.events[0];
                if (SDL_PushEvent(&e) != 1) {
                    Fail("could not push " + label);
                }
            } else if (!PushAll(step.events)) {
                Fail("could not queue " + label);
            }
        }
        Guard();
    }

    // After the script the loop must return by itself; if it does not, close
    // requests are pushed to shake it loose, and a loop deaf to those ends the
    // test program rather than hanging it.
    void Guard() {
        std::unique_lock<std::mutex> lock(mutex_);
        if (returnedCv_.wait_for(lock, std::chrono::milliseconds(ReturnTimeoutMs),
                                 [this] { return returned_; })) {
            return;
        }
        failures_ += "the loop did not return after the script\n";
        for (int i = 0; i < 100 && !returned_; ++i) {
            lock.unlock();
            SDL_Event quit = QuitEvent();
            SDL_PushEvent(&quit);
            lock.lock();
            returnedCv_.wait_for(lock, std::chrono::milliseconds(100),
                                 [this] { return returned_; });
        }
        if (!returned_) {
            std::fprintf(stderr, "scripted input: the loop under test never returned:\n%s",
                         failures_.c_str());
            std::fflush(stderr);
            std::abort();
        }
    }

    std::vector<Step> steps_;
    std::mutex mutex_;
    std::condition_variable returnedCv_;
    bool returned_ = false;
    std::string failures_;
};

} // namespace vlotest
