// The gamepad: any controller SDL's game-controller layer knows, plugged in
// before or during a game. It speaks in presses of one fixed layout; the
// main loop turns them into the actions the bound keys set, the wait for
// input of the dialogs into the keys they already understand.
#pragma once

#include <SDL.h>

// A press on the pad, or a held direction's repeat.
enum class PadPress {
    None,
    Up,
    Down,
    Left,
    Right,
    South, // A on most pads: Take; confirms in dialogs
    East,  // B: Drop; cancels in dialogs
    West,  // X: use an item (the inventory)
    North, // Y: the stairs or the exit
    Sheet, // Back or the left shoulder: the character sheet
    Leave, // Start: save and leave, as Escape
};

// Opens the game-controller layer. Without it the game is played with the
// keyboard and the mouse as before; the reason goes to standard error.
void InitGamepads();
// Closes every open controller (before SDL_Quit).
void CloseGamepads();
// Reads one event: opens and closes controllers as they come and go, follows
// the held directions, and tells which press the event is (None for every
// release, every stick move that stays within its dead zone, and every event
// that is not the pad's). A key press or a mouse move hands the game back to
// the keyboard and the mouse.
PadPress GamepadPress(const SDL_Event& e);
// The repeat of a direction held on the pad, when one is due at tick `now`:
// like a held key, after a pause and then at an even pace.
PadPress GamepadRepeat(Uint32 now);
// Whether a controller is open.
bool GamepadOpen();
// Whether the last input came from the pad (the inventory box then shows
// which item the pad points at).
bool GamepadInUse();
// What a press does in a running game: the pending flag of the action it
// stands for (the same flag its bound key sets), or save and leave.
void PadActsInPlay(PadPress press);
// The key a press stands for in the dialogs: the arrows, Return for South,
// Escape for East; SDL_SCANCODE_UNKNOWN for the rest.
SDL_Scancode PadKeyInDialogs(PadPress press);
