// Where the desktop game and its browser build differ. Each build links one
// definition file: platform_desktop.cpp or platform_web.cpp. Everything else
// is the same code in both.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

union SDL_Event;

// SDL_WaitEventTimeout. SDL in a browser can only wait for events by polling
// every millisecond or so, so there the game sleeps until the page sees input
// or the time is up, whichever comes first.
int WaitEventTimeout(SDL_Event* event, int timeoutMs);
// Whether a game left alone sleeps through the frames in which nothing can
// happen (no input, no music boundary near), on the same 60 ms clock. A page
// saves the wake-ups; the desktop game keeps every frame.
bool SleepsThroughIdleFrames();
// Whether InitGame asks for the accelerated renderer. The browser draws into
// a 2D canvas, which every browser has, with or without a GPU.
bool UsesAcceleratedRenderer();
// Whether the game captures the mouse (relative mode) at start-up. A page must
// not: the browser keeps Escape, the game's own key, to release a captured
// pointer. F2 still captures it on request.
bool CapturesMouseAtStart();
// Whether full screen is the page's business rather than the window's: in a
// browser the canvas element goes full screen and the picture inside it stays
// 640 x 400.
bool PageHandlesFullscreen();
// The page's full screen (only where PageHandlesFullscreen). Browsers grant
// it only shortly after a key or a click; a refusal leaves the page as it is.
void SetPageFullscreen(bool on);
bool PageIsFullscreen();
// game.cfg or game.sav has just been replaced. The desktop writer has already
// flushed it to the disk; the browser copies its files into the site's
// persistent storage and returns when that is done.
void PlayerFilesChanged();
// Whether the music files can be read now. The desktop game has them beside
// it: always. A page would have to download them before its first frame, so
// it starts without them: false until FetchMusicFiles has been asked for them
// and every one of those downloads has ended, arrived or not (one that did
// not is then missing, and reading it says so).
bool MusicFilesPresent();
// Starts downloading the music files (paths from the working folder) into
// the page's file system once the page has shown its first frame. A download
// is dropped, and its file left missing, as soon as it passes `maxBytes`.
// Nothing on the desktop.
void FetchMusicFiles(const std::vector<std::string>& fileNames, std::size_t maxBytes);
// The orderly shutdown is over: the page tells the player the game has ended.
void GameEnded();
// SIGTERM, SIGINT and SIGHUP call `onSignal` instead of ending the process, so
// the game can save and end in order; `onSignal` may only set a flag. A second
// of the same signal ends the process at once, should the orderly end hang.
// A signal ignored when the program starts (nohup) stays ignored. Nothing in
// a browser, which has no signals.
void CatchEndSignals(void (*onSignal)(int));
