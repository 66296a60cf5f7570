// Entry point: SDL's main wrapper calls SDL_main. Everything else is in the
// core library so that tests link it.
#include <SDL.h>

#include <cstdlib>
#include <exception>
#include <iostream>

#include "game.h"
#include "mainmenu.h"
#include "platform.h"
#include "shell.h"

// Exit status 0 after a Quit. A start-up that failed or an error that
// reached this far end with a failure status, so that scripts and launchers
// see it.
int main(int /*argc*/, char* /*argv*/[]) {
    int status = EXIT_SUCCESS;
    try {
        if (InitGame(640, 400, UsesAcceleratedRenderer())) {
            MainMenu();
        } else {
            status = EXIT_FAILURE;
        }
        QuitGame();
    } catch (const std::exception& e) {
        std::cout << "Exception: " << e.what() << std::endl;
        status = EXIT_FAILURE;
    }
    GameEnded();
    return status;
}
