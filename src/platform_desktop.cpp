// The desktop game: the window goes full screen itself, the files are on the
// disk once written, and the process ending says the rest.
#include <SDL.h>

#include "platform.h"

int WaitEventTimeout(SDL_Event* event, int timeoutMs) {
    return SDL_WaitEventTimeout(event, timeoutMs);
}

bool UsesAcceleratedRenderer() {
    return true;
}

bool CapturesMouseAtStart() {
    return true;
}

bool PageHandlesFullscreen() {
    return false;
}

void SetPageFullscreen(bool /*on*/) {}

bool PageIsFullscreen() {
    return false;
}

void PlayerFilesChanged() {}

void GameEnded() {}
