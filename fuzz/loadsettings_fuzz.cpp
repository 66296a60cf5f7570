// Property: LoadGameSettings over any game.cfg content returns true or false
// or raises std::runtime_error starting with "Error while loading game
// settings: ", nothing else. After false every setting is as it was. After
// true each of the nine actions has exactly one binding, to a scancode SDL
// knows (0 to SDL_NUM_SCANCODES - 1), with nothing pending, and no entry
// lies beyond the nine actions.
#include <cstddef>
#include <cstdint>
#include <stdexcept>
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
    try {
        if (LoadGameSettings()) {
            CHECK(keyboard.size() == static_cast<std::size_t>(ActionCount));
            for (int a = 0; a < ActionCount; ++a) {
                const auto it = FindBinding(keyboard, static_cast<KRActionTypes>(a));
                CHECK(it != keyboard.end());
                CHECK(keyboard.count(static_cast<KRActionTypes>(a)) == 1);
                CHECK(static_cast<int>(it->second.scancode) >= 0);
                CHECK(static_cast<int>(it->second.scancode) < SDL_NUM_SCANCODES);
                CHECK(!it->second.pending);
            }
        } else {
            CHECK(vlofuzz::PictureOfGame() == before);
        }
    } catch (const std::runtime_error& e) {
        const std::string text = e.what();
        CHECK(text.rfind("Error while loading game settings: ", 0) == 0);
    } catch (...) {
        CHECK(false);
    }
    return 0;
}
