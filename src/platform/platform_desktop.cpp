// The desktop game: the window goes full screen itself, the files are on the
// disk once written, the system's signals to end are caught so the game can
// save first, and the process ending says the rest.
#include <SDL.h>

#include <signal.h>

#include "platform.h"

int WaitEventTimeout(SDL_Event* event, int timeoutMs) {
    return SDL_WaitEventTimeout(event, timeoutMs);
}

bool SleepsThroughIdleFrames() {
    return false;
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

bool MusicFilesPresent() {
    return true;
}

void FetchMusicFiles(const std::vector<std::string>& /*fileNames*/, std::size_t /*maxBytes*/) {}

void GameEnded() {}

void CatchEndSignals(void (*onSignal)(int)) {
    struct sigaction action {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    // SA_RESTART: a file being written when the signal comes is not cut short
    // by EINTR. SA_RESETHAND: the handler is used once, then the default again.
    action.sa_flags = SA_RESTART | SA_RESETHAND;
    const int endSignals[] = {SIGTERM, SIGINT, SIGHUP};
    for (const int number : endSignals) {
        // A signal ignored from the start stays ignored: that is how nohup
        // and a shell's background jobs keep a program running.
        struct sigaction before {};
        if (sigaction(number, nullptr, &before) == 0 && before.sa_handler == SIG_IGN) {
            continue;
        }
        sigaction(number, &action, nullptr);
    }
}
