// Entry point: SDL's main wrapper calls SDL_main. Everything else is in the
// core library so that tests link it.
#include <SDL.h>

#include <cstdlib>
#include <cstring>
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

const char* const Usage = "Usage: velvet-lockout [--help | --version]";

// The two options answer on standard output and end at once, before SDL
// starts: they must work where there is no display and no sound, as in a
// package check or over ssh. Anything else is a mistake of the caller, told
// on standard error with status 2, as other command-line programs do, so that
// a launcher passing a stray file name does not start the game unnoticed.
// Returns -1 when the game is to start.
int AnswerArguments(int argc, char* argv[]) {
    if (argc <= 1) {
        return -1;
    }
    if (argc == 2 && std::strcmp(argv[1], "--help") == 0) {
        std::cout << Usage << "\n"
                  << "Velvet Lockout (V.L.O.): a turn-based escape from a ten-floor prison.\n"
                  << "Without an option the game starts, full screen or in a window as chosen\n"
                  << "under \"Options\".\n\n"
                  << "  --help     show this help and exit\n"
                  << "  --version  show the version and exit\n";
        return EXIT_SUCCESS;
    }
    if (argc == 2 && std::strcmp(argv[1], "--version") == 0) {
        std::cout << "Velvet Lockout (V.L.O.) " << VLO_VERSION << "\n";
        return EXIT_SUCCESS;
    }
    if (argc == 2) {
        std::cerr << "velvet-lockout: unknown argument '" << argv[1] << "'\n";
    } else {
        std::cerr << "velvet-lockout: too many arguments\n";
    }
    std::cerr << Usage << "\n";
    return 2;
}

} // namespace

// Exit status 0 after a Quit, and also after an end the system asked for
// (kill, Ctrl+C, logging out): the game then saves and ends in order, which
// is a clean end, not a process killed by its signal. A start-up that failed,
// an error that reached this far, or a game in play that could not be saved
// on the way out end with a failure status, so that scripts and launchers
// see it. A wrong argument ends it with status 2 (see AnswerArguments).
int main(int argc, char* argv[]) {
    if (const int answered = AnswerArguments(argc, argv); answered >= 0) {
        return answered;
    }
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
