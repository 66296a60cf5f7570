// Entry point: SDL's main wrapper calls SDL_main. Everything else is in the
// core library so that tests link it.
#include <SDL.h>

#include <exception>
#include <iostream>

#include "game.h"
#include "mainmenu.h"
#include "platform.h"
#include "shell.h"

int main(int /*argc*/, char* /*argv*/[]) {
    try {
        if (InitGame(640, 400, UsesAcceleratedRenderer())) {
            MainMenu();
        }
        QuitGame();
    } catch (const std::exception& e) {
        std::cout << "Exception: " << e.what() << std::endl;
    }
    GameEnded();
    return 0;
}
