// The options screen: key bindings, fullscreen, music and its volume, all
// live while the screen is open, then kept, saved or discarded.
#pragma once

// Runs the options screen until Restore Defaults, Save or Discard; blocks.
void OptionsMenu();
// Flips the window between fullscreen and windowed; the new state.
bool ToggleFullscreen();
// Puts the window into fullscreen (on) or windowed mode.
void SetFullscreen(bool on);
