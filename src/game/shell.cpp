// Process lifetime: start-up, the per-frame loop of a running game, and the
// orderly shutdown. Owns the SDL objects and the presentation surfaces.
#include "shell.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstring>
#include <iostream>
#include <string>
#include <vector>

#include "basicenemy.h"
#include "commands.h"
#include "entity.h"
#include "floors.h"
#include "font.h"
#include "game.h"
#include "gamepad.h"
#include "levelup.h"
#include "map.h"
#include "menus.h"
#include "message.h"
#include "modal.h"
#include "music.h"
#include "platform.h"
#include "render.h"
#include "savegame.h"
#include "settings.h"
#include "surfaces.h"
#include "view.h"

namespace {

constexpr Uint32 FullscreenFlags = SDL_WINDOW_FULLSCREEN_DESKTOP;
constexpr SDL_Point OffPicture = {-8, -8}; // outside every cell, the cursor not drawn

std::vector<unsigned char> lastPresented; // the picture as last presented
std::atomic<bool> presentDue{true};       // the window needs a present regardless
bool gameLostAtEnd = false;               // the end request could not save the game
// The player's window as it was before fullscreen, to give it back on
// leaving; empty (w 0) when the game started fullscreen.
SDL_Rect windowedPlace = {0, 0, 0, 0};
bool windowedMaximized = false;
// Every PresentScreen call counts, presented or skipped, so that a frame can
// tell whether anything (a box, a dialog) has drawn since it did.
unsigned long presentCalls = 0;
constexpr unsigned long NotDrawn = ~0UL;
unsigned long presentCallsAtDraw = NotDrawn; // presentCalls after the last frame drawn

// Events that leave the window without our picture or with another shape.
// Event watches run wherever SDL queues an event, so this only sets a flag.
int WatchWindow(void*, SDL_Event* e) {
    if (e->type == SDL_WINDOWEVENT) {
        switch (e->window.event) {
        case SDL_WINDOWEVENT_SHOWN:
        case SDL_WINDOWEVENT_EXPOSED:
        case SDL_WINDOWEVENT_MOVED:
        case SDL_WINDOWEVENT_RESIZED:
        case SDL_WINDOWEVENT_SIZE_CHANGED:
        case SDL_WINDOWEVENT_MAXIMIZED:
        case SDL_WINDOWEVENT_RESTORED:
        case SDL_WINDOWEVENT_DISPLAY_CHANGED: presentDue = true; break;
        default: break;
        }
    } else if (e->type == SDL_RENDER_TARGETS_RESET || e->type == SDL_RENDER_DEVICE_RESET) {
        presentDue = true;
    }
    return 1;
}

// The picture's size in pixels; 640 x 400 before its surface exists.
SDL_Point PictureSize() {
    return screen != nullptr ? SDL_Point{screen->w, screen->h} : SDL_Point{640, 400};
}

// When no display can be opened (no X server, or one that dropped the
// connection), SDL quietly falls back to a driver that draws nowhere, and the
// game would run unseen with its music playing. Such a driver is only
// accepted when SDL_VIDEODRIVER names it alone, as the in-process tests do.
bool HasAScreen() {
    const char* driver = SDL_GetCurrentVideoDriver();
    const char* asked = SDL_GetHint(SDL_HINT_VIDEODRIVER);
    if (driver == nullptr ||
        (std::strcmp(driver, "offscreen") != 0 && std::strcmp(driver, "dummy") != 0) ||
        (asked != nullptr && std::strcmp(asked, driver) == 0)) {
        return true;
    }
    SDL_SetError("no display could be opened (SDL fell back to its %s video driver)", driver);
    return false;
}

bool Fail(std::ostream& out, const char* what) {
    out << what << SDL_GetError() << std::endl;
    return false;
}

void FreeSurface(SDL_Surface*& s) {
    if (s != nullptr) {
        SDL_FreeSurface(s);
        s = nullptr;
    }
}

// The window as the player left it before fullscreen; a maximised one is
// maximised again on the way back.
void RememberWindowedPlace() {
    windowedMaximized = (SDL_GetWindowFlags(window) & SDL_WINDOW_MAXIMIZED) != 0;
    SDL_GetWindowPosition(window, &windowedPlace.x, &windowedPlace.y);
    SDL_GetWindowSize(window, &windowedPlace.w, &windowedPlace.h);
}

// Drains the queue for one frame of a running game; whether anything came.
bool PollGameEvents() {
    bool any = false;
    while (SDL_PollEvent(&event)) {
        any = true;
        PadActsInPlay(GamepadPress(event));
        switch (event.type) {
        case SDL_QUIT: gameOver = true; break;
        case SDL_KEYDOWN:
            if (event.key.repeat != 0) {
                break; // a held key acts once
            }
            if (event.key.keysym.scancode == SDL_SCANCODE_ESCAPE) {
                playerAction = QuitWithSave;
            } else if (event.key.keysym.scancode == SDL_SCANCODE_F2) {
                ToggleRelativeMouse();
            } else {
                MarkKeyPending(event.key.keysym.scancode);
            }
            break;
        case SDL_MOUSEMOTION: mousePos = WindowToPicture(event.motion.x, event.motion.y); break;
        case SDL_MOUSEBUTTONDOWN: mousePos = WindowToPicture(event.button.x, event.button.y); break;
        default: break;
        }
    }
    PadActsInPlay(GamepadRepeat(SDL_GetTicks()));
    return any;
}

// Sleeps through up to `frames` whole frames after the current one, on the
// frame clock. Input ends the sleep at the end of the frame it arrived in,
// where the game would have seen it anyway.
void SleepThroughIdleFrames(int frames) {
    const Uint32 until = nextTime + static_cast<Uint32>(frames) * FrameMs;
    const Uint32 now = SDL_GetTicks();
    if (frames <= 0 || SDL_TICKS_PASSED(now, until)) {
        return;
    }
    if (WaitEventTimeout(nullptr, static_cast<int>(until - now)) == 0) {
        nextTime = until;
        return;
    }
    const Uint32 arrived = SDL_GetTicks();
    while (SDL_TICKS_PASSED(arrived, nextTime)) {
        nextTime += FrameMs;
    }
}

// Every guard with a behaviour acts once. A turn can end the player's life
// but never reorders or shrinks the list (guards only attack the player), so
// the walk is safe; the next element is taken before the turn all the same,
// because a behaviour may replace itself.
void EnemiesTakeTurns() {
    for (entityIterator = entities.begin(); entityIterator != entities.end();) {
        KREntity* e = *entityIterator;
        ++entityIterator;
        if (e->ai != nullptr) {
            e->ai->TakeTurn(player, message);
        }
    }
}

// Escape saves and leaves. A save that fails is told to the player, who stays
// in the game with nothing lost and may press Escape again (after freeing the
// disk, say). When the program is ending there is no one to wait for: it
// leaves all the same, and says why on standard output.
void SaveAndLeave() {
    std::string reason;
    if (SaveGame(&reason)) {
        gameOver = true;
        return;
    }
    if (EndRequested()) {
        std::cout << "The game could not be saved: " << reason << std::endl;
        gameLostAtEnd = true;
        gameOver = true;
        return;
    }
    const DialogResult answer =
        SaveFailureBox(" Saving the game failed ", "The game", reason, "the game");
    playerAction = NoTurn; // not another save next frame
    if (answer.outcome == DialogOutcome::Closed) {
        gameOver = true; // the box was closed with the window: leave as a close does
    }
}

} // namespace

