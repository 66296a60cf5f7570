// The hub between games: title header, five entries, and every game played
// from here through RunGame.
#include <string>

#include "game.h"

namespace {

const char* const Entries[] = {"New Game", "Load Game", "Options", "Help", "Quit"};
constexpr int EntryCount = 5;

void ShowLoadFailure(int result, const std::string& savedVersion) {
    option.clear();
    if (result == -1) {
        option.push_back("No saved game to load or saved game corrupted.");
    } else if (result == -2) {
        option.push_back("Save game signature invalid!");
    } else if (result == -3) {
        option.push_back("Save game version doesn't match! (Save Game Version: " + savedVersion +
                         " / Expected Save Game Version: " + GAMEVERSION + ")");
    }
    option.push_back("\\n");
    option.push_back("Press any key to return to main menu.");
    MSGBox(" Loading saved game failed ", option, 320);
}

} // namespace

void MainMenu() {
    nextTime = SDL_GetTicks() + FrameMs;
    int selected = 0;
    bool restartMusic = false;
    const std::string title = " Version " + GAMEVERSION + " ";
    for (;;) {
        if (musicEnabled && !mMusicPatternEntries.empty() &&
            (!MusicZoneQueued(mMusicPatternEntries[0].get()) || restartMusic)) {
            RestartFirstPattern();
        }
        restartMusic = false;

        option.clear();
        for (int i = 0; i < EntryCount; ++i) {
            option.push_back(i == selected ? std::string("> ") + Entries[i] + " <" : Entries[i]);
        }
        Header();
        const bool chosen = Menu(title, option, 464, selected, false);
        nextTime = SDL_GetTicks() + FrameMs;

        bool quit = false;
        if (chosen) {
            switch (selected) {
            case 0:
                if (!NewGame()) {
                    return;
                }
                RunGame();
                selected = 0;
                restartMusic = true;
                nextTime = SDL_GetTicks() + FrameMs;
                break;
            case 1: {
                std::string savedVersion;
                const int result = LoadGame(savedVersion);
                if (result == 0) {
                    RunGame();
                    nextTime = SDL_GetTicks() + FrameMs;
                    restartMusic = true;
                } else {
                    ShowLoadFailure(result, savedVersion);
                    nextTime = SDL_GetTicks() + FrameMs;
                    continue; // straight to the next pass, without the pacing delay
                }
                break;
            }
            case 2:
                OptionsMenu();
                nextTime = SDL_GetTicks() + FrameMs;
                break;
            case 3:
                HelpScreen();
                nextTime = SDL_GetTicks() + FrameMs;
                break;
            default:
                quit = true;
                break;
            }
        }
        Delay(nextTime);
        nextTime += FrameMs;
        if (quit) {
            return;
        }
    }
}
