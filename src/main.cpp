// Entry point: SDL's main wrapper calls SDL_main. Everything else is in the
// core library so that tests link it.
#include <SDL.h>

#include <cstdlib>
#include <exception>
#include <iostream>

#include "game.h"
#include "mainmenu.h"
#include "modal.h"
#include "platform.h"
#include "shell.h"

namespace {

void OnEndSignal(int /*signal*/) {
    RequestEnd();
}

} // namespace

// Exit status 0 after a Quit, and also after an end the system asked for
// (kill, Ctrl+C, logging out): the game then saves and ends in order, which
// is a clean end, not a process killed by its signal. A start-up that failed,
// an error that reached this far, or a game in play that could not be saved
// on the way out end with a failure status, so that scripts and launchers
// see it.
int main(int /*argc*/, char* /*argv*/[]) {
    CatchEndSignals(OnEndSignal);
    int status = EXIT_SUCCESS;
    try {
        if (InitGame(640, 400, UsesAcceleratedRenderer())) {
            MainMenu();
        } else {
            status = EXIT_FAILURE;
        }
        QuitGame();
        if (GameLostAtEnd()) {
            status = EXIT_FAILURE;
        }
    } catch (const std::exception& e) {
        std::cout << "Exception: " << e.what() << std::endl;
        status = EXIT_FAILURE;
    }
    GameEnded();
    return status;
}
