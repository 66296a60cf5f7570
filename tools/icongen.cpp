// icongen: draws the game's icon from its own font sheet: the player's glyph
// '@' in the player's colour (light green) on a black rounded square, as the
// game draws the player on the map. Host tool only: it depends on the C++
// standard library, never on the game or on an image library.
//
//   icongen <font.bmp> <out folder>
//
// Writes <out>/velvet-lockout.svg (one square per ink pixel, so it scales
// without blur) and <out>/velvet-lockout-<N>.png for each size below. Each
// PNG scales the glyph by a whole factor (about a tenth of the icon, as in the
// SVG), so every font pixel is a sharp square of equal size.
#include <algorithm>
#include <array>
#include <cstdint>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

namespace {

constexpr int SheetSize = 128;                 // 16 x 16 glyphs of 8 x 8
constexpr int HeaderBytes = 54;                // BITMAPFILEHEADER + BITMAPINFOHEADER
constexpr unsigned char Glyph = '@';           // the player on the map
constexpr std::uint8_t Ink[3] = {85, 255, 85}; // LightGreen of the game's EGA palette
constexpr std::uint8_t Key[3] = {128, 0, 128}; // the sheet's transparent colour
constexpr int Sizes[] = {48, 64, 128, 192, 256, 512};

using Cell = std::array<std::array<bool, 8>, 8>; // [y][x], true = ink

std::uint32_t Get32(const std::vector<std::uint8_t>& b, std::size_t at) {
    return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | std::uint32_t(b[at + 3]) << 24;
}

// The sheet is read whole and checked before anything is drawn: exactly the
// 24-bit, uncompressed, bottom-up 128 x 128 BMP that fontgen writes.
bool ReadGlyph(const std::string& path, Cell& cell, std::string& why) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        why = "cannot open it";
        return false;
    }
    constexpr std::size_t Expected = HeaderBytes + SheetSize * SheetSize * 3;
    std::vector<std::uint8_t> b(Expected + 1);
    in.read(reinterpret_cast<char*>(b.data()), static_cast<std::streamsize>(b.size()));
    if (static_cast<std::size_t>(in.gcount()) != Expected) {
        why = "not " + std::to_string(Expected) + " bytes long";
        return false;
    }
    b.pop_back();
    if (b[0] != 'B' || b[1] != 'M' || Get32(b, 10) != HeaderBytes || Get32(b, 14) != 40 ||
        Get32(b, 18) != SheetSize || Get32(b, 22) != SheetSize || (b[28] | b[29] << 8) != 24 ||
        Get32(b, 30) != 0) {
        why = "not a 24-bit uncompressed 128 x 128 BMP";
        return false;
    }
    const int gx = 8 * (Glyph % 16);
    const int gy = 8 * (Glyph / 16);
    int inked = 0;
    for (int y = 0; y < 8; ++y) {
        for (int x = 0; x < 8; ++x) {
            const std::size_t row = SheetSize - 1 - (gy + y); // bottom-up
            const std::uint8_t* p = &b[HeaderBytes + (row * SheetSize + gx + x) * 3];
            // BMP stores blue, green, red.
            cell[y][x] = !(p[2] == Key[0] && p[1] == Key[1] && p[0] == Key[2]);
            inked += cell[y][x];
        }
    }
    if (inked == 0 || inked == 64) {
        why = "its glyph '@' is blank or solid";
        return false;
    }
    return true;
}

// Where the glyph's ink sits in the cell, so that it is centred on the icon
// rather than its 8 x 8 cell with the font's empty right column and bottom row.
struct Box {
    int x0 = 8, y0 = 8, x1 = -1, y1 = -1;
};

Box InkBox(const Cell& cell) {
    Box box;
    for (int y = 0; y < 8; ++y) {
        for (int x = 0; x < 8; ++x) {
            if (cell[y][x]) {
                box = {std::min(box.x0, x), std::min(box.y0, y), std::max(box.x1, x),
                       std::max(box.y1, y)};
            }
        }
    }
    return box;
}

std::string Hex(const std::uint8_t (&rgb)[3]) {
    static const char digits[] = "0123456789abcdef";
    std::string s = "#";
    for (std::uint8_t c : rgb) {
        s += digits[c >> 4];
        s += digits[c & 15];
    }
    return s;
}

// SVG on a grid of ten units a font pixel, the glyph centred.
std::string Svg(const Cell& cell) {
    const Box box = InkBox(cell);
    const int unit = 10;
    const int side = 100;
    const int left = (side - unit * (box.x1 - box.x0 + 1)) / 2 - unit * box.x0;
    const int top = (side - unit * (box.y1 - box.y0 + 1)) / 2 - unit * box.y0;
    std::string s = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                    "<!-- Velvet Lockout: the player's glyph from the game's font sheet "
                    "(made by tools/icongen). -->\n"
                    "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"100\" height=\"100\" "
                    "viewBox=\"0 0 100 100\">\n"
                    "  <rect width=\"100\" height=\"100\" rx=\"10\" fill=\"#000000\"/>\n"
                    "  <g fill=\"" +
                    Hex(Ink) + "\">\n";
    for (int y = 0; y < 8; ++y) {
        for (int x = 0; x < 8; ++x) {
            if (cell[y][x]) {
                s += "    <rect x=\"" + std::to_string(left + unit * x) + "\" y=\"" +
                     std::to_string(top + unit * y) + "\" width=\"10\" height=\"10\"/>\n";
            }
        }
    }
    return s + "  </g>\n</svg>\n";
}

