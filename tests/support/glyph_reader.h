// Reading glyphs back from a picture, for both suites: the in-process tests
// read the game's surfaces with the loaded font, the end-to-end tests read
// screenshots with the font image. A picture is a palette index per pixel
// (-1 for any other colour or outside it), a glyph its ink mask (bit
// row * 8 + column).
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace vlotest {

struct TextSpot {
    int x = 0;
    int y = 0;
    int ink = -1;
};

// `colourAt(x, y)` gives the palette index of a pixel, `maskOf(code)` the ink
// mask of a glyph.
template <class ColourAt, class MaskOf> class GlyphReader {
public:
    GlyphReader(int width, int height, ColourAt colourAt, MaskOf maskOf)
        : width_(width), height_(height), colourAt_(colourAt), maskOf_(maskOf) {}

    // The cell at (x, y) shows `mask`: its ink pixels are `ink`, the others
    // `paper`, or with `paper` -1 any colour but `ink`.
    bool Shows(int x, int y, uint64_t mask, int ink, int paper = -1) const {
        if (x < 0 || y < 0 || x + 8 > width_ || y + 8 > height_) {
            return false;
        }
        for (int dy = 0; dy < 8; ++dy) {
            for (int dx = 0; dx < 8; ++dx) {
                const int c = colourAt_(x + dx, y + dy);
                const bool inked = ((mask >> (dy * 8 + dx)) & 1u) != 0;
                if (inked ? c != ink : (paper < 0 ? c == ink : c != paper)) {
                    return false;
                }
            }
        }
        return true;
    }

    // `text` drawn from (x, y), one glyph every 8 pixels.
    bool TextAt(int x, int y, const std::string& text, int ink, int paper = -1) const {
        for (std::size_t i = 0; i < text.size(); ++i) {
            if (!Shows(x + 8 * static_cast<int>(i), y, Mask(text[i]), ink, paper)) {
                return false;
            }
        }
        return true;
    }

    // The first place (top to bottom, left to right, at any pixel offset)
    // where `text` is drawn in one ink (`ink` -1: any colour). The colour is
    // read where the first inked glyph has its first ink pixel.
    std::optional<TextSpot> Find(const std::string& text, int ink = -1, int paper = -1) const {
        std::size_t lead = 0;
        while (lead < text.size() && Mask(text[lead]) == 0) {
            ++lead;
        }
        if (lead == text.size()) {
            return std::nullopt;
        }
        const uint64_t leadMask = Mask(text[lead]);
        int bit = 0;
        while (((leadMask >> bit) & 1u) == 0) {
            ++bit;
        }
        const int span = 8 * static_cast<int>(text.size());
        for (int y = 0; y + 8 <= height_; ++y) {
            for (int x = 0; x + span <= width_; ++x) {
                const int lx = x + 8 * static_cast<int>(lead);
                const int colour = colourAt_(lx + bit % 8, y + bit / 8);
                if (colour < 0 || (ink >= 0 && colour != ink) ||
                    !Shows(lx, y, leadMask, colour, paper)) {
                    continue;
                }
                if (TextAt(x, y, text, colour, paper)) {
                    return TextSpot{x, y, colour};
                }
            }
        }
        return std::nullopt;
    }

private:
    uint64_t Mask(char c) const { return maskOf_(static_cast<unsigned char>(c)); }

    int width_;
    int height_;
    ColourAt colourAt_;
    MaskOf maskOf_;
};

template <class ColourAt, class MaskOf>
GlyphReader<ColourAt, MaskOf> MakeGlyphReader(int width, int height, ColourAt colourAt,
                                              MaskOf maskOf) {
    return GlyphReader<ColourAt, MaskOf>(width, height, colourAt, maskOf);
}

} // namespace vlotest
