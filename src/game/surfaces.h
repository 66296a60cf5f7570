// The shell's off-screen surfaces: made in the renderer's format, cleared,
// and the snapshot a dialog restores behind itself on every redraw.
#pragma once

#include <SDL.h>

// Paints the whole surface black.
void ClearSurface(SDL_Surface* s);
// A surface in the renderer's first texture format; null (with a message on
// standard output) on failure.
SDL_Surface* CreateRGBSurface(int w, int h);
// Snapshot of `screen` into `tempSurface`, and back.
void CopyOfSurface();
void RenderCopyOfSurface();
