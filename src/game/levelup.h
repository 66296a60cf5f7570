// Levelling up: the threshold is met, the level rises and the player picks
// the stat to improve in a dialog.
#pragma once

// False when the player's experience is below the threshold. Otherwise
// raises the level by one, keeps the surplus, blocks in the stat dialog
// until Return (a close request ends it and sets gameOver) and returns true.
bool CheckLevelUp();
