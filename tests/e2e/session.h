// The steps a player takes, as the end-to-end tests need them: wait for the
// main menu, start a game, step on the map. Builds on the harness and the
// screen readers; every step is bounded by a timeout.
#pragma once

#include <string>
#include <vector>

#include "harness.h"
#include "views.h"

namespace vlotest {

// The main menu's entries in order.
extern const std::vector<std::string> kMainMenuEntries;

// The lines of a menu box with `selected` written as "> entry <".
std::vector<std::string> Highlighted(const std::vector<std::string>& entries, int selected);

class GameSession : public E2ETest {
protected:
    // Starts the game and waits for its main menu with "New Game" highlighted.
    GameProcess& LaunchToMainMenu(bool& ok);
    // Waits for the main menu with entry `selected` highlighted.
    Screen WaitMainMenu(int selected, bool& ok, const std::string& label = "main-menu");
    // From the main menu with "New Game" highlighted: Return, then waits for
    // the map with the player and the floor counter.
    Screen StartNewGame(bool& ok);
    // Waits until the player is drawn somewhere other than `from` (or, with
    // `expectMove` false, checks after a few frames that it stayed).
    Screen WaitPlayerMoved(CellPos from, bool expectMove, bool& ok, const std::string& label);

    // Arrow keysym and step for a direction 0-3 (up, down, left, right).
    static const char* ArrowKey(int direction);
    static CellPos Step(CellPos from, int direction);
    // A direction whose neighbouring cell is floor, or -1.
    static int OpenDirection(const Screen& screen, CellPos at);
};

} // namespace vlotest
