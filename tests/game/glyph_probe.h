// Reading the game's surfaces back with the loaded font's ink masks, so it
// works with the real sheet whatever its artwork.
#pragma once

#include <SDL.h>

#include <algorithm>
#include <array>
#include <optional>
#include <string>

#include "font.h"
#include "game.h"
#include "glyph_reader.h"

namespace vlotest {

inline Uint32 ColorValue(const SDL_Surface* s, KRColors c) {
    return SDL_MapRGB(s->format, EGAColors[c].r, EGAColors[c].g, EGAColors[c].b);
}

inline Uint32 PixelAt(SDL_Surface* s, int x, int y) {
    return KRFont::GetPixel(s, x, y);
}

inline void FillSurface(SDL_Surface* s, KRColors c) {
    SDL_FillRect(s, nullptr, ColorValue(s, c));
}

inline std::array<Uint32, 16> PaletteOf(const SDL_Surface* s) {
    std::array<Uint32, 16> palette{};
    for (int k = 0; k < 16; ++k) {
        palette[k] = ColorValue(s, static_cast<KRColors>(k));
    }
    return palette;
}

// The palette index of a pixel value, or -1 for any other colour.
inline int PaletteIndex(const std::array<Uint32, 16>& palette, Uint32 value) {
    const auto* at = std::find(palette.begin(), palette.end(), value);
    return at == palette.end() ? -1 : static_cast<int>(at - palette.begin());
}

inline int PaletteIndex(const SDL_Surface* s, Uint32 value) {
    return PaletteIndex(PaletteOf(s), value);
}

// The surface read through the loaded font's ink masks.
inline auto ReaderOf(SDL_Surface* s) {
    auto colourAt = [s, palette = PaletteOf(s)](int x, int y) {
        return PaletteIndex(palette, PixelAt(s, x, y));
    };
    return MakeGlyphReader(s->w, s->h, colourAt, [](int code) { return font->inkMasks[code]; });
}

// The cell at pixel (x, y) shows `code` in `fg`: every ink pixel of the glyph
// is `fg` and every other pixel `bg` or, without `bg`, not `fg`.
inline bool GlyphAt(SDL_Surface* s, int x, int y, unsigned char code, KRColors fg,
                    std::optional<KRColors> bg = Black) {
    return ReaderOf(s).Shows(x, y, font->inkMasks[code], fg, bg ? int(*bg) : -1);
}

// `text` drawn from pixel (x, y), one glyph every 8 pixels.
inline bool TextAt(SDL_Surface* s, int x, int y, const std::string& text, KRColors fg,
                   std::optional<KRColors> bg = Black) {
    return ReaderOf(s).TextAt(x, y, text, fg, bg ? int(*bg) : -1);
}

// The first position (top to bottom, left to right) where `text` is drawn.
inline std::optional<SDL_Point> FindText(SDL_Surface* s, const std::string& text, KRColors fg,
                                         std::optional<KRColors> bg = Black) {
    const auto at = ReaderOf(s).Find(text, fg, bg ? int(*bg) : -1);
    return at ? std::optional<SDL_Point>(SDL_Point{at->x, at->y}) : std::nullopt;
}

// Every pixel of the rectangle has colour `c`.
inline bool AreaIs(SDL_Surface* s, int x, int y, int w, int h, KRColors c) {
    const Uint32 v = ColorValue(s, c);
    for (int py = y; py < y + h; ++py) {
        for (int px = x; px < x + w; ++px) {
            if (PixelAt(s, px, py) != v) {
                return false;
            }
        }
    }
    return true;
}

} // namespace vlotest
