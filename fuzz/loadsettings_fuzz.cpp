// Property: LoadGameSettings over any game.cfg content returns true or false
// and throws nothing, and the settings are sane afterwards: the volume within
// 0-128, each of the nine actions bound exactly once to a scancode SDL knows
// (0 to SDL_NUM_SCANCODES - 1) with nothing pending, no entry beyond the nine
// actions. After false every setting is as it was, and the file has been
// moved whole to game.cfg.damaged.
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "game_fuzz_support.h"

namespace {

// Settings a player might have: not the defaults, one key moved.
void SetRunningSettings() {
    SetDefaultGameSettings();
    fullscreen = false;
    musicVolume = 40;
    FindBinding(keyboard, ActionTake)->second.scancode = SDL_SCANCODE_T;
}

std::string ReadWhole(const char* name) {
    std::ifstream in(name, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const bool ready = [] {
        vlofuzz::EnterScratchFolder();
        return true;
    }();
    (void)ready;
    if (!vlofuzz::WriteInput("game.cfg", data, size)) {
        return 0;
    }
    SetRunningSettings();
    const std::string before = vlofuzz::PictureOfGame();
    bool loaded = false;
    try {
        loaded = LoadGameSettings();
    } catch (...) {
        CHECK(false);
    }
    if (!loaded) {
        CHECK(vlofuzz::PictureOfGame() == before);
        CHECK(!std::filesystem::exists("game.cfg"));
        CHECK(ReadWhole("game.cfg.damaged") ==
              std::string(reinterpret_cast<const char*>(data), size));
    }
    CHECK(musicVolume >= 0 && musicVolume <= 128);
    CHECK(keyboard.size() == static_cast<std::size_t>(ActionCount));
    for (int a = 0; a < ActionCount; ++a) {
        const auto it = FindBinding(keyboard, static_cast<KRActionTypes>(a));
        CHECK(it != keyboard.end());
        CHECK(keyboard.count(static_cast<KRActionTypes>(a)) == 1);
        CHECK(static_cast<int>(it->second.scancode) >= 0);
        CHECK(static_cast<int>(it->second.scancode) < SDL_NUM_SCANCODES);
        CHECK(!it->second.pending);
    }
    return 0;
}
