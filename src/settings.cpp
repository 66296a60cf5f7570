// The four user settings (fullscreen, music, volume, key bindings), their
// document game.cfg, the options menu's snapshot of them and the key names it
// shows. Touches neither the window nor the mixer: callers apply the values.
#include "settings.h"

#include <exception>
#include <memory>
#include <stdexcept>
#include <string>

#include "commands.h"
#include "docnodes.h"
#include "game.h"
#include "korJSON/korJSON.h"

namespace {

using korJSON::korJSONData;
using korJSON::korJSONDataType;

const char* const SettingsFile = "game.cfg";

// Makes `action` bound to exactly `scancode`, replacing what it had, so the
// table keeps one entry per action whatever was in it before.
void Bind(KRKeyboard& table, int action, SDL_Scancode scancode) {
    const auto key = static_cast<KRActionTypes>(action);
    table.erase(key);
    table.insert({key, KRKeyBinding{scancode, false}});
}

// Every action 0-8 without an entry gets its default key: the options menu,
// the key names and the command loop all expect one binding per action.
void FillMissingBindings(KRKeyboard& table) {
    for (int a = 0; a < ActionCount; ++a) {
        if (FindBinding(table, static_cast<KRActionTypes>(a)) == table.end()) {
            table.insert({static_cast<KRActionTypes>(a), KRKeyBinding{defaultKeys[a], false}});
        }
    }
}

// One entry per action, the first of each in `from`, with pending cleared.
// Entries beyond the nine actions are not carried over.
void CopyBindings(const KRKeyboard& from, KRKeyboard& to) {
    to.clear();
    for (int a = 0; a < ActionCount; ++a) {
        const auto it = FindBinding(from, static_cast<KRActionTypes>(a));
        if (it != from.end()) {
            to.insert({static_cast<KRActionTypes>(a), KRKeyBinding{it->second.scancode, false}});
        }
    }
}

std::string KeyName(SDL_Scancode scancode) {
    return SDL_GetKeyName(SDL_GetKeyFromScancode(scancode));
}

std::string BindingText(KRActionTypes action, const std::string& label) {
    const auto it = FindBinding(keyboard, static_cast<KRActionTypes>(action));
    return label + KeyName(it != keyboard.end() ? it->second.scancode : SDL_SCANCODE_UNKNOWN);
}

void ApplyKeyboard(korJSONData& list) {
    const unsigned count = list.arraySize();
    for (unsigned i = 0; i < count; ++i) {
        korJSONData& element = list[static_cast<int>(i)];
        const std::string key = std::to_string(i);
        // Element i must hold the member "i"; a missing member or a
        // non-object element is an error even for the unused extra entries.
        const int code = element[key.c_str()].convertTo<int>(false, 0);
        if (i >= static_cast<unsigned>(ActionCount)) {
            continue; // names no action: neither kept nor written back
        }
        // A number outside SDL's scancodes names no key and cannot be held
        // in the enumeration: the action keeps a working key instead.
        const SDL_Scancode scancode = code >= 0 && code < SDL_NUM_SCANCODES
                                          ? static_cast<SDL_Scancode>(code)
                                          : defaultKeys[i];
        Bind(keyboard, static_cast<int>(i), scancode);
    }
}

} // namespace

bool LoadGameSettings() {
    try {
        korJSONData root(korJSONDataType::Null);
        korJSON::korJSONStream stream;
        if (!stream.ParseFile(SettingsFile, root, korJSON::korJSONType::JSON)) {
            return false; // the library has said why; the defaults apply
        }
        if (root.contains("Fullscreen")) {
            fullscreen = root["Fullscreen"].convertTo<bool>(false, false);
        }
        if (root.contains("Music")) {
            musicEnabled = root["Music"].convertTo<bool>(false, false);
        }
        if (root.contains("MusicVolume")) {
            musicVolume = root["MusicVolume"].convertTo<int>(false, 0);
        }
        if (root.contains("Keyboard")) {
            ApplyKeyboard(root["Keyboard"]);
        }
        FillMissingBindings(keyboard);
        return true;
    } catch (const std::exception& e) {
        throw std::runtime_error(std::string("Error while loading game settings: ") + e.what());
    }
}

bool SaveGameSettings(std::string* reason) {
    try {
        korJSONData root(korJSONDataType::Object);
        root.insert("Fullscreen", BoolNode(fullscreen));
        root.insert("Music", BoolNode(musicEnabled));
        root.insert("MusicVolume", IntNode(musicVolume));

        // Always the nine actions in order, so the file reads back as one
        // binding per action; an action without an entry writes its default.
        auto list = std::make_shared<korJSONData>(korJSONDataType::Array);
        for (int a = 0; a < ActionCount; ++a) {
            const auto it = FindBinding(keyboard, static_cast<KRActionTypes>(a));
            const SDL_Scancode code = it != keyboard.end() ? it->second.scancode : defaultKeys[a];
            auto element = std::make_shared<korJSONData>(korJSONDataType::Object);
            element->insert(std::to_string(a), IntNode(static_cast<int>(code)));
            list->push_back(element);
        }
        root.insert("Keyboard", list);

        return WritePlayerFile(SettingsFile, root, reason);
    } catch (const std::exception& e) {
        throw std::runtime_error(std::string("Error while saving game settings: ") + e.what());
    }
}

void SetDefaultGameSettings() {
    fullscreen = true;
    musicEnabled = true;
    musicVolume = 96;
    keyboard.clear();
    for (int a = 0; a < ActionCount; ++a) {
        keyboard.insert({static_cast<KRActionTypes>(a), KRKeyBinding{defaultKeys[a], false}});
    }
}

void SaveOldGameSettings() {
    previousMusicVolume = musicVolume;
    previousMusicEnabled = musicEnabled;
    previousFullscreen = fullscreen;
    CopyBindings(keyboard, previousKeyboard);
}

void RestoreOldGameSettings() {
    musicVolume = previousMusicVolume;
    musicEnabled = previousMusicEnabled;
    fullscreen = previousFullscreen;
    CopyBindings(previousKeyboard, keyboard);
}

std::string SetMenuOptionOfKeybinding(KRActionTypes action, const std::string& label) {
    return BindingText(action, label);
}

std::string UpdateKeybinding(KRActionTypes action, const std::string& label, bool update) {
    if (update) {
        const auto it = FindBinding(keyboard, action);
        const auto scancode = static_cast<SDL_Scancode>(selectedKey);
        if (it != keyboard.end()) {
            it->second.scancode = scancode;
            it->second.pending = false;
        } else {
            keyboard.insert({action, KRKeyBinding{scancode, false}});
        }
    }
    return BindingText(action, label);
}
