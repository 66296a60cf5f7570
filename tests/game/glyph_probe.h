// Reading the game's pictures back: does an 8 x 8 cell at a pixel position
// show a given glyph of the loaded font in a given colour? Uses the font's
// ink masks, so it works with the real sheet whatever its artwork.
#pragma once

#include <SDL.h>

#include <optional>
#include <string>

#include "font.h"
#include "game.h"

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

namespace detail {

inline bool CellMatches(SDL_Surface* s, int x, int y, Uint64 mask, Uint32 fg, bool checkBg,
                        Uint32 bg) {
    if (x < 0 || y < 0 || x + 8 > s->w || y + 8 > s->h) {
        return false;
    }
    for (int row = 0; row < 8; ++row) {
        for (int col = 0; col < 8; ++col) {
            const bool ink = ((mask >> (8 * row + col)) & 1u) != 0;
            const Uint32 p = PixelAt(s, x + col, y + row);
            if (ink ? p != fg : (checkBg && p != bg)) {
                return false;
            }
        }
    }
    return true;
}

} // namespace detail

// The cell at pixel (x, y) shows `code` in `fg`: every ink pixel of the glyph
// is `fg` and, when `bg` is given, every other pixel is `bg`.
inline bool GlyphAt(SDL_Surface* s, int x, int y, unsigned char code, KRColors fg,
                    std::optional<KRColors> bg = Black) {
    return detail::CellMatches(s, x, y, font->inkMasks[code], ColorValue(s, fg), bg.has_value(),
                               bg ? ColorValue(s, *bg) : 0);
}

// `text` drawn from pixel (x, y), one glyph every 8 pixels.
inline bool TextAt(SDL_Surface* s, int x, int y, const std::string& text, KRColors fg,
                   std::optional<KRColors> bg = Black) {
    const Uint32 f = ColorValue(s, fg);
    const Uint32 b = bg ? ColorValue(s, *bg) : 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto code = static_cast<unsigned char>(text[i]);
        if (!detail::CellMatches(s, x + 8 * static_cast<int>(i), y, font->inkMasks[code], f,
                                 bg.has_value(), b)) {
            return false;
        }
    }
    return true;
}

// The first position (top to bottom, left to right) where `text` is drawn;
// the text should start with a glyph that has ink.
inline std::optional<SDL_Point> FindText(SDL_Surface* s, const std::string& text, KRColors fg,
                                         std::optional<KRColors> bg = Black) {
    const int width = 8 * static_cast<int>(text.size());
    if (text.empty()) {
        return std::nullopt;
    }
    // The first ink pixel of the first glyph rules out most positions at once.
    const Uint64 first = font->inkMasks[static_cast<unsigned char>(text[0])];
    int bit = 0;
    while (bit < 64 && ((first >> bit) & 1u) == 0) {
        ++bit;
    }
    const int dx = bit % 8;
    const int dy = bit / 8;
    const Uint32 f = ColorValue(s, fg);
    for (int y = 0; y + 8 <= s->h; ++y) {
        for (int x = 0; x + width <= s->w; ++x) {
            if (bit < 64 && PixelAt(s, x + dx, y + dy) != f) {
                continue;
            }
            if (TextAt(s, x, y, text, fg, bg)) {
                return SDL_Point{x, y};
            }
        }
    }
    return std::nullopt;
}

// The code of a glyph that is drawn exactly (ink `fg`, the rest `bg`) in the
// cell, or -1. Codes with identical artwork give the lowest of them.
inline int GlyphCode(SDL_Surface* s, int x, int y, KRColors fg, KRColors bg) {
    for (int c = 0; c < 256; ++c) {
        if (GlyphAt(s, x, y, static_cast<unsigned char>(c), fg, bg)) {
            return c;
        }
    }
    return -1;
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
