// The wait for input of every waiting screen, on the game's frame clock, and
// the end request it watches.
#include "modal.h"

#include <atomic>
#include <iostream>

#include "game.h"
#include "gamepad.h"
#include "music.h"
#include "platform.h"
#include "shell.h"

namespace {

// Set from a signal handler, read by the loops on the main thread. The
// process's signals may be delivered on any thread (SDL's audio thread too),
// so a plain sig_atomic_t would be a data race; a lock-free atomic is safe
// both in a handler and across threads.
std::atomic<bool> endRequested{false};
static_assert(std::atomic<bool>::is_always_lock_free);

bool waiting = false;

// Marks the wait for as long as it lasts, whichever way it returns.
struct Waiting {
    Waiting() { waiting = true; }
    ~Waiting() { waiting = false; }
    Waiting(const Waiting&) = delete;
    Waiting& operator=(const Waiting&) = delete;
};

// The key the pad's press stands for, as SDL would deliver a key press; Other
// when it stands for none.
Input PadInput(PadPress press, const SDL_Event& e) {
    Input in;
    in.event = e;
    in.kind = InputKind::Other;
    const SDL_Scancode key = PadKeyInDialogs(press);
    if (key == SDL_SCANCODE_UNKNOWN) {
        return in;
    }
    SDL_zero(in.event);
    in.event.type = SDL_KEYDOWN;
    in.event.key.timestamp = SDL_GetTicks();
    in.event.key.state = SDL_PRESSED;
    in.event.key.keysym.scancode = key;
    in.event.key.keysym.sym = SDL_GetKeyFromScancode(key);
    in.kind = InputKind::Key;
    in.fromPad = true;
    return in;
}

Input Classify(const SDL_Event& e, Pace pace, F2Key f2) {
    const PadPress press = GamepadPress(e);
    if (press != PadPress::None) {
        return PadInput(press, e);
    }
    Input in;
    in.event = e;
    if (e.type == SDL_QUIT) {
        in.kind = InputKind::Close;
        return in;
    }
    if (e.type != SDL_KEYDOWN) {
        in.kind = InputKind::Other;
        return in;
    }
    in.kind = InputKind::Key;
    if (f2 == F2Key::TogglesMouse && e.key.keysym.scancode == SDL_SCANCODE_F2 &&
        (pace == Pace::Block || e.key.repeat == 0)) {
        ToggleRelativeMouse();
        in.kind = InputKind::MouseToggled;
    }
    return in;
}

// SDL_WaitEvent that keeps the music going while it waits: a zone is a chain
// of short segments, and only the main thread advances it, so a box that
// slept in SDL_WaitEvent would leave the playing segment looping alone.
// Waking on the frame clock costs next to nothing, and lets the box see an
// end request within a frame.
Input WaitBlocked(F2Key f2) {
    Input in;
    for (;;) {
        if (EndRequested()) {
            in.kind = InputKind::Ending;
            return in;
        }
        if (const PadPress repeat = GamepadRepeat(SDL_GetTicks()); repeat != PadPress::None) {
            return PadInput(repeat, SDL_Event{});
        }
        SDL_Event e;
        if (WaitEventTimeout(&e, static_cast<int>(FrameMs)) != 0) {
            return Classify(e, Pace::Block, f2);
        }
        if (SDL_WasInit(SDL_INIT_EVENTS) == 0) {
            // No queue to wait on: SDL reports why.
            if (SDL_WaitEvent(&e) != 0) {
                return Classify(e, Pace::Block, f2);
            }
            std::cout << "SDL_WaitEvent error: " << SDL_GetError() << std::endl;
            in.kind = InputKind::Failed;
            return in;
        }
        UpdateMusic();
    }
}

} // namespace

Input WaitForInput(Pace pace, F2Key f2) {
    const Waiting mark;
    if (pace == Pace::Block) {
        const Input in = WaitBlocked(f2);
        RestartFrameClock();
        return in;
    }
    if (const PadPress repeat = GamepadRepeat(SDL_GetTicks()); repeat != PadPress::None) {
        return PadInput(repeat, SDL_Event{});
    }
    SDL_Event e;
    if (SDL_PollEvent(&e) != 0) {
        return Classify(e, pace, f2);
    }
    EndFrame();
    Input in;
    in.kind = EndRequested() ? InputKind::Ending : InputKind::FrameOver;
    return in;
}

bool WaitingForAnswer() {
    return waiting;
}

void EndFrame() {
    Delay(nextTime);
    nextTime += FrameMs;
}

void RestartFrameClock() {
    nextTime = SDL_GetTicks() + FrameMs;
}

void ToggleRelativeMouse() {
    SDL_SetRelativeMouseMode(SDL_GetRelativeMouseMode() ? SDL_FALSE : SDL_TRUE);
}

bool EndRequested() {
    return endRequested.load();
}

void RequestEnd() {
    endRequested.store(true);
}