void Delay(Uint32 until) {
    const Uint32 now = SDL_GetTicks();
    SDL_Delay(now < until ? until - now : 0);
}

// Placement of the picture in the renderer's output. Fullscreen screens rarely
// have the picture's 16:10 shape or a whole multiple of its size, so the
// picture keeps its aspect, is centred, and the rest stays black. The factor
// is a whole number when that keeps at least IntegerShare of the largest
// factor that fits (every picture pixel then covers the same square of screen
// pixels: 1280 x 1024 gets 2, 1440 x 900 gets 2, 3840 x 2160 gets 5); when a
// whole number would shrink the picture more than that (1920 x 1080 would
// drop from 2.7 to 2 and leave a third of the screen empty), it takes the
// largest fitting factor instead, the same on both axes, where nearest-
// neighbour sampling makes picture pixels one screen pixel wider or narrower
// than their neighbours but keeps every glyph sharp and undistorted.
SDL_Rect PicturePlacement(int outputW, int outputH) {
    constexpr double IntegerShare = 0.85;
    const auto [pw, ph] = PictureSize();
    if (outputW <= 0 || outputH <= 0) {
        return {0, 0, pw, ph};
    }
    const double fit =
        std::min(static_cast<double>(outputW) / pw, static_cast<double>(outputH) / ph);
    const double whole = std::floor(fit);
    const double factor = whole >= 1.0 && whole >= IntegerShare * fit ? whole : fit;
    const int w = std::min(outputW, static_cast<int>(std::lround(pw * factor)));
    const int h = std::min(outputH, static_cast<int>(std::lround(ph * factor)));
    return {(outputW - w) / 2, (outputH - h) / 2, w, h};
}

