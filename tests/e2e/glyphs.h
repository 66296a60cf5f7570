// Reads a screenshot of the game back as glyphs: which sheet glyph, in which
// of the 16 EGA colours, is drawn at a pixel position. Knows the font image
// and the palette; does not depend on the game's code or on SDL.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "glyph_reader.h"
#include "image.h"

namespace vlotest {

// clang-format off
enum Ega {
    Black, Blue, Green, Cyan, Red, Magenta, Brown, LightGray,
    DarkGray, LightBlue, LightGreen, LightCyan, LightRed, LightMagenta, Yellow, White
};
// clang-format on

// The palette index of an exact EGA colour, or -1 for any other colour.
int EgaIndex(Rgb colour);
const char* EgaName(int index);

// The 256 ink masks of gfx/font.bmp: bit (row * 8 + column) is set where the
// glyph's pixel differs from the sheet background RGB (128, 0, 128).
class GlyphSheet {
public:
    // Parses an uncompressed 24- or 32-bit BMP of 128 x 128 pixels.
    bool Load(const std::string& path, std::string& error);
    uint64_t Mask(int code) const { return masks_[static_cast<uint8_t>(code)]; }
    // The code drawn with this ink mask (printable ASCII preferred when
    // several glyphs look alike), or -1 when no glyph has it.
    int CodeOf(uint64_t mask) const;

    // The sheet of the build folder, loaded once; fails the calling test
    // through `error` when it cannot be read.
    static const GlyphSheet* Shared(std::string& error);

private:
    std::array<uint64_t, 256> masks_{};
    std::unordered_map<uint64_t, int> byMask_;
};

// One 8 x 8 block of a screenshot read as a glyph. `code` is -1 when the
// block is no glyph of the sheet (more than two colours, a colour outside the
// palette, or an unknown shape). A black block reads as code 32 with no ink.
struct Glyph {
    int code = -1;
    int ink = -1;   // palette index of the glyph's pixels
    int paper = -1; // palette index of the rest of the block
};

class Screen {
public:
    using Found = TextSpot;

    Screen() = default;
    Screen(Image image, const GlyphSheet* sheet);

    const Image& Picture() const { return image_; }
    bool Valid() const { return sheet_ != nullptr && !image_.Empty(); }
    // Palette index of one pixel (-1 outside the palette or the picture).
    int ColourAt(int x, int y) const;

    // The glyph whose top-left pixel is (x, y).
    Glyph At(int x, int y) const;
    Glyph Cell(int column, int row) const { return At(column * 8, row * 8); }
    // `length` glyphs from pixel (x, y) rightwards as characters ('?' for a
    // block that is no glyph).
    std::string Text(int x, int y, int length) const;

    // The first place (top to bottom, left to right, at any pixel offset)
    // where `text` is drawn in one ink colour (`ink` -1: any colour). Blanks
    // in the text must hold no pixel of that colour.
    std::optional<Found> Find(const std::string& text, int ink = -1) const;
    bool Contains(const std::string& text, int ink = -1) const {
        return Find(text, ink).has_value();
    }
    // Whether `text` is drawn at exactly (x, y) in colour `ink`.
    bool TextAt(int x, int y, const std::string& text, int ink) const;

    // The 80 x 50 cell grid as text lines, for failure messages.
    std::string Dump() const;

private:
    auto Reader() const {
        return MakeGlyphReader(
            image_.width, image_.height, [this](int x, int y) { return ColourAt(x, y); },
            [this](int code) { return sheet_->Mask(code); });
    }

    Image image_;
    const GlyphSheet* sheet_ = nullptr;
    std::vector<int8_t> palette_; // per pixel: EGA index or -1
};

} // namespace vlotest
