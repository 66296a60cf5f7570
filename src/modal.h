// What every blocking loop of the game shares: the frame clock after a wait,
// and the F2 mouse toggle that works in every one of them.
#pragma once

// The current frame ends FrameMs from now: after a blocking dialog or pause,
// so the clock does not try to catch up on the time spent waiting.
void RestartFrameClock();
// F2: the mouse pointer between relative (captured) and absolute mode.
void ToggleRelativeMouse();
