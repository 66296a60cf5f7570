// The one saved game, game.sav: the current floor, its entities, the carried
// inventory, the shown log lines and the game state.
#pragma once

#include <string>

// Writes game.sav; false without a whole floor or when it cannot be written,
// with why in `reason` when one is given. Throws std::runtime_error when
// building the document fails.
bool SaveGame(std::string* reason = nullptr);
// Replaces the current game with game.sav. 0 on success; -1 missing or
// damaged, -2 wrong signature, -3 other version (its version in
// savedVersion). A refused file leaves the current game untouched and puts
// why, in a few plain words, into `reason` when one is given. Nothing in the
// file can make it throw: every member is checked for kind and range first.
int LoadGame(std::string& savedVersion, std::string* reason = nullptr);
