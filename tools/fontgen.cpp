// fontgen: turns an 8 x 8 PC console font (PSF1, code page 865 layout) into the
// game's 128 x 128 glyph sheet in code page 437 layout. Host tool only: it
// depends on the C++ standard library and POSIX popen, never on the game.
//
//   fontgen <font.psf | font.psf.gz> <out.bmp>
//
// Code page 865 is code page 437 with three glyphs swapped for Nordic ones; we
// draw those three back ourselves. Before writing, the sheet is checked
// against the code page 437 table: every box-drawing glyph must reach the cell
// edges it should with single or double strokes, and nothing else; the blocks
// must cover exactly their halves; the shades must be light, medium and dark.
#include <array>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

namespace {

using Glyph = std::array<std::uint8_t, 8>; // one byte per row, bit 7 = left pixel
using Sheet = std::array<Glyph, 256>;

// clang-format off
struct Patch {
    int code;
    Glyph rows;
};
// Glyphs where code page 865 departs from 437 (there: o-slash, O-slash and
// the currency sign), drawn in the stroke weight of the rest of the font.
const Patch Patches[] = {
    {0x9B, {0x18, 0x18, 0x7E, 0xC0, 0xC0, 0x7E, 0x18, 0x18}}, // cent sign
    {0x9D, {0xCC, 0xCC, 0x78, 0xFC, 0x30, 0xFC, 0x30, 0x30}}, // yen sign
    {0xAF, {0x00, 0xCC, 0x66, 0x33, 0x66, 0xCC, 0x00, 0x00}}, // right guillemet, 0xAE mirrored
};

// Box drawing 179-218: the stroke each glyph takes to the edge of its cell,
// in the order up, down, left, right (0 none, 1 single, 2 double).
const char* const BoxEdges[40] = {
    "1100", "1110", "1120", "2210", "0210", "0120", "2220", "2200", // 179-186
    "0220", "2020", "2010", "1020", "0110", "1001", "1011", "0111", // 187-194
    "1101", "0011", "1111", "1102", "2201", "2002", "0202", "2022", // 195-202
    "0222", "2202", "0022", "2222", "1022", "2011", "0122", "0211", // 203-210
    "2001", "1002", "0102", "0201", "2211", "1122", "1010", "0101", // 211-218
};
// clang-format on

bool Ink(const Glyph& g, int x, int y) {
    return (g[y] >> (7 - x)) & 1;
}

bool EndsWith(const std::string& s, const std::string& tail) {
    return s.size() >= tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
}

// Reads the whole file, through `gzip -dc` when it is compressed, so the tool
// needs no zlib.
bool ReadInput(const std::string& path, std::vector<std::uint8_t>& bytes) {
    if (!EndsWith(path, ".gz")) {
        std::ifstream in(path, std::ios::binary);
        if (!in) {
            return false;
        }
        bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
        return true;
    }
    std::string quoted = "'";
    for (char c : path) {
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    }
    quoted += "'";
    FILE* pipe = popen(("gzip -dc " + quoted).c_str(), "r");
    if (pipe == nullptr) {
        return false;
    }
    std::uint8_t buf[4096];
    size_t n = 0;
    while ((n = fread(buf, 1, sizeof buf, pipe)) > 0) {
        bytes.insert(bytes.end(), buf, buf + n);
    }
    return pclose(pipe) == 0;
}

// PSF version 1: magic 36 04, mode byte, glyph height; 256 (or 512) glyphs of
// one byte per row follow. Only the first 256 are used.
bool ParsePsf1(const std::vector<std::uint8_t>& bytes, Sheet& sheet, std::string& why) {
    if (bytes.size() < 4 || bytes[0] != 0x36 || bytes[1] != 0x04) {
        why = "not a PSF1 font";
        return false;
    }
    if (bytes[3] != 8) {
        why = "glyphs are " + std::to_string(bytes[3]) + " rows high, 8 needed";
        return false;
    }
    if (bytes.size() < 4 + 256 * 8) {
        why = "file too short for 256 glyphs";
        return false;
    }
    for (int c = 0; c < 256; ++c) {
        for (int r = 0; r < 8; ++r) {
            sheet[c][r] = bytes[4 + c * 8 + r];
        }
    }
    return true;
}

// Number of separate ink runs along one edge: 1 is a single stroke, 2 a double.
int Runs(const Glyph& g, bool vertical, int line) {
    int runs = 0;
    bool prev = false;
    for (int i = 0; i < 8; ++i) {
        bool ink = vertical ? Ink(g, line, i) : Ink(g, i, line);
        if (ink && !prev) {
            ++runs;
        }
        prev = ink;
    }
    return runs;
}

int CountInk(const Glyph& g, int x0, int y0, int x1, int y1) {
    int n = 0;
    for (int y = y0; y < y1; ++y) {
        for (int x = x0; x < x1; ++x) {
            n += Ink(g, x, y);
        }
    }
    return n;
}

int Verify(const Sheet& sheet) {
    int faults = 0;
    auto fault = [&faults](int code, const std::string& what) {
        std::cerr << "glyph " << code << ": " << what << "\n";
        ++faults;
    };
    for (int i = 0; i < 40; ++i) {
        const int code = 179 + i;
        const Glyph& g = sheet[code];
        const int got[4] = {Runs(g, false, 0), Runs(g, false, 7), Runs(g, true, 0),
                            Runs(g, true, 7)};
        for (int side = 0; side < 4; ++side) {
            if (got[side] != BoxEdges[i][side] - '0') {
                fault(code, std::string("edge ") + "UDLR"[side] + " has " +
                                std::to_string(got[side]) + " strokes, table says " +
                                BoxEdges[i][side]);
            }
        }
    }
    // Strokes must meet their neighbours: every single vertical stroke leaves
    // the cell in the same columns as the one of 179, every double as 186, and
    // likewise the horizontal ones against 196 and 205.
    for (int i = 0; i < 40; ++i) {
        const int code = 179 + i;
        const Glyph& g = sheet[code];
        for (int side = 0; side < 4; ++side) {
            const int kind = BoxEdges[i][side] - '0';
            if (kind == 0) {
                continue;
            }
            const bool horizontalEdge = side < 2;
            const Glyph& ref =
                sheet[horizontalEdge ? (kind == 1 ? 179 : 186) : (kind == 1 ? 196 : 205)];
            const int line = (side % 2 == 0) ? 0 : 7;
            for (int k = 0; k < 8; ++k) {
                bool a = horizontalEdge ? Ink(g, k, line) : Ink(g, line, k);
                bool b = horizontalEdge ? Ink(ref, k, line) : Ink(ref, line, k);
                if (a != b) {
                    fault(code, std::string("stroke on edge ") + "UDLR"[side] +
                                    " does not line up with its neighbours");
                    break;
                }
            }
        }
    }
    if (CountInk(sheet[219], 0, 0, 8, 8) != 64) {
        fault(219, "full block is not full");
    }
    const struct {
        int code, x0, y0, x1, y1;
    } halves[] = {{220, 0, 4, 8, 8}, {221, 0, 0, 4, 8}, {222, 4, 0, 8, 8}, {223, 0, 0, 8, 4}};
    for (const auto& h : halves) {
        const int inside = CountInk(sheet[h.code], h.x0, h.y0, h.x1, h.y1);
        const int all = CountInk(sheet[h.code], 0, 0, 8, 8);
        if (inside != 32 || all != 32) {
            fault(h.code, "half block does not cover exactly its half");
        }
    }
    const int shades[3] = {CountInk(sheet[176], 0, 0, 8, 8), CountInk(sheet[177], 0, 0, 8, 8),
                           CountInk(sheet[178], 0, 0, 8, 8)};
    if (!(shades[0] > 8 && shades[0] < shades[1] && shades[1] < shades[2] && shades[2] < 56)) {
        fault(176, "shades 176-178 are not light < medium < dark");
    }
    // Space and NUL are blank; 1-31 and 127 are the pictographs, all with ink.
    if (CountInk(sheet[0], 0, 0, 8, 8) != 0 || CountInk(sheet[32], 0, 0, 8, 8) != 0) {
        fault(32, "NUL and space must be blank");
    }
    for (int code = 1; code < 32; ++code) {
        if (CountInk(sheet[code], 0, 0, 8, 8) == 0) {
            fault(code, "symbol is blank");
        }
    }
    return faults;
}

void Put16(std::vector<std::uint8_t>& v, unsigned x) {
    v.push_back(x & 0xFF);
    v.push_back((x >> 8) & 0xFF);
}
void Put32(std::vector<std::uint8_t>& v, unsigned x) {
    Put16(v, x & 0xFFFF);
    Put16(v, x >> 16);
}

// 24-bit uncompressed BMP, bottom-up rows of 128 * 3 bytes (already a multiple
// of four, so no padding). Background is exactly (128, 0, 128), ink white.
bool WriteBmp(const std::string& path, const Sheet& sheet) {
    const unsigned side = 128;
    const unsigned imageSize = side * side * 3;
    std::vector<std::uint8_t> out;
    out.push_back('B');
    out.push_back('M');
    Put32(out, 14 + 40 + imageSize);
    Put32(out, 0);
    Put32(out, 14 + 40);
    Put32(out, 40);   // BITMAPINFOHEADER
    Put32(out, side); // width
    Put32(out, side); // height (positive: bottom-up)
    Put16(out, 1);    // planes
    Put16(out, 24);   // bits per pixel
    Put32(out, 0);    // no compression
    Put32(out, imageSize);
    Put32(out, 2835); // 72 dpi
    Put32(out, 2835);
    Put32(out, 0);
    Put32(out, 0);
    for (int py = side - 1; py >= 0; --py) {
        for (unsigned px = 0; px < side; ++px) {
            const int code = (py / 8) * 16 + px / 8;
            const bool ink = Ink(sheet[code], px % 8, py % 8);
            // BMP stores blue, green, red.
            out.push_back(ink ? 255 : 128);
            out.push_back(ink ? 255 : 0);
            out.push_back(ink ? 255 : 128);
        }
    }
    std::ofstream f(path, std::ios::binary);
    f.write(reinterpret_cast<const char*>(out.data()), static_cast<std::streamsize>(out.size()));
    return static_cast<bool>(f);
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::cerr << "usage: fontgen <font.psf[.gz]> <out.bmp>\n";
        return 2;
    }
    std::vector<std::uint8_t> bytes;
    if (!ReadInput(argv[1], bytes)) {
        std::cerr << "fontgen: cannot read " << argv[1] << "\n";
        return 1;
    }
    Sheet sheet{};
    std::string why;
    if (!ParsePsf1(bytes, sheet, why)) {
        std::cerr << "fontgen: " << argv[1] << ": " << why << "\n";
        return 1;
    }
    for (const Patch& p : Patches) {
        sheet[p.code] = p.rows;
    }
    if (int faults = Verify(sheet); faults > 0) {
        std::cerr << "fontgen: " << faults
                  << " glyph(s) differ from code page 437, nothing written\n";
        return 1;
    }
    if (!WriteBmp(argv[2], sheet)) {
        std::cerr << "fontgen: cannot write " << argv[2] << "\n";
        return 1;
    }
    return 0;
}
