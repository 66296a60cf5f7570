// What every blocking loop of the game shares: the frame clock after a wait,
// the F2 mouse toggle that works in every one of them, and the request to end
// the program that every one of them obeys.
#pragma once

// The current frame ends FrameMs from now: after a blocking dialog or pause,
// so the clock does not try to catch up on the time spent waiting.
void RestartFrameClock();
// F2: the mouse pointer between relative (captured) and absolute mode.
void ToggleRelativeMouse();
// The system asked the program to end (kill, Ctrl+C in a terminal, logging
// out, shutting down). Every blocking loop then returns as if cancelled, a
// running game is saved and left as with Escape, and the main menu returns as
// Quit does, so the program ends in order within a frame or two.
bool EndRequested();
// Records that request. Sets one lock-free flag and nothing else, so a signal
// handler may call it.
void RequestEnd();
