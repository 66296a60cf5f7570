// Process lifetime: start-up, the frame loop of a running game and the
// orderly shutdown. Owns the SDL objects and the presentation surfaces.
#pragma once

#include <SDL.h>

// Reads the settings (defaults when there are none), then opens SDL, the
// window, the renderer, the music, the surfaces, the font and the log.
// False, after printing why, when any of them fails.
bool InitGame(int width, int height, bool accelerated);
// Plays the current game frame by frame until it ends (window closed, Escape
// with a save, or won); blocks, and leaves gameState at 2 (no game).
void RunGame();
// One 60 ms frame of a running game: events, music, the player's command,
// the guards' turns, drawing, a level-up, then the wait for the frame's end.
// Blocks in dialogs the command opens; sets gameOver when the game ends.
void RunFrame();
// Releases the game, the surfaces and SDL; saves the settings. Never throws.
void QuitGame();
// Sleeps until the tick count `until` (SDL_Delay(0) when it has passed).
void Delay(Uint32 until);
// Pushes `screen` to the window through the streaming texture.
void PresentScreen();
// Window pixels -> 640 x 400 picture pixels; the identity when windowed.
SDL_Point WindowToPicture(int x, int y);
