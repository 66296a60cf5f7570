// A glyph sheet made for tests: each glyph's pixels encode its own code, so a
// drawn cell decodes back to the code and the colour it was drawn in. Inks of
// several colours (white, grey, red and the near-background 128, 0, 129) make
// sure colouring ignores the colour in the file.
#pragma once

#include <SDL.h>

#include <string>

#include "font.h"
#include "glyph_probe.h"
#include "scratch.h"

namespace vlotest {

// Glyph c: row 0 has white ink in column i for every set bit i of c, row 1
// grey ink for every clear bit; row 2 has ink in columns 0-2 coloured
// (128, 0, 129), red and (127, 0, 128); everything else is the background
// (128, 0, 128).
inline bool WriteCodedSheet(const std::string& path) {
    SDL_Surface* s = SDL_CreateRGBSurfaceWithFormat(0, 128, 128, 24, SDL_PIXELFORMAT_RGB24);
    if (s == nullptr) {
        return false;
    }
    auto put = [s](int x, int y, Uint8 r, Uint8 g, Uint8 b) {
        KRFont::SetPixel(s, x, y, SDL_MapRGB(s->format, r, g, b));
    };
    for (int y = 0; y < 128; ++y) {
        for (int x = 0; x < 128; ++x) {
            put(x, y, 128, 0, 128);
        }
    }
    for (int c = 0; c < 256; ++c) {
        const int gx = 8 * (c % 16);
        const int gy = 8 * (c / 16);
        for (int bit = 0; bit < 8; ++bit) {
            if ((c >> bit) & 1) {
                put(gx + bit, gy, 255, 255, 255);
            } else {
                put(gx + bit, gy + 1, 128, 128, 128);
            }
        }
        put(gx + 0, gy + 2, 128, 0, 129);
        put(gx + 1, gy + 2, 255, 0, 0);
        put(gx + 2, gy + 2, 127, 0, 128);
    }
    const bool ok = SDL_SaveBMP(s, path.c_str()) == 0;
    SDL_FreeSurface(s);
    return ok;
}

struct DecodedCell {
    int code = -1;      // the glyph's code; -1 when the cell holds no clean coded glyph
    Uint32 ink = 0;     // the pixel value of its ink
    bool blank = false; // nothing but background
};

// Decodes the 8 x 8 cell at pixel (x, y), every non-`bg` pixel counting as ink.
inline DecodedCell DecodeCell(SDL_Surface* s, int x, int y, Uint32 bg) {
    DecodedCell out;
    if (x < 0 || y < 0 || x + 8 > s->w || y + 8 > s->h) {
        return out;
    }
    bool any = false;
    bool oneInk = true;
    Uint32 ink = 0;
    Uint64 mask = 0;
    for (int row = 0; row < 8; ++row) {
        for (int col = 0; col < 8; ++col) {
            const Uint32 p = KRFont::GetPixel(s, x + col, y + row);
            if (p == bg) {
                continue;
            }
            mask |= Uint64{1} << (8 * row + col);
            if (any && p != ink) {
                oneInk = false;
            }
            ink = p;
            any = true;
        }
    }
    if (!any) {
        out.blank = true;
        return out;
    }
    const unsigned row0 = static_cast<unsigned>(mask & 0xFF);
    const unsigned row1 = static_cast<unsigned>((mask >> 8) & 0xFF);
    const Uint64 rest = mask >> 16;
    if (!oneInk || (row0 ^ row1) != 0xFF || rest != 0x7) {
        return out;
    }
    out.code = static_cast<int>(row0);
    out.ink = ink;
    return out;
}

// A scratch folder with the coded sheet written into it and loaded.
class CodedFontEnv : public ScratchEnv {
protected:
    KRFont sheetFont;

    void SetUp() override {
        ScratchEnv::SetUp();
        ASSERT_TRUE(WriteCodedSheet("coded.bmp")) << SDL_GetError();
        ASSERT_TRUE(sheetFont.Init("coded.bmp", SDL_PIXELFORMAT_ARGB8888));
    }
};

} // namespace vlotest