// -- PNG, written by hand: stored (uncompressed) deflate blocks need no zlib.
std::uint32_t Crc32(const std::uint8_t* p, std::size_t n, std::uint32_t crc = 0) {
    crc = ~crc;
    for (std::size_t i = 0; i < n; ++i) {
        crc ^= p[i];
        for (int k = 0; k < 8; ++k) {
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1)));
        }
    }
    return ~crc;
}

void Put32(std::vector<std::uint8_t>& out, std::uint32_t v) {
    for (int shift = 24; shift >= 0; shift -= 8) {
        out.push_back(static_cast<std::uint8_t>(v >> shift));
    }
}

void Chunk(std::vector<std::uint8_t>& png, const char* type,
           const std::vector<std::uint8_t>& data) {
    Put32(png, static_cast<std::uint32_t>(data.size()));
    const std::size_t start = png.size();
    png.insert(png.end(), type, type + 4);
    png.insert(png.end(), data.begin(), data.end());
    Put32(png, Crc32(&png[start], png.size() - start));
}

// A zlib stream of stored blocks (at most 65535 bytes each) with its Adler-32.
std::vector<std::uint8_t> Stored(const std::vector<std::uint8_t>& raw) {
    std::vector<std::uint8_t> z = {0x78, 0x01};
    std::size_t at = 0;
    do {
        const std::size_t n = std::min<std::size_t>(65535, raw.size() - at);
        z.push_back(at + n == raw.size() ? 1 : 0); // BFINAL, BTYPE 00
        z.push_back(static_cast<std::uint8_t>(n));
        z.push_back(static_cast<std::uint8_t>(n >> 8));
        z.push_back(static_cast<std::uint8_t>(~n));
        z.push_back(static_cast<std::uint8_t>(~n >> 8));
        z.insert(z.end(), raw.begin() + static_cast<long>(at),
                 raw.begin() + static_cast<long>(at + n));
        at += n;
    } while (at < raw.size());
    std::uint32_t a = 1, b = 0;
    for (std::uint8_t c : raw) {
        a = (a + c) % 65521;
        b = (b + a) % 65521;
    }
    Put32(z, b << 16 | a);
    return z;
}

// Three colours in a palette, one byte a pixel (a quarter of RGBA, as the
// data is stored uncompressed): transparent outside the rounded corners,
// black, and the ink.
enum : std::uint8_t { Clear, Black, Green };
std::vector<std::uint8_t> Png(const Cell& cell, int side) {
    const Box box = InkBox(cell);
    const int scale = side / 10;
    const int left = (side - scale * (box.x1 - box.x0 + 1)) / 2 - scale * box.x0;
    const int top = (side - scale * (box.y1 - box.y0 + 1)) / 2 - scale * box.y0;
    const int radius = side / 10;
    std::vector<std::uint8_t> raw;
    raw.reserve(static_cast<std::size_t>(side) * (side + 1));
    for (int y = 0; y < side; ++y) {
        raw.push_back(0); // filter: none
        for (int x = 0; x < side; ++x) {
            // Distance from the nearest corner's centre, in doubled units so
            // that pixel centres fall on whole numbers.
            const int cx =
                std::max({0, 2 * radius - (2 * x + 1), (2 * x + 1) - 2 * (side - radius)});
            const int cy =
                std::max({0, 2 * radius - (2 * y + 1), (2 * y + 1) - 2 * (side - radius)});
            const bool inside = cx * cx + cy * cy <= 4 * radius * radius;
            const int fx = x - left;
            const int fy = y - top;
            const bool ink = fx >= 0 && fy >= 0 && fx < 8 * scale && fy < 8 * scale &&
                             cell[fy / scale][fx / scale];
            raw.push_back(!inside ? Clear : ink ? Green : Black);
        }
    }
    std::vector<std::uint8_t> png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    std::vector<std::uint8_t> header;
    Put32(header, static_cast<std::uint32_t>(side));
    Put32(header, static_cast<std::uint32_t>(side));
    header.insert(header.end(),
                  {8, 3, 0, 0, 0}); // 8 bits, palette, deflate, adaptive, no interlace
    Chunk(png, "IHDR", header);
    Chunk(png, "PLTE", {0, 0, 0, 0, 0, 0, Ink[0], Ink[1], Ink[2]});
    Chunk(png, "tRNS", {0}); // Clear has alpha 0, the others are opaque
    Chunk(png, "IDAT", Stored(raw));
    Chunk(png, "IEND", {});
    return png;
}

// A failed write is reported, never taken for done.
bool WriteFile(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    out.close();
    if (!out) {
        std::cerr << "icongen: cannot write " << path << "\n";
        return false;
    }
    return true;
}

} // namespace

int main(int argc, char* argv[]) {
    if (argc != 3) {
        std::cerr << "usage: icongen <font.bmp> <out folder>\n";
        return 2;
    }
    Cell cell{};
    std::string why;
    if (!ReadGlyph(argv[1], cell, why)) {
        std::cerr << "icongen: " << argv[1] << ": " << why << "\n";
        return 1;
    }
    const std::string out = argv[2];
    bool ok = WriteFile(out + "/velvet-lockout.svg", Svg(cell));
    for (int side : Sizes) {
        const std::vector<std::uint8_t> png = Png(cell, side);
        ok = WriteFile(out + "/velvet-lockout-" + std::to_string(side) + ".png",
                       std::string(png.begin(), png.end())) &&
             ok;
    }
    return ok ? 0 : 1;
}