SDL_Point WindowToPicture(int x, int y) {
    int w = 0;
    int h = 0;
    if (window != nullptr) {
        SDL_GetWindowSize(window, &w, &h);
    }
    int ow = w;
    int oh = h;
    if (renderer != nullptr && SDL_GetRendererOutputSize(renderer, &ow, &oh) != 0) {
        ow = w;
        oh = h;
    }
    if (w <= 0 || h <= 0 || ow <= 0 || oh <= 0) {
        return {x, y};
    }
    // Window points to output pixels (they differ on high-density screens),
    // then through the very placement the picture was presented with.
    const long long ox = static_cast<long long>(x) * ow / w;
    const long long oy = static_cast<long long>(y) * oh / h;
    const SDL_Rect at = PicturePlacement(ow, oh);
    if (ox < at.x || oy < at.y || ox >= at.x + at.w || oy >= at.y + at.h) {
        return OffPicture; // a black bar is no part of the picture
    }
    const auto [pw, ph] = PictureSize();
    return {static_cast<int>((ox - at.x) * pw / at.w), static_cast<int>((oy - at.y) * ph / at.h)};
}

// SDL's desktop fullscreen asks the window manager to cover the screen.
// Without one (a bare X session, a kiosk) nobody does: the window keeps its
// 640 x 400 place while SDL renders for the whole screen, and the player sees
// black or a corner of the picture. So the window is first moved and sized to
// the display's bounds as a plain window, which X obeys with or without a
// manager, and only then switched. Leaving, the window the player had before
// comes back (its size, place and maximised state), or, when the game
// started fullscreen, the picture's size in the middle of the screen; never
// the display's bounds, which would be a fullscreen picture in a frame.
void SwitchWindowMode(Uint32 fullscreenFlags) {
    if (PageHandlesFullscreen()) {
        SetPageFullscreen((fullscreenFlags & FullscreenFlags) != 0);
        RequestPresent();
        return;
    }
    if ((fullscreenFlags & FullscreenFlags) != 0) {
        SDL_Rect bounds;
        if (SDL_GetDisplayBounds(SDL_GetWindowDisplayIndex(window), &bounds) == 0) {
            if ((SDL_GetWindowFlags(window) & FullscreenFlags) != 0) {
                SDL_SetWindowFullscreen(window, 0);
            } else {
                RememberWindowedPlace();
            }
            SDL_SetWindowPosition(window, bounds.x, bounds.y);
            SDL_SetWindowSize(window, bounds.w, bounds.h);
        }
        SDL_SetWindowFullscreen(window, fullscreenFlags);
    } else {
        SDL_SetWindowFullscreen(window, 0);
        if (windowedPlace.w > 0) {
            SDL_SetWindowSize(window, windowedPlace.w, windowedPlace.h);
            SDL_SetWindowPosition(window, windowedPlace.x, windowedPlace.y);
            if (windowedMaximized) {
                SDL_MaximizeWindow(window);
            }
        } else {
            const auto [pw, ph] = PictureSize();
            SDL_SetWindowSize(window, pw, ph);
            SDL_SetWindowPosition(window, SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED);
        }
    }
    RequestPresent();
}

bool WindowIsFullscreen() {
    return PageHandlesFullscreen() ? PageIsFullscreen()
                                   : (SDL_GetWindowFlags(window) & FullscreenFlags) != 0;
}

bool GameLostAtEnd() {
    return gameLostAtEnd;
}

void RequestPresent() {
    presentDue = true;
}

