// Process lifetime: start-up, the frame loop of a running game and the
// orderly shutdown. Owns the SDL objects and the presentation surfaces.
#pragma once

#include <SDL.h>

// Reads the settings (defaults when there are none), then opens SDL, the
// window, the renderer, the music, the surfaces, the font and the log.
// False, after printing why, when any of them fails.
bool InitGame(int width, int height, bool accelerated);
// Plays the current game frame by frame until it ends (window closed, Escape
// with a save, won, or the program ending, which saves as Escape does);
// blocks, and leaves gameState at GameStateNoGame.
void RunGame();
// One 60 ms frame of a running game: events, music, the player's command,
// the guards' turns, drawing, a level-up, then the wait for the frame's end.
// Blocks in dialogs the command opens; sets gameOver when the game ends. A
// save on Escape that fails shows why in a box and the game goes on.
void RunFrame();
// Releases the game, the surfaces and SDL, and saves the settings; safe after
// a partial start-up. Throws what SaveGameSettings throws (the settings
// document could not be built), with the game and the surfaces released but
// the mixer, the window and SDL not yet; a game.cfg that cannot be written
// is not reported.
void QuitGame();
// Whether the program ended on request (EndRequested) with a game in play
// that could not be saved: its progress is lost, and the exit status says so.
bool GameLostAtEnd();
// Sleeps until the tick count `until` (SDL_Delay(0) when it has passed).
void Delay(Uint32 until);
// Pushes `screen` to the window through the streaming texture, centred with
// its aspect kept; does nothing when the picture equals the one last
// presented and the window has not changed since.
void PresentScreen();
// SDL_SetWindowFullscreen(window, fullscreenFlags), made to cover the display
// even where no window manager does it, and back to the picture's size.
void SwitchWindowMode(Uint32 fullscreenFlags);
// Whether the picture is full screen now (the window's, or the page's in a
// browser).
bool WindowIsFullscreen();
// Makes the next PresentScreen present even an unchanged picture.
void RequestPresent();
// Where the picture lies in a renderer output of that many pixels.
SDL_Rect PicturePlacement(int outputW, int outputH);
// Window pixels -> 640 x 400 picture pixels through that placement; a point
// on a black bar beside the picture gives (-8, -8), outside every cell.
SDL_Point WindowToPicture(int x, int y);
