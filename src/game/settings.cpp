// The four user settings (fullscreen, music, volume, key bindings), their
// document game.cfg, the options menu's snapshot of them and the key names it
// shows. Touches neither the window nor the mixer: callers apply the values.
#include "settings.h"

#include <algorithm>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <iostream>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <system_error>
#include <vector>

#include "commands.h"
#include "docnodes.h"
#include "game.h"
#include "korJSON/korJSON.h"
#include "platform.h"

namespace {

using korJSON::korJSONData;
using korJSON::korJSONDataType;
namespace fs = std::filesystem;

const char* const SettingsFile = "game.cfg";
constexpr int MaxMusicVolume = 128; // the mixer's scale

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

// What a settings document asks for, read whole before any of it is used.
// Members that are absent leave their setting as it is.
struct SettingsDocument {
    std::optional<bool> fullscreen;
    std::optional<bool> music;
    std::optional<int> volume;
    std::vector<SDL_Scancode> keys; // actions 0.. in order, at most nine
};

// Read as the game's conversions read them: a flag from any word ("true" as
// text is true, the number 1 is not), a number from the leading digits of
// its text (70.9 is 70, "64" is 64). Containers and texts without digits
// are refused.
bool ReadFlag(const korJSONData& node, std::optional<bool>& out) {
    if (IsContainer(node)) {
        return false;
    }
    out = node.convertTo<bool>(false, false);
    return true;
}

bool ReadNumber(const korJSONData& node, int& out) {
    if (IsContainer(node)) {
        return false;
    }
    try {
        out = node.convertTo<int>(false, 0);
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

// Element i of "Keyboard" is an object holding the member "i"; a missing
// member or a non-object element is damage even for the unused extra
// entries. A number outside SDL's scancodes names no key and cannot be held
// in the enumeration: the action keeps a working key instead.
std::string ReadKeyboard(const korJSONData& list, std::vector<SDL_Scancode>& keys) {
    if (list.type != korJSON::Array) {
        return "\"Keyboard\" is not a list";
    }
    for (unsigned i = 0; i < list.arraySize(); ++i) {
        const korJSONData& element = list[static_cast<int>(i)];
        const std::string key = std::to_string(i);
        const std::string where = "\"Keyboard\" element " + key;
        if (element.type != korJSON::Object) {
            return where + " is not an object";
        }
        if (!element.contains(key)) {
            return where + " lacks \"" + key + "\"";
        }
        int code = 0;
        if (!ReadNumber(element[key], code)) {
            return where + " is not a number";
        }
        if (i < static_cast<unsigned>(ActionCount)) {
            keys.push_back(code >= 0 && code < SDL_NUM_SCANCODES ? static_cast<SDL_Scancode>(code)
                                                                 : defaultKeys[i]);
        }
    }
    return std::string();
}

// Empty when the whole document can be used; otherwise what is wrong with it.
std::string ReadSettings(const korJSONData& root, SettingsDocument& out) {
    if (root.type != korJSON::Object) {
        return "it holds no settings";
    }
    if (root.contains("Fullscreen") && !ReadFlag(root["Fullscreen"], out.fullscreen)) {
        return "\"Fullscreen\" is not a single value";
    }
    if (root.contains("Music") && !ReadFlag(root["Music"], out.music)) {
        return "\"Music\" is not a single value";
    }
    if (root.contains("MusicVolume")) {
        int volume = 0;
        if (!ReadNumber(root["MusicVolume"], volume)) {
            return "\"MusicVolume\" is not a number";
        }
        out.volume = std::clamp(volume, 0, MaxMusicVolume);
    }
    if (root.contains("Keyboard")) {
        return ReadKeyboard(root["Keyboard"], out.keys);
    }
    return std::string();
}

// Empty when game.cfg was read and checked whole into `out`; otherwise why not.
std::string ReadSettingsFile(SettingsDocument& out) {
    korJSONData root(korJSONDataType::Null);
    const std::string why = ReadPlayerFile(SettingsFile, root);
    return why.empty() ? ReadSettings(root, out) : why;
}

// Moves a damaged game.cfg aside, where the player can still look at it,
// and says so on one line; the next orderly exit writes a fresh one. Where
// game.cfg is a link (the browser keeps the real file in its storage), the
// file it points at is moved, so the link is left as on a first start.
// Only a regular file is moved: a link may lead to a pipe or a device
// (/dev/zero), which is the system's, not the player's, to rename.
void KeepDamagedFile(const std::string& why) {
    std::error_code ec;
    const fs::path file = fs::canonical(SettingsFile, ec);
    const fs::path kept = (ec ? fs::path(SettingsFile) : file).string() + ".damaged";
    std::cerr << SettingsFile << " is damaged (" << why << ")";
    if (!ec && fs::is_regular_file(file, ec) && std::rename(file.c_str(), kept.c_str()) == 0) {
        std::cerr << "; it was kept as " << kept.string();
        PlayerFilesChanged();
    } else {
        std::cerr << " and could not be kept as " << kept.string();
    }
    std::cerr << "; the default settings are used" << std::endl;
}

} // namespace

bool LoadGameSettings() {
    // No file is the first start, not damage: nothing to say. In a browser
    // game.cfg is always a link, into storage that may hold nothing yet.
    std::error_code ec;
    if (fs::status(SettingsFile, ec).type() == fs::file_type::not_found) {
        return false;
    }
    SettingsDocument doc;
    const std::string why = ReadSettingsFile(doc);
    if (!why.empty()) {
        KeepDamagedFile(why);
        return false;
    }
    if (doc.fullscreen) {
        fullscreen = *doc.fullscreen;
    }
    if (doc.music) {
        musicEnabled = *doc.music;
    }
    if (doc.volume) {
        musicVolume = *doc.volume;
    }
    for (std::size_t a = 0; a < doc.keys.size(); ++a) {
        Bind(keyboard, static_cast<int>(a), doc.keys[a]);
    }
    FillMissingBindings(keyboard);
    return true;
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
