// The bitmap font on real surfaces, with a coded sheet whose glyphs decode
// back to their codes: colouring, both drawing paths, strings with markup,
// numbers, raw pixel access and the screen snapshot.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

#include "font.h"
#include "game.h"
#include "surfaces.h"
#include "synthetic_font.h"

namespace {

using vlotest::DecodeCell;

class FontTest : public vlotest::CodedFontEnv {
protected:
    std::vector<SDL_Surface*> canvases;

    void TearDown() override {
        for (SDL_Surface* s : canvases) {
            SDL_FreeSurface(s);
        }
        CodedFontEnv::TearDown();
    }

    // A canvas filled with a colour that is neither a palette colour nor the
    // sheet's background, so both stay distinguishable.
    SDL_Surface* Canvas(int w, int h, Uint32 format = SDL_PIXELFORMAT_ARGB8888) {
        SDL_Surface* s = SDL_CreateRGBSurfaceWithFormat(0, w, h, SDL_BITSPERPIXEL(format), format);
        EXPECT_NE(s, nullptr) << SDL_GetError();
        SDL_FillRect(s, nullptr, Sentinel(s));
        canvases.push_back(s);
        return s;
    }
    static Uint32 Sentinel(const SDL_Surface* s) { return SDL_MapRGB(s->format, 10, 20, 30); }
    static Uint32 Palette(const SDL_Surface* s, KRColors c) {
        return SDL_MapRGB(s->format, EGAColors[c].r, EGAColors[c].g, EGAColors[c].b);
    }

