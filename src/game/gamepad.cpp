// The gamepad: controllers come and go, directions repeat while held, and
// presses become what the keyboard already does.
#include "gamepad.h"

#include <algorithm>
#include <iostream>
#include <vector>

#include "commands.h"
#include "game.h"

namespace {

// A stick counts as pushed beyond half its travel: worn sticks rest well off
// centre, and a push that small is no deliberate step.
constexpr int DeadZone = 16384;
// A held direction repeats after this pause, then at this pace: a step every
// other frame, slow enough to stop on the cell the player means.
constexpr Uint32 RepeatDelayMs = 4 * FrameMs;
constexpr Uint32 RepeatEveryMs = 2 * FrameMs;

enum class Source { None, Dpad, Stick };

std::vector<SDL_GameController*> pads;
bool inUse = false;
PadPress held = PadPress::None; // the direction that repeats
Source heldBy = Source::None;
Uint32 nextRepeat = 0;
int stickX = 0;
int stickY = 0;
PadPress stickDirection = PadPress::None;

void Hold(PadPress direction, Source by) {
    held = direction;
    heldBy = by;
    nextRepeat = SDL_GetTicks() + RepeatDelayMs;
}

void Release(Source by) {
    if (heldBy == by) {
        held = PadPress::None;
        heldBy = Source::None;
    }
}

// Nothing held, the stick at rest: a pad that went away holds nothing.
void LetGo() {
    held = PadPress::None;
    heldBy = Source::None;
    stickX = stickY = 0;
    stickDirection = PadPress::None;
}

PadPress ButtonPress(Uint8 button) {
    switch (button) {
    case SDL_CONTROLLER_BUTTON_DPAD_UP: return PadPress::Up;
    case SDL_CONTROLLER_BUTTON_DPAD_DOWN: return PadPress::Down;
    case SDL_CONTROLLER_BUTTON_DPAD_LEFT: return PadPress::Left;
    case SDL_CONTROLLER_BUTTON_DPAD_RIGHT: return PadPress::Right;
    case SDL_CONTROLLER_BUTTON_A: return PadPress::South;
    case SDL_CONTROLLER_BUTTON_B: return PadPress::East;
    case SDL_CONTROLLER_BUTTON_X: return PadPress::West;
    case SDL_CONTROLLER_BUTTON_Y: return PadPress::North;
    case SDL_CONTROLLER_BUTTON_BACK:
    case SDL_CONTROLLER_BUTTON_LEFTSHOULDER: return PadPress::Sheet;
    case SDL_CONTROLLER_BUTTON_START: return PadPress::Leave;
    default: return PadPress::None;
    }
}

bool IsDirection(PadPress p) {
    return p == PadPress::Up || p == PadPress::Down || p == PadPress::Left || p == PadPress::Right;
}

// The stick's direction: the axis pushed farther wins, within the dead zone
// none.
PadPress StickDirection() {
    const int ax = std::abs(stickX);
    const int ay = std::abs(stickY);
    if (std::max(ax, ay) < DeadZone) {
        return PadPress::None;
    }
    if (ax > ay) {
        return stickX < 0 ? PadPress::Left : PadPress::Right;
    }
    return stickY < 0 ? PadPress::Up : PadPress::Down;
}

PadPress StickMoved(Uint8 axis, Sint16 value) {
    if (axis == SDL_CONTROLLER_AXIS_LEFTX) {
        stickX = value;
    } else if (axis == SDL_CONTROLLER_AXIS_LEFTY) {
        stickY = value;
    } else {
        return PadPress::None;
    }
    const PadPress now = StickDirection();
    if (now == stickDirection) {
        return PadPress::None;
    }
    stickDirection = now;
    if (now == PadPress::None) {
        Release(Source::Stick);
        return PadPress::None;
    }
    Hold(now, Source::Stick);
    return now;
}

void Opened(int deviceIndex) {
    SDL_GameController* pad = SDL_GameControllerOpen(deviceIndex);
    if (pad == nullptr) {
        return; // a device that is not a controller after all
    }
    if (std::find(pads.begin(), pads.end(), pad) != pads.end()) {
        SDL_GameControllerClose(pad); // SDL counts opens: one is enough
        return;
    }
    pads.push_back(pad);
}

void Removed(SDL_JoystickID id) {
    SDL_GameController* pad = SDL_GameControllerFromInstanceID(id);
    const auto it = std::find(pads.begin(), pads.end(), pad);
    if (it == pads.end()) {
        return;
    }
    SDL_GameControllerClose(pad);
    pads.erase(it);
    LetGo();
}

} // namespace

