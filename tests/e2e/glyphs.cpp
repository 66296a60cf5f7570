// Glyph matching on screenshots: the font image's ink masks against the
// pixels of one 8 x 8 block, split by colour.
#include "glyphs.h"

#include <fstream>
#include <iterator>
#include <memory>

namespace vlotest {

namespace {

// clang-format off
constexpr std::array<Rgb, 16> kPalette = {{
    {0, 0, 0},       {0, 0, 170},     {0, 170, 0},     {0, 170, 170},
    {170, 0, 0},     {170, 0, 170},   {170, 85, 0},    {170, 170, 170},
    {85, 85, 85},    {85, 85, 255},   {85, 255, 85},   {85, 255, 255},
    {255, 85, 85},   {255, 85, 255},  {255, 255, 85},  {255, 255, 255},
}};
constexpr std::array<const char*, 16> kNames = {
    "Black", "Blue", "Green", "Cyan", "Red", "Magenta", "Brown", "LightGray",
    "DarkGray", "LightBlue", "LightGreen", "LightCyan", "LightRed", "LightMagenta", "Yellow", "White"};
// clang-format on

uint32_t Le(const std::string& s, size_t at, int bytes) {
    uint32_t v = 0;
    for (int k = 0; k < bytes; ++k) {
        v |= static_cast<uint32_t>(static_cast<uint8_t>(s[at + k])) << (8 * k);
    }
    return v;
}

char Printable(int code) {
    if (code < 0) {
        return '?';
    }
    if (code == 0 || code == 32 || code == 255) {
        return ' ';
    }
    if (code > 32 && code < 127) {
        return static_cast<char>(code);
    }
    if (code >= 179 && code <= 218) {
        return '+'; // box drawing
    }
    if (code >= 219 && code <= 223) {
        return '#'; // blocks
    }
    return '~';
}

} // namespace

int EgaIndex(Rgb colour) {
    for (size_t i = 0; i < kPalette.size(); ++i) {
        if (kPalette[i] == colour) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

const char* EgaName(int index) {
    return index >= 0 && index < 16 ? kNames[static_cast<size_t>(index)] : "none";
}

bool GlyphSheet::Load(const std::string& path, std::string& error) {
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        error = "cannot open " + path;
        return false;
    }
    const std::string bmp((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    if (bmp.size() < 54 || bmp[0] != 'B' || bmp[1] != 'M') {
        error = path + " is not a BMP file";
        return false;
    }
    const uint32_t offset = Le(bmp, 10, 4);
    const int width = static_cast<int32_t>(Le(bmp, 18, 4));
    const int rawHeight = static_cast<int32_t>(Le(bmp, 22, 4));
    const int bits = static_cast<int>(Le(bmp, 28, 2));
    const uint32_t compression = Le(bmp, 30, 4);
    const bool bottomUp = rawHeight > 0;
    const int height = bottomUp ? rawHeight : -rawHeight;
    if (width != 128 || height != 128 || (bits != 24 && bits != 32) ||
        (compression != 0 && !(compression == 3 && bits == 32))) {
        error = path + ": expected an uncompressed 128 x 128 BMP of 24 or 32 bits, found " +
                std::to_string(width) + " x " + std::to_string(height) + " with " +
                std::to_string(bits) + " bits, compression " + std::to_string(compression);
        return false;
    }
    const size_t stride = (static_cast<size_t>(width) * bits / 8 + 3) / 4 * 4;
    if (bmp.size() < offset + stride * height) {
        error = path + " is truncated";
        return false;
    }
    masks_.fill(0);
    for (int y = 0; y < height; ++y) {
        const size_t row = offset + stride * static_cast<size_t>(bottomUp ? height - 1 - y : y);
        for (int x = 0; x < width; ++x) {
            const size_t p = row + static_cast<size_t>(x) * (bits / 8);
            const Rgb c{static_cast<uint8_t>(bmp[p + 2]), static_cast<uint8_t>(bmp[p + 1]),
                        static_cast<uint8_t>(bmp[p])};
            if (c != Rgb{128, 0, 128}) {
                const int code = (y / 8) * 16 + x / 8;
                masks_[static_cast<size_t>(code)] |= uint64_t{1} << ((y % 8) * 8 + x % 8);
            }
        }
    }
    byMask_.clear();
    for (int code = 0; code < 256; ++code) {
        const uint64_t m = masks_[static_cast<size_t>(code)];
        auto it = byMask_.find(m);
        const bool printable = code >= 32 && code < 127;
        if (it == byMask_.end()) {
            byMask_.emplace(m, code);
        } else if (printable && !(it->second >= 32 && it->second < 127)) {
            it->second = code;
        }
    }
    return true;
}

int GlyphSheet::CodeOf(uint64_t mask) const {
    auto it = byMask_.find(mask);
    return it == byMask_.end() ? -1 : it->second;
}

const GlyphSheet* GlyphSheet::Shared(std::string& error) {
    static std::unique_ptr<GlyphSheet> sheet;
    static std::string loadError;
    static bool tried = false;
    if (!tried) {
        tried = true;
        auto loaded = std::make_unique<GlyphSheet>();
        if (loaded->Load(std::string(VLO_BINARY_DIR) + "/gfx/font.bmp", loadError)) {
            sheet = std::move(loaded);
        }
    }
    error = loadError;
    return sheet.get();
}

Screen::Screen(Image image, const GlyphSheet* sheet) : image_(std::move(image)), sheet_(sheet) {
    palette_.resize(static_cast<size_t>(image_.width) * image_.height);
    for (int y = 0; y < image_.height; ++y) {
        for (int x = 0; x < image_.width; ++x) {
            palette_[static_cast<size_t>(y) * image_.width + x] =
                static_cast<int8_t>(EgaIndex(image_.At(x, y)));
        }
    }
}

int Screen::ColourAt(int x, int y) const {
    if (x < 0 || y < 0 || x >= image_.width || y >= image_.height) {
        return -1;
    }
    return palette_[static_cast<size_t>(y) * image_.width + x];
}

Glyph Screen::At(int x, int y) const {
    Glyph g;
    if (sheet_ == nullptr) {
        return g;
    }
    // Up to two colours: the glyph's ink and the block's paper (black, or
    // a full block under a caption as on the HP bar and the title bars).
    int colours[2] = {-1, -1};
    int counts[2] = {0, 0};
    uint64_t masks[2] = {0, 0};
    for (int dy = 0; dy < 8; ++dy) {
        for (int dx = 0; dx < 8; ++dx) {
            const int c = ColourAt(x + dx, y + dy);
            if (c < 0) {
                return g;
            }
            int slot = c == colours[0] ? 0 : c == colours[1] ? 1 : -1;
            if (slot < 0) {
                if (colours[0] < 0) {
                    slot = 0;
                } else if (colours[1] < 0) {
                    slot = 1;
                } else {
                    return g; // three colours: no single glyph
                }
                colours[slot] = c;
            }
            ++counts[slot];
            masks[slot] |= uint64_t{1} << (dy * 8 + dx);
        }
    }
    if (colours[1] < 0) {
        if (colours[0] == Black) {
            g.code = sheet_->CodeOf(0);
            g.paper = Black;
        } else {
            g.code = sheet_->CodeOf(~uint64_t{0});
            g.ink = colours[0];
            g.paper = Black;
        }
        return g;
    }
    // Try the likelier reading first: ink on black paper, else the colour
    // with fewer pixels as the ink.
    int first = counts[0] <= counts[1] ? 0 : 1;
    if (colours[0] == Black) {
        first = 1;
    } else if (colours[1] == Black) {
        first = 0;
    }
    for (int slot : {first, 1 - first}) {
        const int code = sheet_->CodeOf(masks[slot]);
        if (code >= 0) {
            g.code = code;
            g.ink = colours[slot];
            g.paper = colours[1 - slot];
            return g;
        }
    }
    return g;
}

std::string Screen::Text(int x, int y, int length) const {
    std::string s;
    for (int i = 0; i < length; ++i) {
        const Glyph g = At(x + 8 * i, y);
        s.push_back(g.code < 0 ? '?' : static_cast<char>(g.code));
    }
    return s;
}

bool Screen::TextAt(int x, int y, const std::string& text, int ink) const {
    return sheet_ != nullptr && Reader().TextAt(x, y, text, ink);
}

std::optional<Screen::Found> Screen::Find(const std::string& text, int ink) const {
    if (sheet_ == nullptr) {
        return std::nullopt;
    }
    return Reader().Find(text, ink);
}

std::string Screen::Dump() const {
    std::string out;
    for (int row = 0; row * 8 + 8 <= image_.height; ++row) {
        for (int col = 0; col * 8 + 8 <= image_.width; ++col) {
            out.push_back(Printable(Cell(col, row).code));
        }
        out.push_back('\n');
    }
    return out;
}

} // namespace vlotest
