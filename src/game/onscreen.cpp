#include "onscreen.h"

#include <SDL.h>

#include "commands.h"
#include "game.h"
#include "modal.h"

namespace {

SDL_Scancode ButtonKey(int button) {
    static constexpr SDL_Scancode Arrows[] = {SDL_SCANCODE_UP, SDL_SCANCODE_DOWN, SDL_SCANCODE_LEFT,
                                              SDL_SCANCODE_RIGHT};
    if (button == ButtonConfirm) {
        return SDL_SCANCODE_RETURN;
    }
    if (button == ButtonBack) {
        return SDL_SCANCODE_ESCAPE;
    }
    if (button < 0 || button >= ActionCount) {
        return SDL_SCANCODE_UNKNOWN;
    }
    if (button <= ActionMoveAttackRight && WaitingForAnswer()) {
        return Arrows[button];
    }
    const auto bound = FindBinding(keyboard, static_cast<KRActionTypes>(button));
    return bound == keyboard.end() ? SDL_SCANCODE_UNKNOWN : bound->second.scancode;
}

} // namespace

bool VloPressButton(int button) {
    const SDL_Scancode key = ButtonKey(button);
    if (key == SDL_SCANCODE_UNKNOWN) {
        return false;
    }
    SDL_Event e;
    SDL_zero(e);
    e.key.timestamp = SDL_GetTicks();
    e.key.windowID = window != nullptr ? SDL_GetWindowID(window) : 0;
    e.key.keysym.scancode = key;
    e.key.keysym.sym = SDL_GetKeyFromScancode(key);
    e.type = SDL_KEYDOWN;
    e.key.state = SDL_PRESSED;
    if (SDL_PushEvent(&e) != 1) {
        return false;
    }
    e.type = SDL_KEYUP;
    e.key.state = SDL_RELEASED;
    return SDL_PushEvent(&e) == 1;
}
