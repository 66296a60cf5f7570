// The options screen: key bindings, fullscreen, music and its volume, all
// live while the screen is open, then kept, saved or discarded.
#pragma once

// Runs the options screen until Restore Defaults, Save or Discard; blocks.
// When the program is ending it returns with the settings it was opened with
// (their values only: the window and the music are left as they are).
void OptionsMenu();
// Flips the window between fullscreen and windowed; the new state.
bool ToggleFullscreen();
// Puts the window into fullscreen (on) or windowed mode.
void SetFullscreen(bool on);
