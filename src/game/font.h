// The 8 x 8 bitmap font: sixteen pre-coloured copies of gfx/font.bmp.
#pragma once

#include <SDL.h>

#include <string>

#include "colors.h"

extern const SDL_Color EGAColors[16];

class KRFont {
public:
    SDL_Rect glyphRects[256];
    SDL_Rect destRect;
    SDL_Surface* colorSurfaces[16];
    SDL_Color colors[16];
    // Drawing fast path: which of a glyph's 64 pixels are ink (bit 8*row+col)
    // and each colour's ink value, so a glyph onto a 32-bit surface of the
    // sheets' format is a handful of stores instead of a keyed blit.
    Uint64 inkMasks[256];
    Uint32 inkPixels[16];
    Uint32 pixelFormat;

    KRFont();
    ~KRFont();
    KRFont(const KRFont&) = delete;
    KRFont& operator=(const KRFont&) = delete;

    // Makes one copy of the sheet per colour and paints every non-background
    // pixel (background is exactly RGB 128, 0, 128) in that colour. False,
    // after printing why, when the file is not a regular BMP file of at most
    // 1 MiB or the sheet is not exactly 128 x 128 pixels.
    bool Init(const std::string& path, Uint32 pixelFormat);
    void DrawChar(SDL_Surface* dst, unsigned char code, int x, int y, KRColors color);
    // Fixed-width field of `width` cells, zero-padded on the left, or the last
    // `width` characters when the text is longer.
    void DrawNumber(SDL_Surface* dst, const std::string& text, int x, int y, int width,
                    KRColors color);
    // '\n' moves 16 pixels down, '\t' 40 right; "^C<n>^" colours the next
    // glyph, "^C<n>|" the rest of the text. Throws std::invalid_argument on a
    // markup without digits.
    void DrawString(SDL_Surface* dst, const std::string& text, int x, int y, KRColors color);

    void BuildInkMasks(SDL_Surface* sheet, Uint32 key);

    static void SetPixel(SDL_Surface* surface, int x, int y, Uint32 pixel);
    static Uint32 GetPixel(SDL_Surface* surface, int x, int y);
};
