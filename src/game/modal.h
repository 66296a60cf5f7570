// What every waiting screen shares: the one wait for input on the frame
// clock, the F2 mouse toggle that works in every one of them, the request to
// end the program that every one of them obeys, and the clock after a wait.
#pragma once

#include <SDL.h>

// How WaitForInput spends the frame.
enum class Pace {
    // Sleeps until an event comes, waking every frame to keep the music going
    // and to see an end request. The frame clock restarts when it returns:
    // the time spent waiting is not caught up afterwards.
    Block,
    // Hands out the queued events one at a time; with none left, sleeps out
    // the current frame (EndFrame) and says so.
    Frame,
};

// What F2 is to a wait.
enum class F2Key {
    TogglesMouse, // the wait toggles the relative mouse mode (MouseToggled)
    IsAKey,       // a key like any other (the inventory box: it cancels)
};

// What a wait for input brought.
enum class InputKind {
    Key,          // a key went down (event.key)
    Other,        // any other event (mouse motion, clicks, window events...)
    MouseToggled, // F2: the wait has already toggled the relative mouse mode
    Close,        // the window is to be closed
    Ending,       // the program is ending (EndRequested)
    Failed,       // the event queue failed (told on standard output)
    FrameOver,    // Pace::Frame only: the queue is empty and the frame is over
};

struct Input {
    InputKind kind = InputKind::Failed;
    SDL_Event event{}; // as SDL delivered it, for Key and Other
    // A Key the gamepad stands for (an arrow, Return or Escape, made up as
    // SDL would deliver the key): the dialogs take it as that key, the few
    // places where the pad does more than the key can tell it apart.
    bool fromPad = false;
};

// The one wait of every dialog, menu and aim, for the keyboard, the mouse
// and the gamepad (its presses and held directions arrive as keys, fromPad
// set; its other events as Other). F2 toggles the relative mouse
// mode here: at every press while blocked, at the first press of a held key
// in a frame (a held key repeats). With Pace::Frame an end request is
// reported once a frame is over, before the next is drawn.
Input WaitForInput(Pace pace, F2Key f2 = F2Key::TogglesMouse);
// Whether a box, a menu or an aim is waiting in WaitForInput right now (the
// main loop of a game reads its events itself).
bool WaitingForAnswer();
// Sleeps until the current frame ends; the next one ends FrameMs later.
void EndFrame();
// The current frame ends FrameMs from now: after a pause the loop did not
// spend waiting for input (a game, a window switch), so the clock does not
// try to catch up on it.
void RestartFrameClock();
// F2: the mouse pointer between relative (captured) and absolute mode.
void ToggleRelativeMouse();
// The system asked the program to end (kill, Ctrl+C in a terminal, logging
// out, shutting down). Every wait then returns as if cancelled, a running
// game is saved and left as with Escape, and the main menu returns as Quit
// does, so the program ends in order within a frame or two.
bool EndRequested();
// Records that request. Sets one lock-free flag and nothing else, so a signal
// handler may call it.
void RequestEnd();