// An idle game draws the same picture frame after frame; uploading and
// presenting it again would cost as much as the whole game. So a picture
// equal to the one last presented is skipped, unless the window lost its
// contents or its shape since (see WatchWindow).
void PresentScreen() {
    ++presentCalls;
    const size_t bytes = static_cast<size_t>(screen->pitch) * static_cast<size_t>(screen->h);
    const auto* pixels = static_cast<const unsigned char*>(screen->pixels);
    if (!presentDue.exchange(false) && lastPresented.size() == bytes &&
        std::memcmp(lastPresented.data(), pixels, bytes) == 0) {
        return;
    }
    lastPresented.assign(pixels, pixels + bytes);
    SDL_UpdateTexture(texture, nullptr, screen->pixels, screen->pitch);
    SDL_SetRenderDrawColor(renderer, 0, 0, 0, 255);
    SDL_RenderClear(renderer);
    int ow = 0;
    int oh = 0;
    SDL_GetRendererOutputSize(renderer, &ow, &oh);
    const SDL_Rect at = PicturePlacement(ow, oh);
    SDL_RenderCopy(renderer, texture, nullptr, &at);
    SDL_RenderPresent(renderer);
}

bool InitGame(int width, int height, bool accelerated) {
    if (!LoadGameSettings()) {
        SetDefaultGameSettings();
    }
    // SDL would turn SIGTERM and SIGINT into close requests, which end a game
    // without saving and which the main menu ignores; the game's own handlers
    // (CatchEndSignals) save and end instead.
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    if (SDL_Init(SDL_INIT_TIMER | SDL_INIT_AUDIO | SDL_INIT_VIDEO) == -1 || !HasAScreen()) {
        return Fail(std::cerr, "Couldn't initialize SDL: ");
    }
    InitGamepads();
    // A page cannot start full screen (browsers allow it only just after a
    // key or a click), so there the setting starts as what the player sees.
    if (PageHandlesFullscreen()) {
        fullscreen = false;
    }
    // The player may size the window; the picture keeps its shape in it as
    // it does on a fullscreen screen, and never shrinks below its own size,
    // where its pixels would no longer all show.
    // (A page sizes its canvas itself.)
    flags = PageHandlesFullscreen() ? 0 : SDL_WINDOW_RESIZABLE;
    windowedPlace = {0, 0, 0, 0};
    if (fullscreen) {
        flags |= FullscreenFlags;
    }
    const std::string title = "Velvet Lockout (V.L.O.) v" + GAMEVERSION;
    window = SDL_CreateWindow(title.c_str(), SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED, width,
                              height, flags);
    if (window == nullptr) {
        return Fail(std::cerr, "Couldn't set video mode: ");
    }
    SDL_SetWindowMinimumSize(window, width, height);
    if (CapturesMouseAtStart()) {
        SDL_SetRelativeMouseMode(SDL_TRUE);
    }
    const Uint32 rendererFlags = accelerated ? SDL_RENDERER_ACCELERATED : SDL_RENDERER_SOFTWARE;
    renderer = SDL_CreateRenderer(window, -1, rendererFlags);
    if (renderer == nullptr) {
        return Fail(std::cerr, "Couldn't create renderer: ");
    }
    // After the renderer: an OpenGL renderer makes SDL create the X window
    // afresh, which would forget the placement.
    if ((flags & FullscreenFlags) != 0) {
        SwitchWindowMode(flags);
    }
    SDL_ShowCursor(0);
    SDL_DelEventWatch(WatchWindow, nullptr); // a second start-up in one process
    SDL_AddEventWatch(WatchWindow, nullptr);
    lastPresented.clear();
    presentDue = true;
    if (SDL_GetRendererInfo(renderer, &rendererInfo) < 0) {
        return Fail(std::cerr, "Unable to get renderer information: ");
    }
    // Nothing reads the mode: the query is the start-up check that the
    // window's display answers at all.
    SDL_DisplayMode displayMode;
    if (SDL_GetCurrentDisplayMode(SDL_GetWindowDisplayIndex(window), &displayMode) < 0) {
        return Fail(std::cerr, "Unable to get current display mode information: ");
    }
    if (!LoadMusicPatterns()) {
        return false;
    }
    screen = CreateRGBSurface(width, height);
    tempSurface = CreateRGBSurface(width, height);
    if (screen == nullptr || tempSurface == nullptr) {
        return Fail(std::cerr, "Couldn't create screen surfaces: ");
    }
    texture = SDL_CreateTexture(renderer, rendererInfo.texture_formats[0],
                                SDL_TEXTUREACCESS_STREAMING, width, height);
    if (texture == nullptr) {
        return Fail(std::cerr, "Couldn't create texture: ");
    }
    // Sharp pixels at every factor, whatever a hint in the environment says.
    SDL_SetTextureScaleMode(texture, SDL_ScaleModeNearest);
    panel = CreateRGBSurface(width, 80);
    if (panel == nullptr) {
        return Fail(std::cout, "Couldn't create new surface for HUD: ");
    }
    mapPanel = CreateRGBSurface(640, 320);
    if (mapPanel == nullptr) {
        return Fail(std::cout, "Couldn't create new surface for map: ");
    }
    inventoryPanel = CreateRGBSurface(456, 40);
    if (inventoryPanel == nullptr) {
        return Fail(std::cout, "Couldn't create new surface for inventory: ");
    }
    int mx = 0;
    int my = 0;
    SDL_GetMouseState(&mx, &my);
    mousePos = WindowToPicture(mx, my);
    font = new KRFont();
    if (!font->Init("gfx/font.bmp", rendererInfo.texture_formats[0])) {
        return false;
    }
    message = new KRMessage();
    return message->Init(panel);
}

