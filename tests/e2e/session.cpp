// Player steps for the end-to-end tests.
#include "session.h"

#include <chrono>
#include <thread>

namespace vlotest {

const std::vector<std::string> kMainMenuEntries = {"New Game", "Load Game", "Options", "Help",
                                                   "Quit"};

std::vector<std::string> Highlighted(const std::vector<std::string>& entries, int selected) {
    std::vector<std::string> lines = entries;
    if (selected >= 0 && selected < static_cast<int>(lines.size())) {
        lines[static_cast<size_t>(selected)] = "> " + lines[static_cast<size_t>(selected)] + " <";
    }
    return lines;
}

GameProcess& GameSession::LaunchToMainMenu(bool& ok) {
    GameProcess& game = Launch();
    WaitMainMenu(0, ok);
    return game;
}

Screen GameSession::WaitMainMenu(int selected, bool& ok, const std::string& label) {
    const std::string wanted = "> " + kMainMenuEntries[static_cast<size_t>(selected)] + " <";
    return WaitFor(
        label,
        [&](const Screen& s) {
            return s.Contains(" Version 0.3 ", Black) && s.Contains(wanted, Cyan);
        },
        ok);
}

Screen GameSession::StartNewGame(bool& ok) {
    Press({"Return"});
    return WaitFor(
        "new-game",
        [](const Screen& s) { return FindPlayer(s).has_value() && !FloorText(s).empty(); }, ok,
        8000);
}

Screen GameSession::WaitPlayerMoved(CellPos from, bool expectMove, bool& ok,
                                    const std::string& label) {
    if (expectMove) {
        return WaitFor(
            label,
            [&](const Screen& s) {
                const auto at = FindPlayer(s);
                return at.has_value() && *at != from;
            },
            ok, 3000);
    }
    // Nothing to wait for when nothing should change: give the game a few
    // 60 ms frames, then look.
    std::this_thread::sleep_for(std::chrono::milliseconds(400));
    Screen s = Shot(label);
    const auto at = FindPlayer(s);
    ok = at.has_value() && *at == from;
    return s;
}

const char* GameSession::ArrowKey(int direction) {
    static const char* const keys[4] = {"Up", "Down", "Left", "Right"};
    return keys[direction & 3];
}

CellPos GameSession::Step(CellPos from, int direction) {
    static const int dx[4] = {0, 0, -1, 1};
    static const int dy[4] = {-1, 1, 0, 0};
    return CellPos{from.column + dx[direction & 3], from.row + dy[direction & 3]};
}

int GameSession::OpenDirection(const Screen& screen, CellPos at) {
    for (int d = 0; d < 4; ++d) {
        const CellPos next = Step(at, d);
        if (next.column >= 0 && next.column < kMapColumns && next.row >= 0 && next.row < kMapRows &&
            IsFloor(screen.Cell(next.column, next.row))) {
            return d;
        }
    }
    return -1;
}

} // namespace vlotest
