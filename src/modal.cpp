// The frame clock and the mouse toggle of the blocking loops.
#include "modal.h"

#include <SDL.h>

#include "game.h"

void RestartFrameClock() {
    nextTime = SDL_GetTicks() + FrameMs;
}

void ToggleRelativeMouse() {
    SDL_SetRelativeMouseMode(SDL_GetRelativeMouseMode() ? SDL_FALSE : SDL_TRUE);
}