    // The glyph at (x, y) is `code` in colour `c`.
    static ::testing::AssertionResult Shows(SDL_Surface* s, int x, int y, unsigned char code,
                                            KRColors c) {
        const vlotest::DecodedCell cell = DecodeCell(s, x, y, Sentinel(s));
        if (cell.code == static_cast<int>(code) && cell.ink == Palette(s, c)) {
            return ::testing::AssertionSuccess();
        }
        return ::testing::AssertionFailure()
               << "at (" << x << ", " << y << ") expected code " << int(code) << " in colour "
               << int(c) << ", found code " << cell.code << (cell.blank ? " (blank)" : "")
               << " in colour " << vlotest::PaletteIndex(s, cell.ink);
    }
    static ::testing::AssertionResult Blank(SDL_Surface* s, int x, int y) {
        if (DecodeCell(s, x, y, Sentinel(s)).blank) {
            return ::testing::AssertionSuccess();
        }
        return ::testing::AssertionFailure() << "cell at (" << x << ", " << y << ") is not blank";
    }
    static bool Untouched(SDL_Surface* s) {
        for (int y = 0; y < s->h; ++y) {
            for (int x = 0; x < s->w; ++x) {
                if (KRFont::GetPixel(s, x, y) != Sentinel(s)) {
                    return false;
                }
            }
        }
        return true;
    }
};

// ---- colouring ---------------------------------------------------------------

TEST_F(FontTest, BackgroundIsTransparentAndEveryInkTakesTheRequestedColour) {
    for (int k = 0; k < 16; ++k) {
        SDL_Surface* dst = Canvas(8, 8);
        sheetFont.DrawChar(dst, 0xA5, 0, 0, static_cast<KRColors>(k));
        // DecodeCell demands every non-ink pixel untouched and every ink pixel
        // (white, grey, red and 128,0,129 in the file) in one colour.
        EXPECT_TRUE(Shows(dst, 0, 0, 0xA5, static_cast<KRColors>(k)));

        Uint32 key = 0;
        EXPECT_EQ(SDL_GetColorKey(sheetFont.colorSurfaces[k], &key), 0) << "colour " << k;
        EXPECT_EQ(key, SDL_MapRGB(sheetFont.colorSurfaces[k]->format, 128, 0, 128));
    }
}

TEST_F(FontTest, FastPathAndKeyedBlitDrawTheSamePixels) {
    // The same format as the sheets takes the font's own loop; another format
    // goes through SDL's keyed blit.
    const Uint32 others[] = {SDL_PIXELFORMAT_XBGR8888, SDL_PIXELFORMAT_RGB24};
    auto drawAll = [this](SDL_Surface* dst, int k) {
        for (int c = 0; c < 256; ++c) {
            sheetFont.DrawChar(dst, static_cast<unsigned char>(c), 3 + 8 * (c % 16),
                               5 + 8 * (c / 16), static_cast<KRColors>((k + c) % 16));
        }
        // Partly and wholly outside the surface, and against a clip rectangle.
        sheetFont.DrawChar(dst, 0xFF, -3, -5, static_cast<KRColors>(k));
        sheetFont.DrawChar(dst, 0x0F, dst->w - 4, dst->h - 2, static_cast<KRColors>(k));
        sheetFont.DrawChar(dst, 0x0F, -8, 20, static_cast<KRColors>(k));
        const SDL_Rect clip = {20, 30, 13, 11};
        SDL_SetClipRect(dst, &clip);
        sheetFont.DrawChar(dst, 0x5A, 16, 27, static_cast<KRColors>(15 - k));
        SDL_SetClipRect(dst, nullptr);
    };
    for (int k = 0; k < 16; ++k) {
        SDL_Surface* fast = Canvas(140, 140);
        drawAll(fast, k);
        for (int c = 0; c < 256; ++c) {
            ASSERT_TRUE(Shows(fast, 3 + 8 * (c % 16), 5 + 8 * (c / 16),
                              static_cast<unsigned char>(c), static_cast<KRColors>((k + c) % 16)));
        }
        std::vector<SDL_Surface*> slow;
        for (Uint32 format : others) {
            slow.push_back(Canvas(140, 140, format));
        }
        for (SDL_Surface* s : slow) {
            drawAll(s, k);
            for (int y = 0; y < 140; ++y) {
                for (int x = 0; x < 140; ++x) {
                    Uint8 r1, g1, b1, r2, g2, b2;
                    SDL_GetRGB(KRFont::GetPixel(fast, x, y), fast->format, &r1, &g1, &b1);
                    SDL_GetRGB(KRFont::GetPixel(s, x, y), s->format, &r2, &g2, &b2);
                    ASSERT_TRUE(r1 == r2 && g1 == g2 && b1 == b2)
                        << "pixel (" << x << ", " << y << ") differs on "
                        << SDL_GetPixelFormatName(s->format->format) << " in pass " << k;
                }
            }
        }
    }
}

// ---- strings ----------------------------------------------------------------

TEST_F(FontTest, ColourMarkupColoursOneGlyphOrTheRestOfTheText) {
    SDL_Surface* dst = Canvas(80, 16);
    sheetFont.DrawString(dst, "^C12|AB", 0, 0, White);
    EXPECT_TRUE(Shows(dst, 0, 0, 'A', LightRed));
    EXPECT_TRUE(Shows(dst, 8, 0, 'B', LightRed));
    EXPECT_TRUE(Blank(dst, 16, 0)) << "the markup itself draws nothing";

    sheetFont.DrawString(dst, "^C12^AB", 0, 8, White);
    EXPECT_TRUE(Shows(dst, 0, 8, 'A', LightRed));
    EXPECT_TRUE(Shows(dst, 8, 8, 'B', White)) << "'^' colours one glyph only";
    EXPECT_TRUE(Blank(dst, 16, 8));

    SDL_Surface* cursor = Canvas(16, 8);
    sheetFont.DrawString(cursor, std::string("^C4^\xDB") + "x", 0, 0, Green);
    EXPECT_TRUE(Shows(cursor, 0, 0, 0xDB, Red));
    EXPECT_TRUE(Shows(cursor, 8, 0, 'x', Green));
}

TEST_F(FontTest, CaretIsAGlyphUnlessItStartsMarkup) {
    SDL_Surface* dst = Canvas(24, 24);
    sheetFont.DrawString(dst, "A^", 0, 0, Yellow);
    EXPECT_TRUE(Shows(dst, 0, 0, 'A', Yellow));
    EXPECT_TRUE(Shows(dst, 8, 0, '^', Yellow)) << "a text ending in '^' draws the caret";

    sheetFont.DrawString(dst, "^", 0, 8, Cyan);
    EXPECT_TRUE(Shows(dst, 0, 8, '^', Cyan));

    sheetFont.DrawString(dst, "^AC", 0, 16, Brown);
    EXPECT_TRUE(Shows(dst, 0, 16, '^', Brown));
    EXPECT_TRUE(Shows(dst, 8, 16, 'A', Brown));
    EXPECT_TRUE(Shows(dst, 16, 16, 'C', Brown));
}

TEST_F(FontTest, TabsAndLineBreaksMoveThePen) {
    SDL_Surface* dst = Canvas(80, 40);
    sheetFont.DrawString(dst, "A\tB", 3, 2, White);
    EXPECT_TRUE(Shows(dst, 3, 2, 'A', White));
    EXPECT_TRUE(Blank(dst, 11, 2));
    EXPECT_TRUE(Shows(dst, 3 + 48, 2, 'B', White)) << "B 48 pixels right of A's left edge";

    sheetFont.DrawString(dst, "CD\nE", 3, 10, LightBlue);
    EXPECT_TRUE(Shows(dst, 3, 10, 'C', LightBlue));
    EXPECT_TRUE(Shows(dst, 11, 10, 'D', LightBlue));
    EXPECT_TRUE(Shows(dst, 3, 26, 'E', LightBlue)) << "a line break returns and moves 16 down";
}

TEST_F(FontTest, MarkupWithoutDigitsThrowsInvalidArgument) {
    SDL_Surface* dst = Canvas(40, 8);
    EXPECT_THROW(sheetFont.DrawString(dst, "^C|A", 0, 0, White), std::invalid_argument);
    EXPECT_THROW(sheetFont.DrawString(dst, "^Cx^A", 0, 0, White), std::invalid_argument);
}

TEST_F(FontTest, MarkupCutOffByTheEndDrawsNothingMore) {
    for (const char* text : {"A^C12", "A^C", "A^C12|", "A^C3^"}) {
        SDL_Surface* dst = Canvas(48, 8);
        sheetFont.DrawString(dst, text, 0, 0, White);
        EXPECT_TRUE(Shows(dst, 0, 0, 'A', White)) << text;
        for (int x = 8; x < 48; x += 8) {
            EXPECT_TRUE(Blank(dst, x, 0)) << text;
        }
    }
}

// ---- numbers ----------------------------------------------------------------

TEST_F(FontTest, DrawNumberPadsWithZerosOrKeepsTheLastCharacters) {
    struct Case {
        const char* text;
        int width;
        const char* shown;
    };
    const Case cases[] = {
        {"1234", 3, "234"}, {"", 2, "00"}, {"7", 3, "007"}, {"42", 2, "42"}, {"42", 0, ""}};
    for (const Case& c : cases) {
        SDL_Surface* dst = Canvas(48, 8);
        sheetFont.DrawNumber(dst, c.text, 0, 0, c.width, LightGreen);
        const std::string shown = c.shown;
        for (std::size_t i = 0; i < shown.size(); ++i) {
            EXPECT_TRUE(Shows(dst, 8 * static_cast<int>(i), 0, static_cast<unsigned char>(shown[i]),
                              LightGreen))
                << c.text << " in width " << c.width;
        }
        for (int x = 8 * static_cast<int>(shown.size()); x < 48; x += 8) {
            EXPECT_TRUE(Blank(dst, x, 0)) << c.text << " in width " << c.width;
        }
    }
}

// ---- raw pixels and surfaces --------------------------------------------------

TEST_F(FontTest, PixelAccessRoundTripsAtEveryDepth) {
    struct Case {
        Uint32 format;
        Uint32 value;
    };
    const Case cases[] = {{SDL_PIXELFORMAT_INDEX8, 0xC3},
                          {SDL_PIXELFORMAT_RGB565, 0xBEEF},
                          {SDL_PIXELFORMAT_RGB24, 0x123456},
                          {SDL_PIXELFORMAT_ARGB8888, 0x89ABCDEF}};
    for (const Case& c : cases) {
        SDL_Surface* s =
            SDL_CreateRGBSurfaceWithFormat(0, 5, 4, SDL_BITSPERPIXEL(c.format), c.format);
        ASSERT_NE(s, nullptr) << SDL_GetError();
        canvases.push_back(s);
        SDL_memset(s->pixels, 0, static_cast<std::size_t>(s->pitch) * s->h);
        KRFont::SetPixel(s, 3, 2, c.value);
        EXPECT_EQ(KRFont::GetPixel(s, 3, 2), c.value) << SDL_GetPixelFormatName(c.format);
        EXPECT_EQ(KRFont::GetPixel(s, 2, 2), 0u) << SDL_GetPixelFormatName(c.format);
        EXPECT_EQ(KRFont::GetPixel(s, 4, 2), 0u) << SDL_GetPixelFormatName(c.format);
        EXPECT_EQ(KRFont::GetPixel(s, 3, 1), 0u) << SDL_GetPixelFormatName(c.format);
    }
    SDL_Surface* rgb = canvases[2]; // the RGB24 case
    const auto* bytes = static_cast<const Uint8*>(rgb->pixels) + 2 * rgb->pitch + 9;
    EXPECT_EQ(bytes[0], 0x56) << "3-byte pixels are stored low byte first";
    EXPECT_EQ(bytes[1], 0x34);
    EXPECT_EQ(bytes[2], 0x12);
}

// Start-up fails with the reason for a sheet that cannot be read or decoded
// (standard output, as SDL's own reasons) and for a sheet of any other size
// than 128 x 128 (standard error), which would have the glyphs read outside
// its pixels.
TEST_F(FontTest, SheetThatCannotBeUsedFailsWithItsReason) {
    ASSERT_EQ(::mkfifo("pipe.bmp", 0600), 0);
    vlotest::WriteFile("noise.bmp", "not a bitmap");
    struct Case {
        std::string path;
        int w, h;             // of a sheet to write first; 0 for none
        std::string out, err; // "SDL": the load message with SDL's reason
    };
    const std::string load = "Couldn't load font image: ";
    const Case cases[] = {
        {"no-such-sheet.bmp", 0, 0, load + "no-such-sheet.bmp: file not found\n", ""},
        {"pipe.bmp", 0, 0, load + "pipe.bmp: not a regular file\n", ""},
        {"noise.bmp", 0, 0, "SDL", ""},
        {"small.bmp", 8, 8, "", load + "small.bmp is 8 x 8 pixels, not 128 x 128\n"},
        {"wide.bmp", 256, 128, "", load + "wide.bmp is 256 x 128 pixels, not 128 x 128\n"},
        {"short.bmp", 128, 127, "", load + "short.bmp is 128 x 127 pixels, not 128 x 128\n"},
        {"tall.bmp", 16, 2048, "", load + "tall.bmp is 16 x 2048 pixels, not 128 x 128\n"},
    };
    for (const Case& c : cases) {
        if (c.w > 0) {
            SDL_Surface* s = SDL_CreateRGBSurfaceWithFormat(0, c.w, c.h, 24, SDL_PIXELFORMAT_RGB24);
            ASSERT_NE(s, nullptr) << SDL_GetError();
            SDL_FillRect(s, nullptr, SDL_MapRGB(s->format, 255, 255, 255));
            ASSERT_EQ(SDL_SaveBMP(s, c.path.c_str()), 0) << SDL_GetError();
            SDL_FreeSurface(s);
        }
        KRFont font;
        ::testing::internal::CaptureStdout();
        ::testing::internal::CaptureStderr();
        EXPECT_FALSE(font.Init(c.path, SDL_PIXELFORMAT_ARGB8888)) << c.path;
        const std::string err = ::testing::internal::GetCapturedStderr();
        const std::string out = ::testing::internal::GetCapturedStdout();
        if (c.out == "SDL") {
            EXPECT_EQ(out, load + SDL_GetError() + "\n");
            EXPECT_GT(out.size(), load.size() + 1) << "SDL's reason follows";
        } else {
            EXPECT_EQ(out, c.out) << c.path;
        }
        EXPECT_EQ(err, c.err) << c.path;
    }
}

TEST_F(FontTest, SnapshotOfTheScreenIsRestoredByRenderCopy) {
    rendererInfo.texture_formats[0] = SDL_PIXELFORMAT_ARGB8888;
    screen = CreateRGBSurface(64, 24);
    tempSurface = CreateRGBSurface(64, 24);
    ASSERT_NE(screen, nullptr);
    ASSERT_NE(tempSurface, nullptr);
    EXPECT_EQ(screen->format->format, static_cast<Uint32>(SDL_PIXELFORMAT_ARGB8888));
    SDL_FillRect(screen, nullptr, SDL_MapRGB(screen->format, 1, 2, 3));
    sheetFont.DrawString(screen, "^C9|Snap", 4, 4, White);
    const auto pixels = [] {
        std::vector<Uint32> out;
        for (int y = 0; y < 24; ++y) {
            for (int x = 0; x < 64; ++x) {
                out.push_back(KRFont::GetPixel(screen, x, y));
            }
        }
        return out;
    };
    const std::vector<Uint32> before = pixels();
    CopyOfSurface();
    SDL_FillRect(screen, nullptr, SDL_MapRGB(screen->format, 200, 0, 0));
    RenderCopyOfSurface();
    EXPECT_TRUE(pixels() == before) << "the snapshot did not come back whole";
    SDL_FreeSurface(screen);
    SDL_FreeSurface(tempSurface);
    screen = nullptr;
    tempSurface = nullptr;
}

} // namespace
