// The bitmap font: sixteen pre-coloured copies of the glyph sheet, and the
// drawing of glyphs, numbers and marked-up strings. Onto an unlocked 32-bit
// surface of the sheets' format (the renderer's, like the game's surfaces) a
// glyph is written pixel by pixel from its ink mask; onto any other surface
// it is a colour-keyed blit.
#include "font.h"

#include <iostream>
#include <memory>

#include "game.h"
#include "korJSON/korJSON.h"

// clang-format off
const SDL_Color EGAColors[16] = {
    {  0,   0,   0, 0}, {  0,   0, 170, 0}, {  0, 170,   0, 0}, {  0, 170, 170, 0},
    {170,   0,   0, 0}, {170,   0, 170, 0}, {170,  85,   0, 0}, {170, 170, 170, 0},
    { 85,  85,  85, 0}, { 85,  85, 255, 0}, { 85, 255,  85, 0}, { 85, 255, 255, 0},
    {255,  85,  85, 0}, {255,  85, 255, 0}, {255, 255,  85, 0}, {255, 255, 255, 0},
};
// clang-format on

namespace {

// The glyph rectangles and the ink masks address a sheet of exactly this
// size; a 128 x 128 BMP takes at most 64 KiB and a header.
constexpr int SheetSide = 128;
constexpr std::size_t MaxSheetBytes = 1024 * 1024;

using SurfaceHandle = std::unique_ptr<SDL_Surface, decltype(&SDL_FreeSurface)>;

// The sheet decoded from the file, or null with SDL's error saying why. The
// file is read whole first, so a pipe or a device in its place is refused
// instead of waited on.
SurfaceHandle LoadSheet(const std::string& path) {
    std::string bytes;
    std::string reason;
    if (!korJSON::ReadRegularFile(path, bytes, MaxSheetBytes, reason)) {
        SDL_SetError("%s: %s", path.c_str(), reason.c_str());
        return SurfaceHandle(nullptr, SDL_FreeSurface);
    }
    return SurfaceHandle(
        SDL_LoadBMP_RW(SDL_RWFromConstMem(bytes.data(), static_cast<int>(bytes.size())), 1),
        SDL_FreeSurface);
}

// Colour numbers outside the palette (only possible through markup in a
// text) are clamped so they still name a sheet.
KRColors ClampColor(int value) {
    if (value < 0) {
        return Black;
    }
    if (value > 15) {
        return White;
    }
    return static_cast<KRColors>(value);
}

} // namespace

KRFont::KRFont()
    : glyphRects{}, destRect{0, 0, 8, 8}, colorSurfaces{}, colors{}, inkMasks{}, inkPixels{},
      pixelFormat(SDL_PIXELFORMAT_UNKNOWN) {}

KRFont::~KRFont() {
    for (SDL_Surface*& s : colorSurfaces) {
        SDL_FreeSurface(s);
        s = nullptr;
    }
}

bool KRFont::Init(const std::string& path, Uint32 sheetFormat) {
    destRect = {0, 0, 8, 8};
    for (int k = 0; k < 16; ++k) {
        colors[k] = EGAColors[k];
    }
    for (int c = 0; c < 256; ++c) {
        glyphRects[c] = {8 * (c % 16), 8 * (c / 16), 8, 8};
    }
    const SurfaceHandle loaded = LoadSheet(path);
    if (loaded == nullptr) {
        std::cout << "Couldn't load font image: " << SDL_GetError() << std::endl;
        return false;
    }
    if (loaded->w != SheetSide || loaded->h != SheetSide) {
        std::cerr << "Couldn't load font image: " << path << " is " << loaded->w << " x "
                  << loaded->h << " pixels, not " << SheetSide << " x " << SheetSide << std::endl;
        return false;
    }
    for (int k = 0; k < 16; ++k) {
        SDL_Surface* sheet = SDL_ConvertSurfaceFormat(loaded.get(), sheetFormat, 0);
        if (sheet == nullptr) {
            std::cout << "Couldn't load font image: " << SDL_GetError() << std::endl;
            return false;
        }
        SDL_FreeSurface(colorSurfaces[k]);
        colorSurfaces[k] = sheet;

        const Uint32 key = SDL_MapRGB(sheet->format, 128, 0, 128);
        const Uint32 ink = SDL_MapRGB(sheet->format, colors[k].r, colors[k].g, colors[k].b);
        const bool mustLock = SDL_MUSTLOCK(sheet);
        if (mustLock && SDL_LockSurface(sheet) != 0) {
            SDL_LockSurface(sheet);
        }
        for (int y = 0; y < sheet->h; ++y) {
            for (int x = 0; x < sheet->w; ++x) {
                if (GetPixel(sheet, x, y) != key) {
                    SetPixel(sheet, x, y, ink);
                }
            }
        }
        if (mustLock) {
            SDL_UnlockSurface(sheet);
        }
        if (k == 0) {
            BuildInkMasks(sheet, key);
        }
        inkPixels[k] = ink;
        SDL_SetColorKey(sheet, SDL_TRUE, key);
        // Run-length encoding makes keyed glyph blits about twice as fast.
        SDL_SetSurfaceRLE(sheet, 1);
    }
    pixelFormat = sheetFormat;
    return true;
}