void InitGamepads() {
    if (SDL_InitSubSystem(SDL_INIT_GAMECONTROLLER) != 0) {
        std::cerr << "No gamepads: " << SDL_GetError() << std::endl;
    }
}

void CloseGamepads() {
    for (SDL_GameController* pad : pads) {
        SDL_GameControllerClose(pad);
    }
    pads.clear();
    inUse = false;
    LetGo();
}

PadPress GamepadPress(const SDL_Event& e) {
    PadPress press = PadPress::None;
    switch (e.type) {
    case SDL_CONTROLLERDEVICEADDED: Opened(e.cdevice.which); break;
    case SDL_CONTROLLERDEVICEREMOVED: Removed(e.cdevice.which); break;
    case SDL_CONTROLLERBUTTONDOWN:
        press = ButtonPress(e.cbutton.button);
        if (IsDirection(press)) {
            Hold(press, Source::Dpad);
        }
        break;
    case SDL_CONTROLLERBUTTONUP:
        if (ButtonPress(e.cbutton.button) == held) {
            Release(Source::Dpad);
        }
        break;
    case SDL_CONTROLLERAXISMOTION: press = StickMoved(e.caxis.axis, e.caxis.value); break;
    case SDL_KEYDOWN:
    case SDL_MOUSEMOTION:
    case SDL_MOUSEBUTTONDOWN: inUse = false; break;
    default: break;
    }
    if (press != PadPress::None) {
        inUse = true;
    }
    return press;
}

PadPress GamepadRepeat(Uint32 now) {
    if (held == PadPress::None || !SDL_TICKS_PASSED(now, nextRepeat)) {
        return PadPress::None;
    }
    nextRepeat = now + RepeatEveryMs;
    inUse = true;
    return held;
}

bool GamepadOpen() {
    return !pads.empty();
}

bool GamepadInUse() {
    return inUse;
}

void PadActsInPlay(PadPress press) {
    KRActionTypes action = ActionTake;
    switch (press) {
    case PadPress::Up: action = ActionMoveAttackUp; break;
    case PadPress::Down: action = ActionMoveAttackDown; break;
    case PadPress::Left: action = ActionMoveAttackLeft; break;
    case PadPress::Right: action = ActionMoveAttackRight; break;
    case PadPress::South: action = ActionTake; break;
    case PadPress::East: action = ActionDrop; break;
    case PadPress::West: action = ActionInventory; break;
    case PadPress::North: action = ActionUse; break;
    case PadPress::Sheet: action = ActionCharacterInformation; break;
    case PadPress::Leave: playerAction = QuitWithSave; return;
    case PadPress::None: return;
    }
    // The first binding of the action, as a key press finds it; an action
    // without a key cannot be triggered from the pad either.
    const auto binding = FindBinding(keyboard, action);
    if (binding != keyboard.end()) {
        binding->second.pending = true;
    }
}

SDL_Scancode PadKeyInDialogs(PadPress press) {
    switch (press) {
    case PadPress::Up: return SDL_SCANCODE_UP;
    case PadPress::Down: return SDL_SCANCODE_DOWN;
    case PadPress::Left: return SDL_SCANCODE_LEFT;
    case PadPress::Right: return SDL_SCANCODE_RIGHT;
    case PadPress::South: return SDL_SCANCODE_RETURN;
    case PadPress::East: return SDL_SCANCODE_ESCAPE;
    default: return SDL_SCANCODE_UNKNOWN;
    }
}
