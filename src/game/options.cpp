// The options screen: key bindings, fullscreen, music and its volume, all
// live while the screen is open, then kept, saved or discarded.
#include "options.h"

#include <string>
#include <vector>

#include "game.h"
#include "menus.h"
#include "modal.h"
#include "music.h"
#include "screens.h"
#include "settings.h"
#include "shell.h"

namespace {

// The screen's entries after the nine key bindings (which are 0-8, by action).
enum Entry {
    FullscreenEntry = ActionCount,
    MusicEntry,
    VolumeEntry,
    DefaultsEntry,
    SaveEntry,
    DiscardEntry,
    EntryCount
};

const char* const CaptureTitles[ActionCount] = {" Change Move / Attack Up Key ",
                                                " Change Move / Attack Down Key ",
                                                " Change Move / Attack Left Key ",
                                                " Change Move / Attack Right Key ",
                                                " Change Take Key ",
                                                " Change Use Key ",
                                                " Change Drop Key ",
                                                " Change Character Information Key ",
                                                " Change Inventory Key "};

std::string VolumePercent() {
    return std::to_string(musicVolume * 100 / 128) + "%";
}

std::string VolumeText() {
    return "Music Volume: " + VolumePercent();
}

std::string FullscreenText() {
    return std::string("Fullscreen: ") + (WindowIsFullscreen() ? "Yes" : "No");
}

std::string MusicText() {
    return std::string("Music: ") + (musicEnabled ? "On" : "Off");
}

std::vector<std::string> BuildItems() {
    std::vector<std::string> items;
    for (int a = 0; a < ActionCount; ++a) {
        items.push_back(SetMenuOptionOfKeybinding(static_cast<KRActionTypes>(a), actionLabels[a]));
    }
    items.push_back(FullscreenText());
    items.push_back(MusicText());
    items.push_back(VolumeText());
    items.push_back("Restore Default Settings");
    items.push_back("Save Changes");
    items.push_back("Discard Changes");
    return items;
}

void CaptureKey(int action, std::vector<std::string>& items) {
    option.clear();
    option.push_back("Please press a key");
    int none = -1;
    // Returns at the first key. F2, a close request or the program ending
    // bring no key, and then the action keeps the key it had; so does a
    // press on the gamepad, whose buttons are not keys to bind.
    const DialogResult answer = Menu(CaptureTitles[action], option, 320, none, true);
    if (answer.outcome == DialogOutcome::KeyPressed && !answer.fromPad) {
        selectedKey = answer.key;
        items[action] =
            UpdateKeybinding(static_cast<KRActionTypes>(action), actionLabels[action], true);
    }
}

void VolumeScreen(std::vector<std::string>& items) {
    SDL_Scancode key = SDL_SCANCODE_UNKNOWN;
    for (;;) {
        if (key == SDL_SCANCODE_RIGHT) {
            musicVolume = musicVolume + 1 > 128 ? 128 : musicVolume + 1;
        } else if (key == SDL_SCANCODE_LEFT) {
            musicVolume = musicVolume - 1 < 0 ? 0 : musicVolume - 1;
        } else if (key != SDL_SCANCODE_UNKNOWN) {
            break;
        }
        SetMusicVolume(musicVolume);
        option.clear();
        option.push_back("< " + VolumePercent() + " >");
        option.push_back("\\n");
        option.push_back("Press left or right arrow key to change music volume.");
        option.push_back("\\n");
        option.push_back("Press any key to return to options.");
        int none = -1;
        const DialogResult answer = Menu(" Change Music Volume ", option, 320, none, true);
        if (answer.outcome == DialogOutcome::Ending) {
            break;
        }
        key = answer.key; // none after F2 or a close request, so no step
    }
    SetMusicVolume(musicVolume);
    items[VolumeEntry] = VolumeText();
}

void ApplyMusicSetting() {
    if (musicEnabled) {
        RestartFirstPattern();
    } else {
        HaltMusic();
    }
}

// After defaults or a discard: make the window, the mixer and the texts
// follow the settings globals again.
void ApplySettings(std::vector<std::string>& items) {
    for (int a = 0; a < ActionCount; ++a) {
        items[a] = UpdateKeybinding(static_cast<KRActionTypes>(a), actionLabels[a], false);
    }
    SetFullscreen(fullscreen);
    items[FullscreenEntry] = FullscreenText();
    ApplyMusicSetting();
    items[MusicEntry] = MusicText();
    SetMusicVolume(musicVolume);
    items[VolumeEntry] = VolumeText();
    RestartFrameClock();
}

// "Save Changes" closes the screen once the settings are written. When they
// cannot be, the player is told why and the screen stays open, so the
// changes are neither lost nor taken for saved.
bool SaveChanges() {
    std::string reason;
    if (SaveGameSettings(&reason)) {
        return true;
    }
    SaveFailureBox(" Saving the settings failed ", "The settings", reason, "options");
    return false;
}

// Carries out one entry; true when it closes the screen.
bool CarryOut(int entry, std::vector<std::string>& items) {
    if (entry < ActionCount) {
        CaptureKey(entry, items);
        return false;
    }
    switch (entry) {
    case FullscreenEntry:
        fullscreen = ToggleFullscreen();
        items[FullscreenEntry] = FullscreenText();
        RestartFrameClock();
        return false;
    case MusicEntry:
        musicEnabled = !musicEnabled;
        ApplyMusicSetting();
        items[MusicEntry] = MusicText();
        RestartFrameClock();
        return false;
    case VolumeEntry: VolumeScreen(items); return false;
    case DefaultsEntry:
        SetDefaultGameSettings();
        ApplySettings(items);
        return true;
    case SaveEntry: return SaveChanges();
    default: // DiscardEntry
        RestoreOldGameSettings();
        ApplySettings(items);
        return true;
    }
}

} // namespace

bool ToggleFullscreen() {
    const bool wasFullscreen = WindowIsFullscreen();
    flags = wasFullscreen ? 0 : SDL_WINDOW_FULLSCREEN_DESKTOP;
    SwitchWindowMode(flags);
    return !wasFullscreen;
}

void SetFullscreen(bool on) {
    flags = on ? SDL_WINDOW_FULLSCREEN_DESKTOP : 0;
    SwitchWindowMode(flags);
}

void OptionsMenu() {
    SaveOldGameSettings();
    int selected = 0;
    std::vector<std::string> items = BuildItems();
    for (;;) {
        option.clear();
        for (int i = 0; i < EntryCount; ++i) {
            option.push_back(Highlighted(items[i], i == selected));
        }
        Header();
        const DialogResult answer = Menu(" Options ", option, 464, selected, false);
        const bool close = answer.outcome == DialogOutcome::Chosen && CarryOut(selected, items);
        if (!close && EndRequested()) {
            // The program is ending: leave as "Discard Changes" would, so
            // shutdown writes the settings the player last kept.
            RestoreOldGameSettings();
            return;
        }
        EndFrame();
        if (close) {
            return;
        }
    }
}