void RunFrame() {
    for (auto& binding : keyboard) {
        binding.second.pending = false;
    }
    const bool input = PollGameEvents();
    if (EndRequested()) {
        playerAction = QuitWithSave; // the program is ending: keep the game as Escape does
    }
    UpdateMusic();
    if (playerAction == QuitWithSave) {
        SaveAndLeave();
        return;
    }
    HandleKeys();
    if (playerAction == GameWon) {
        gameOver = true;
        return;
    }
    if (gameState == GameStatePlaying && playerAction != NoTurn) {
        EnemiesTakeTurns();
    }
    // A game left alone would draw the very same picture every frame, and
    // that drawing is nearly all an idle game costs. Without input or a turn,
    // and with nothing drawn over the last frame drawn, there is nothing new.
    const bool draw =
        input || playerAction != NoTurn || presentDue || presentCalls != presentCallsAtDraw;
    if (draw) {
        UpdateView();
        Render();
        presentCallsAtDraw = presentCalls;
    }
    CheckLevelUp(); // its dialog restarts the frame clock
    // A pad is read by polling (a browser has no events for its buttons) and
    // a held direction repeats on the frame clock: neither wakes a sleep.
    if (!draw && SleepsThroughIdleFrames() && !GamepadOpen()) {
        SleepThroughIdleFrames(MusicFramesToSpare());
    }
    EndFrame();
    playerMovedOrAttacked = false;
}

void RunGame() {
    presentCallsAtDraw = NotDrawn;
    RestartFrameClock();
    while (!gameOver) {
        RunFrame();
    }
    gameState = GameStateNoGame;
}

void QuitGame() {
    DestroyEntities();
    option.clear();
    inventoryMessages.clear();
    funcVec.clear();
    useFuncVec.clear();
    delete font;
    font = nullptr;
    delete message;
    message = nullptr;
    delete theMap;
    theMap = nullptr;
    FreeSurface(mapPanel);
    FreeSurface(inventoryPanel);
    FreeSurface(panel);
    FreeSurface(tempSurface);
    FreeSurface(screen);
    if (texture != nullptr) {
        SDL_DestroyTexture(texture);
        texture = nullptr;
    }
    FadeOutMusic();
    SaveGameSettings();
    FreeMusicPatterns();
    CloseMusicAudio();
    if (renderer != nullptr) {
        SDL_DestroyRenderer(renderer);
        renderer = nullptr;
    }
    if (window != nullptr) {
        SDL_DestroyWindow(window);
        window = nullptr;
    }
    SDL_DelEventWatch(WatchWindow, nullptr);
    CloseGamepads();
    lastPresented.clear();
    lastPresented.shrink_to_fit();
    SDL_Quit();
}
