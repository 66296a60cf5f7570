// Readers for the game's screens; positions follow the 640 x 400 layout of
// 8 x 8 cells (map rows 0-39, status panel rows 40-49).
#include "views.h"

#include <algorithm>
#include <sstream>

namespace vlotest {

namespace {

std::string Describe(const Glyph& g) {
    std::ostringstream s;
    if (g.code < 0) {
        s << "no glyph";
    } else {
        s << "glyph " << g.code;
        if (g.code > 32 && g.code < 127) {
            s << " '" << static_cast<char>(g.code) << "'";
        }
        s << " ink " << EgaName(g.ink);
        if (g.paper > 0) {
            s << " on " << EgaName(g.paper);
        }
    }
    return s.str();
}

void ExpectGlyph(const Screen& screen, int x, int y, int code, int ink, const std::string& what,
                 std::vector<std::string>& problems) {
    const Glyph g = screen.At(x, y);
    if (g.code != code || g.ink != ink) {
        std::ostringstream s;
        s << what << " at pixel (" << x << "," << y << "): want glyph " << code << " ink "
          << EgaName(ink) << ", found " << Describe(g);
        problems.push_back(s.str());
    }
}

std::string RightTrim(std::string s) {
    while (!s.empty() && s.back() == ' ') {
        s.pop_back();
    }
    return s;
}

} // namespace

std::optional<CellPos> FindPlayer(const Screen& screen) {
    std::optional<CellPos> found;
    for (int row = 0; row < kMapRows; ++row) {
        for (int col = 0; col < kMapColumns; ++col) {
            const Glyph g = screen.Cell(col, row);
            if (g.code == '@' && g.ink == LightGreen) {
                if (found) {
                    return std::nullopt; // two players: not a picture of one game
                }
                found = CellPos{col, row};
            }
        }
    }
    return found;
}

bool IsFloor(const Glyph& g) {
    return g.code == '.' && (g.ink == White || g.ink == DarkGray);
}

bool IsUnseen(const Glyph& g) {
    return g.code == ' ' && g.ink < 0;
}

std::string FloorText(const Screen& screen) {
    if (!screen.TextAt(8, 360, "Floor #", LightGray)) {
        return "";
    }
    std::string text = "Floor #";
    for (int i = 7; i < 10; ++i) {
        const Glyph g = screen.At(8 + 8 * i, 360);
        if (g.code < '0' || g.code > '9' || g.ink != LightGray) {
            break;
        }
        text.push_back(static_cast<char>(g.code));
    }
    return text;
}

std::vector<LogLine> LogLines(const Screen& screen) {
    std::vector<LogLine> lines;
    for (int i = 0; i < 6; ++i) {
        const int y = 344 + 8 * i;
        LogLine line;
        line.text = RightTrim(screen.Text(176, y, 57));
        for (int k = 0; k < 57; ++k) {
            const Glyph g = screen.At(176 + 8 * k, y);
            if (g.ink >= 0) {
                line.ink = g.ink;
                break;
            }
        }
        lines.push_back(line);
    }
    return lines;
}

std::vector<std::string> MapDifferences(const Screen& a, const Screen& b) {
    std::vector<std::string> diffs;
    for (int row = 0; row < kMapRows; ++row) {
        for (int col = 0; col < kMapColumns; ++col) {
            const Glyph ga = a.Cell(col, row);
            const Glyph gb = b.Cell(col, row);
            if (ga.code != gb.code || ga.ink != gb.ink || ga.paper != gb.paper) {
                std::ostringstream s;
                s << "(" << col << "," << row << ") " << Describe(ga) << " -> " << Describe(gb);
                diffs.push_back(s.str());
            }
        }
    }
    return diffs;
}

std::vector<std::string> CheckTitledBox(const Screen& screen, const TitledBox& box) {
    std::vector<std::string> problems;
    const int topPad = box.title.empty() ? 0 : 8;
    int e = 8 * static_cast<int>(box.title.size());
    for (const std::string& line : box.lines) {
        e = std::max(e, 8 * static_cast<int>(line.size()));
    }
    const int n = static_cast<int>(box.lines.size());
    const int w = e + 32;
    const int h = topPad + 24 + 8 * n;
    const int x0 = (640 - w) / 2;
    const int y0 = box.inGame ? (400 - h - 80) / 2 : (400 - h) / 2;

    if (!box.title.empty()) {
        ExpectGlyph(screen, x0, y0, 201, White, "top-left corner", problems);
        ExpectGlyph(screen, x0 + 8, y0, 205, White, "top edge", problems);
        ExpectGlyph(screen, x0 + e + 16, y0, 205, White, "top edge", problems);
        ExpectGlyph(screen, x0 + e + 24, y0, 187, White, "top-right corner", problems);
        const int tx = x0 + (w - 8 * static_cast<int>(box.title.size())) / 2;
        if (!screen.TextAt(tx, y0, box.title, Black)) {
            problems.push_back("title \"" + box.title + "\" not drawn in Black at (" +
                               std::to_string(tx) + "," + std::to_string(y0) + "), found \"" +
                               screen.Text(tx, y0, static_cast<int>(box.title.size())) + "\"");
        }
        // The title bar: from x0 + 16 to x0 + e + 16 only white blocks and
        // the black title (which need not sit on the blocks' 8-pixel grid).
        int stray = 0;
        for (int y = y0; y < y0 + 8; ++y) {
            for (int x = x0 + 16; x < x0 + e + 16; ++x) {
                const int c = screen.ColourAt(x, y);
                stray += c != White && c != Black;
            }
        }
        if (stray > 0) {
            problems.push_back("title bar holds " + std::to_string(stray) +
                               " pixels that are neither white nor black");
        }
    }
    for (int y = y0 + topPad; y <= y0 + topPad + 8 + 8 * n; y += 8) {
        ExpectGlyph(screen, x0, y, 186, White, "left side", problems);
        ExpectGlyph(screen, x0 + e + 24, y, 186, White, "right side", problems);
    }
    const int bottom = y0 + topPad + 16 + 8 * n;
    ExpectGlyph(screen, x0, bottom, 200, White, "bottom-left corner", problems);
    for (int x = x0 + 8; x < x0 + e + 20; x += 8) {
        ExpectGlyph(screen, x, bottom, 205, White, "bottom edge", problems);
    }
    ExpectGlyph(screen, x0 + e + 24, bottom, 188, White, "bottom-right corner", problems);
    for (int i = 0; i < n; ++i) {
        const std::string& line = box.lines[static_cast<size_t>(i)];
        const int lx = x0 + (w - 8 * static_cast<int>(line.size())) / 2;
        const int ly = y0 + topPad + 8 + 8 * i;
        const int ink = i == box.selected ? Cyan : White;
        if (!screen.TextAt(lx, ly, line, ink)) {
            problems.push_back("line " + std::to_string(i) + " \"" + line + "\" not drawn in " +
                               EgaName(ink) + " at (" + std::to_string(lx) + "," +
                               std::to_string(ly) + "), found \"" +
                               screen.Text(lx, ly, static_cast<int>(line.size())) + "\"");
        }
    }
    return problems;
}

std::vector<std::string> CheckStatusFrame(const Screen& screen) {
    std::vector<std::string> problems;
    auto cell = [&](int col, int row, int code, const char* what) {
        ExpectGlyph(screen, col * 8, row * 8, code, White, what, problems);
    };
    cell(0, 40, 201, "panel top-left");
    cell(79, 40, 187, "panel top-right");
    cell(0, 41, 186, "panel left side");
    cell(79, 41, 186, "panel right side");
    cell(0, 42, 204, "panel left junction");
    cell(79, 42, 185, "panel right junction");
    cell(0, 49, 200, "panel bottom-left");
    cell(79, 49, 188, "panel bottom-right");
    cell(21, 42, 203, "panel upper junction");
    cell(21, 49, 202, "panel lower junction");
    for (int col = 1; col < 79; ++col) {
        cell(col, 40, 205, "panel top edge");
        if (col != 21) {
            cell(col, 42, 205, "panel middle edge");
            cell(col, 49, 205, "panel bottom edge");
        }
    }
    for (int row = 43; row <= 48; ++row) {
        cell(0, row, 186, "panel left side");
        cell(21, row, 186, "panel divider");
        cell(79, row, 186, "panel right side");
    }
    return problems;
}

std::string Lines(const std::vector<std::string>& problems) {
    std::string out;
    for (const std::string& p : problems) {
        out += "  " + p + "\n";
    }
    return out;
}

} // namespace vlotest
