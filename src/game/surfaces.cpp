// The shell's off-screen surfaces: made in the renderer's format, cleared,
// and the snapshot a dialog restores behind itself on every redraw.
#include "surfaces.h"

#include <iostream>

#include "game.h"

void ClearSurface(SDL_Surface* s) {
    SDL_FillRect(s, nullptr, SDL_MapRGB(s->format, 0, 0, 0));
}

SDL_Surface* CreateRGBSurface(int w, int h) {
    const Uint32 format = rendererInfo.texture_formats[0];
    const int bits = static_cast<int>((format >> 8) & 0xFF);
    SDL_Surface* s = SDL_CreateRGBSurfaceWithFormat(0, w, h, bits, format);
    if (s == nullptr) {
        std::cout << "CreateRGBSurface failed: " << SDL_GetError() << std::endl;
        return nullptr;
    }
    // Every pixel the game draws is opaque, so blitting one of these surfaces
    // is a plain copy. Left at SDL's default for a format with alpha, each
    // blit would blend pixel by pixel to the same result; in the browser,
    // without SIMD blitters, that was a fifth of an idle frame's cost.
    SDL_SetSurfaceBlendMode(s, SDL_BLENDMODE_NONE);
    return s;
}

void CopyOfSurface() {
    ClearSurface(tempSurface);
    const bool lockScreen = SDL_MUSTLOCK(screen);
    const bool lockTemp = SDL_MUSTLOCK(tempSurface);
    if (lockScreen) {
        SDL_LockSurface(screen);
    }
    if (lockTemp) {
        SDL_LockSurface(tempSurface);
    }
    // Both surfaces share the renderer's 32-bit format and size; copy pixel
    // by pixel through RGB so a format difference would still be right.
    const auto* src = static_cast<const Uint32*>(screen->pixels);
    auto* dst = static_cast<Uint32*>(tempSurface->pixels);
    const int count = (screen->pitch / 4) * screen->h;
    const int room = (tempSurface->pitch / 4) * tempSurface->h;
    for (int i = 0; i < count && i < room; ++i) {
        Uint8 r, g, b;
        SDL_GetRGB(src[i], screen->format, &r, &g, &b);
        dst[i] = SDL_MapRGB(tempSurface->format, r, g, b);
    }
    if (lockTemp) {
        SDL_UnlockSurface(tempSurface);
    }
    if (lockScreen) {
        SDL_UnlockSurface(screen);
    }
}

void RenderCopyOfSurface() {
    SDL_UpperBlit(tempSurface, nullptr, screen, nullptr);
}
