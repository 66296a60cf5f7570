#include "onscreen.h"

#include <SDL.h>

#include "commands.h"
#include "game.h"
#include "modal.h"

namespace {

// Queues `e` as `down`, then as `up`: a press and its release.
bool PushPressAndRelease(SDL_Event e, Uint32 down, Uint32 up) {
    e.type = down;
    if (SDL_PushEvent(&e) != 1) {
        return false;
    }
    e.type = up;
    return SDL_PushEvent(&e) == 1;
}

// In a box or an aim the direction pad, OK and Back are a gamepad's d-pad, A
// and B: the inventory box then points at an item as it does for a pad, where
// the arrow keys would only cancel it. SDL_CONTROLLER_BUTTON_INVALID for the
// other buttons, and while a game is played.
SDL_GameControllerButton PadButton(int button) {
    static constexpr SDL_GameControllerButton Directions[] = {
        SDL_CONTROLLER_BUTTON_DPAD_UP, SDL_CONTROLLER_BUTTON_DPAD_DOWN,
        SDL_CONTROLLER_BUTTON_DPAD_LEFT, SDL_CONTROLLER_BUTTON_DPAD_RIGHT};
    if (!WaitingForAnswer()) {
        return SDL_CONTROLLER_BUTTON_INVALID;
    }
    if (button == ButtonConfirm) {
        return SDL_CONTROLLER_BUTTON_A;
    }
    if (button == ButtonBack) {
        return SDL_CONTROLLER_BUTTON_B;
    }
    if (button >= 0 && button <= ActionMoveAttackRight) {
        return Directions[button];
    }
    return SDL_CONTROLLER_BUTTON_INVALID;
}

SDL_Scancode ButtonKey(int button) {
    if (button == ButtonConfirm) {
        return SDL_SCANCODE_RETURN;
    }
    if (button == ButtonBack) {
        return SDL_SCANCODE_ESCAPE;
    }
    if (button < 0 || button >= ActionCount) {
        return SDL_SCANCODE_UNKNOWN;
    }
    const auto bound = FindBinding(keyboard, static_cast<KRActionTypes>(button));
    return bound == keyboard.end() ? SDL_SCANCODE_UNKNOWN : bound->second.scancode;
}

} // namespace

bool VloPressButton(int button) {
    SDL_Event e;
    SDL_zero(e);
    const SDL_GameControllerButton pad = PadButton(button);
    if (pad != SDL_CONTROLLER_BUTTON_INVALID) {
        e.cbutton.timestamp = SDL_GetTicks();
        e.cbutton.button = static_cast<Uint8>(pad);
        return PushPressAndRelease(e, SDL_CONTROLLERBUTTONDOWN, SDL_CONTROLLERBUTTONUP);
    }
    const SDL_Scancode key = ButtonKey(button);
    if (key == SDL_SCANCODE_UNKNOWN) {
        return false;
    }
    e.key.timestamp = SDL_GetTicks();
    e.key.windowID = window != nullptr ? SDL_GetWindowID(window) : 0;
    e.key.keysym.scancode = key;
    e.key.keysym.sym = SDL_GetKeyFromScancode(key);
    return PushPressAndRelease(e, SDL_KEYDOWN, SDL_KEYUP);
}
