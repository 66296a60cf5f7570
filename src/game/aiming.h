// Aiming with the mouse for the items that need a target: modal loops on
// the game's frame clock that redraw the game every frame.
#pragma once

#include <utility>

class KREntity;

// The visible cell the player left-clicks, or (-1, -1) when cancelled (right
// click, Escape, or a close request, which also sets gameOver). Blocks.
std::pair<int, int> TargetTile(int maxRange);
// The guard on the clicked cell; clicks on cells without one are ignored.
// Null when cancelled. Blocks.
KREntity* TargetEnemy(int maxRange);
