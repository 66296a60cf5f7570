// The current game and its floors: a fresh game, the step onward and the
// step back, and releasing the world. Nothing here draws or reads input.
#pragma once

// Deletes every entity of `entities` and `inventory`; `player` becomes null.
void DestroyEntities();
// Fills funcVec and useFuncVec in the order the catalogue's use indices and
// saved games expect.
void FillFunctionTables();
// Replaces any game with a new one on floor 1: the player, the baton worn,
// a fresh floor and a cleared log. Always true.
bool NewGame();
// The stairs down: a rest (half the maximum hit points back), then the next
// floor with the player on its way back.
void NextFloor();
// The stairs up: the previous floor anew, the player on its way onward.
void PreviousFloor();
