// Process lifetime: start-up, the per-frame loop of a running game, and the
// orderly shutdown. Owns the SDL objects and the presentation surfaces.
#include "shell.h"

#include <iostream>

#include "basicenemy.h"
#include "commands.h"
#include "entity.h"
#include "floors.h"
#include "font.h"
#include "game.h"
#include "levelup.h"
#include "map.h"
#include "message.h"
#include "modal.h"
#include "music.h"
#include "render.h"
#include "savegame.h"
#include "settings.h"

namespace {

constexpr Uint32 FullscreenFlags = SDL_WINDOW_FULLSCREEN_DESKTOP;

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

// Drains the queue for one frame of a running game.
void PollGameEvents() {
    while (SDL_PollEvent(&event)) {
        switch (event.type) {
        case SDL_QUIT:
            gameOver = true;
            break;
        case SDL_KEYDOWN:
            if (event.key.repeat != 0) {
                break; // a held key acts once
            }
            if (event.key.keysym.scancode == SDL_SCANCODE_ESCAPE) {
                playerAction = 2;
            } else if (event.key.keysym.scancode == SDL_SCANCODE_F2) {
                SDL_SetRelativeMouseMode(SDL_GetRelativeMouseMode() ? SDL_FALSE : SDL_TRUE);
            } else {
                MarkKeyPending(event.key.keysym.scancode);
            }
            break;
        case SDL_MOUSEMOTION:
            mousePos = WindowToPicture(event.motion.x, event.motion.y);
            break;
        case SDL_MOUSEBUTTONDOWN:
            mousePos = WindowToPicture(event.button.x, event.button.y);
            break;
        default:
            break;
        }
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

} // namespace

void Delay(Uint32 until) {
    const Uint32 now = SDL_GetTicks();
    SDL_Delay(now < until ? until - now : 0);
}

SDL_Point WindowToPicture(int x, int y) {
    int w = 0;
    int h = 0;
    if (window != nullptr) {
        SDL_GetWindowSize(window, &w, &h);
    }
    const int pw = screen != nullptr ? screen->w : 640;
    const int ph = screen != nullptr ? screen->h : 400;
    // The renderer stretches the picture over the whole window, so a
    // fullscreen pointer position has to be scaled back to picture pixels.
    if (w <= 0 || h <= 0 || (w == pw && h == ph)) {
        return {x, y};
    }
    return {static_cast<int>(static_cast<long long>(x) * pw / w),
            static_cast<int>(static_cast<long long>(y) * ph / h)};
}

void PresentScreen() {
    SDL_UpdateTexture(texture, nullptr, screen->pixels, screen->pitch);
    SDL_RenderClear(renderer);
    SDL_RenderCopy(renderer, texture, nullptr, nullptr);
    SDL_RenderPresent(renderer);
}

bool InitGame(int width, int height, bool accelerated) {
    if (!LoadGameSettings()) {
        SetDefaultGameSettings();
    }
    if (SDL_Init(SDL_INIT_TIMER | SDL_INIT_AUDIO | SDL_INIT_VIDEO) == -1) {
        return Fail(std::cerr, "Couldn't initialize SDL: ");
    }
    flags = 0;
    if (fullscreen) {
        flags |= FullscreenFlags;
    }
    const std::string title = "Velvet Lockout (V.L.O.) v" + GAMEVERSION;
    window = SDL_CreateWindow(title.c_str(), SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED, width,
                              height, flags);
    if (window == nullptr) {
        return Fail(std::cerr, "Couldn't set video mode: ");
    }
    SDL_SetRelativeMouseMode(SDL_TRUE);
    flags = 1 + (accelerated ? 1 : 0);
    renderer = SDL_CreateRenderer(window, -1, flags);
    if (renderer == nullptr) {
        return Fail(std::cerr, "Couldn't create renderer: ");
    }
    SDL_ShowCursor(0);
    if (SDL_GetRendererInfo(renderer, &rendererInfo) < 0) {
        return Fail(std::cerr, "Unable to get renderer information: ");
    }
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
    PollGameEvents();
    UpdateMusic();
    if (playerAction == 2) {
        gameOver = true;
        SaveGame();
        return;
    }
    HandleKeys();
    if (playerAction == 3) {
        gameOver = true;
        return;
    }
    if (gameState == 0 && playerAction != 1) {
        EnemiesTakeTurns();
    }
    Render();
    if (CheckLevelUp()) {
        RestartFrameClock();
    }
    Delay(nextTime);
    nextTime += FrameMs;
    playerMovedOrAttacked = false;
}

void RunGame() {
    nextTime = SDL_GetTicks() + FrameMs;
    while (!gameOver) {
        RunFrame();
    }
    gameState = 2;
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
    Mix_CloseAudio();
    if (renderer != nullptr) {
        SDL_DestroyRenderer(renderer);
        renderer = nullptr;
    }
    if (window != nullptr) {
        SDL_DestroyWindow(window);
        window = nullptr;
    }
    SDL_Quit();
}