void KRFont::BuildInkMasks(SDL_Surface* sheet, Uint32 key) {
    for (int c = 0; c < 256; ++c) {
        Uint64 mask = 0;
        for (int row = 0; row < 8; ++row) {
            for (int col = 0; col < 8; ++col) {
                if (GetPixel(sheet, glyphRects[c].x + col, glyphRects[c].y + row) != key) {
                    mask |= Uint64{1} << (8 * row + col);
                }
            }
        }
        inkMasks[c] = mask;
    }
}

void KRFont::DrawChar(SDL_Surface* dst, unsigned char code, int x, int y, KRColors color) {
    destRect = {x, y, 8, 8};
    const KRColors k = ClampColor(color);
    if (dst->format->format != pixelFormat || dst->format->BytesPerPixel != 4 ||
        SDL_MUSTLOCK(dst)) {
        SDL_BlitSurface(colorSurfaces[k], &glyphRects[code], dst, &destRect);
        return;
    }
    // Same result as the keyed blit, clipped to the destination's clip rect.
    const SDL_Rect& clip = dst->clip_rect;
    const Uint64 mask = inkMasks[code];
    const Uint32 ink = inkPixels[k];
    for (int row = 0; row < 8; ++row) {
        const int py = y + row;
        const unsigned bits = static_cast<unsigned>((mask >> (8 * row)) & 0xFF);
        if (bits == 0 || py < clip.y || py >= clip.y + clip.h) {
            continue;
        }
        auto* line = reinterpret_cast<Uint32*>(static_cast<Uint8*>(dst->pixels) + py * dst->pitch);
        for (int col = 0; col < 8; ++col) {
            const int px = x + col;
            if ((bits >> col) & 1u && px >= clip.x && px < clip.x + clip.w) {
                line[px] = ink;
            }
        }
    }
}

void KRFont::DrawNumber(SDL_Surface* dst, const std::string& text, int x, int y, int width,
                        KRColors color) {
    const int n = static_cast<int>(text.size());
    int pen = x;
    if (width > n) {
        for (int i = 0; i < width - n; ++i, pen += 8) {
            DrawChar(dst, '0', pen, y, color);
        }
        for (char c : text) {
            DrawChar(dst, static_cast<unsigned char>(c), pen, y, color);
            pen += 8;
        }
    } else {
        for (int i = n - width; i < n; ++i, pen += 8) {
            DrawChar(dst, static_cast<unsigned char>(text[i]), pen, y, color);
        }
    }
}

void KRFont::DrawString(SDL_Surface* dst, const std::string& text, int x, int y, KRColors color) {
    int dx = 0;
    int dy = 0;
    KRColors current = color;
    const std::size_t n = text.size();
    for (std::size_t i = 0; i < n; ++i) {
        const char c = text[i];
        if (c == '\n') {
            dx = 0;
            dy += 16;
            continue;
        }
        if (c == '\t') {
            dx += 40;
            continue;
        }
        KRColors glyphColor = current;
        if (c == '^' && i + 1 < n && text[i + 1] == 'C') {
            std::size_t end = i + 2;
            while (end < n && text[end] != '^' && text[end] != '|') {
                ++end;
            }
            if (end >= n) {
                return; // markup cut off by the end of the text: nothing more to draw
            }
            const KRColors marked = ClampColor(std::stoi(text.substr(i + 2, end - (i + 2))));
            const bool sticky = text[end] == '|';
            i = end + 1;
            if (i >= n) {
                if (sticky) {
                    current = marked;
                }
                return;
            }
            if (sticky) {
                current = marked;
            }
            glyphColor = marked;
            // The marked glyph itself may be a line break or tab in theory; the
            // game's texts always follow markup with a drawable character.
        }
        DrawChar(dst, static_cast<unsigned char>(text[i]), x + dx, y + dy, glyphColor);
        dx += 8;
    }
}

void KRFont::SetPixel(SDL_Surface* surface, int x, int y, Uint32 pixel) {
    auto* row = static_cast<Uint8*>(surface->pixels) + y * surface->pitch;
    switch (surface->format->BytesPerPixel) {
    case 1: row[x] = static_cast<Uint8>(pixel); break;
    case 2: reinterpret_cast<Uint16*>(row)[x] = static_cast<Uint16>(pixel); break;
    case 3:
        row[3 * x] = static_cast<Uint8>(pixel & 0xFF);
        row[3 * x + 1] = static_cast<Uint8>((pixel >> 8) & 0xFF);
        row[3 * x + 2] = static_cast<Uint8>((pixel >> 16) & 0xFF);
        break;
    case 4: reinterpret_cast<Uint32*>(row)[x] = pixel; break;
    default: break;
    }
}

Uint32 KRFont::GetPixel(SDL_Surface* surface, int x, int y) {
    const auto* row = static_cast<const Uint8*>(surface->pixels) + y * surface->pitch;
    switch (surface->format->BytesPerPixel) {
    case 1: return row[x];
    case 2: return reinterpret_cast<const Uint16*>(row)[x];
    case 3: return row[3 * x] + row[3 * x + 1] * 256u + row[3 * x + 2] * 65536u;
    case 4: return reinterpret_cast<const Uint32*>(row)[x];
    default: return 0;
    }
}
