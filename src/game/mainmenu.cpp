// The hub between games: title header, five entries, and every game played
// from here through RunGame.
#include "mainmenu.h"

#include <cctype>
#include <string>

#include "floors.h"
#include "game.h"
#include "menus.h"
#include "modal.h"
#include "music.h"
#include "options.h"
#include "savegame.h"
#include "screens.h"
#include "shell.h"

namespace {

enum Entry { NewGameEntry, LoadGameEntry, OptionsEntry, HelpEntry, QuitEntry, EntryCount };
const char* const Entries[EntryCount] = {"New Game", "Load Game", "Options", "Help", "Quit"};

// The loader's reason as a line of its own: a few plain words, shown as a
// sentence.
std::string AsSentence(std::string reason) {
    reason[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(reason[0])));
    return reason + ".";
}

void ShowLoadFailure(int result, const std::string& savedVersion, const std::string& reason) {
    option.clear();
    if (result == -1) {
        option.push_back("No saved game to load or saved game corrupted.");
        if (!reason.empty()) {
            option.push_back(AsSentence(reason));
        }
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
    int selected = 0;
    bool restartMusic = false;
    const std::string title = " Version " + GAMEVERSION + " ";
    for (;;) {
        // The program is ending (a game, the options or the help screen may
        // have just returned for it): leave as Quit does.
        if (EndRequested()) {
            return;
        }
        if (musicEnabled && !mMusicPatternEntries.empty() &&
            (!MusicZoneQueued(mMusicPatternEntries[0].get()) || restartMusic)) {
            RestartFirstPattern();
        }
        restartMusic = false;

        option.clear();
        for (int i = 0; i < EntryCount; ++i) {
            option.push_back(Highlighted(Entries[i], i == selected));
        }
        Header();
        const DialogResult answer = Menu(title, option, 464, selected, false);
        if (EndRequested()) {
            return; // whatever the box was answered with
        }

        bool quit = false;
        if (answer.outcome == DialogOutcome::Chosen) {
            switch (selected) {
            case NewGameEntry:
                if (!NewGame()) {
                    return;
                }
                RunGame();
                selected = NewGameEntry;
                restartMusic = true;
                break;
            case LoadGameEntry: {
                std::string savedVersion;
                std::string reason;
                const int result = LoadGame(savedVersion, &reason);
                if (result != 0) {
                    ShowLoadFailure(result, savedVersion, reason);
                    continue; // straight to the next pass, without the pacing delay
                }
                RunGame();
                restartMusic = true;
                break;
            }
            case OptionsEntry: OptionsMenu(); break;
            case HelpEntry: HelpScreen(); break;
            default: quit = true; break;
            }
            // A game or a screen has just ended: the menu's frame starts now.
            RestartFrameClock();
        }
        EndFrame();
        if (quit) {
            return;
        }
    }
}
