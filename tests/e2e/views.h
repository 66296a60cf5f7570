// What the game's screens look like, read from screenshots: the map and the
// player, the status panel, the log, and the geometry of a titled box.
// Builds on the glyph reader only; knows the layout, not the game's code.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "glyphs.h"

namespace vlotest {

constexpr int kMapColumns = 80;
constexpr int kMapRows = 40;

struct CellPos {
    int column = 0;
    int row = 0;
    bool operator==(const CellPos& o) const { return column == o.column && row == o.row; }
    bool operator!=(const CellPos& o) const { return !(*this == o); }
};

// The player's '@' (LightGreen) on the map, if drawn exactly once.
std::optional<CellPos> FindPlayer(const Screen& screen);
// A map cell drawn as floor ('.' in view or remembered).
bool IsFloor(const Glyph& g);
// A map cell never seen (black).
bool IsUnseen(const Glyph& g);

// "Floor #N" at pixel (8, 360) in LightGray, as text ("" when absent).
std::string FloorText(const Screen& screen);

struct LogLine {
    std::string text; // trailing blanks removed
    int ink = -1;     // colour of its first glyph
    bool operator==(const LogLine& o) const { return text == o.text && ink == o.ink; }
};
// The six log lines of the status panel, from pixel (176, 344) downwards.
std::vector<LogLine> LogLines(const Screen& screen);

// Every difference between the map areas of two screenshots, as
// "(column,row) a -> b" lines (empty when they show the same map).
std::vector<std::string> MapDifferences(const Screen& a, const Screen& b);

// A titled box as the dialogs draw it: width from the longest of title and
// lines, a white title bar with the title in black, lines centred, the
// selected line in Cyan; centred on the window, or over the map in a game.
struct TitledBox {
    std::string title;
    std::vector<std::string> lines; // as shown (already wrapped, no markup)
    int selected = -1;
    bool inGame = false;
};
// Every way the screenshot departs from that box (empty when it matches).
std::vector<std::string> CheckTitledBox(const Screen& screen, const TitledBox& box);

// The status panel's frame: double-line glyphs in White, junctions at
// column 21 (empty when it matches).
std::vector<std::string> CheckStatusFrame(const Screen& screen);

// Joins problem lines for a failure message.
std::string Lines(const std::vector<std::string>& problems);

} // namespace vlotest
