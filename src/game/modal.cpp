// The frame clock, the mouse toggle and the end request of the blocking loops.
#include "modal.h"

#include <SDL.h>

#include <atomic>

#include "game.h"

namespace {

// Set from a signal handler, read by the loops on the main thread. The
// process's signals may be delivered on any thread (SDL's audio thread too),
// so a plain sig_atomic_t would be a data race; a lock-free atomic is safe
// both in a handler and across threads.
std::atomic<bool> endRequested{false};
static_assert(std::atomic<bool>::is_always_lock_free);

} // namespace

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
