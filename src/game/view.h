// What the player sees of the floor, brought up to date once per frame before
// anything is drawn: the field of view, the tiles it explores, and the music
// it calls for. Draws nothing and needs no font or surface, so the rules that
// depend on sight (guards, the tranquilizer gun, aiming) run without drawing.
#pragma once

class KREntity;

// Recomputes the player's field of view, marks every tile in it explored, and
// queues entry 1 of the music when a guard is shown on the map (entry 0 when
// none is), but only in a frame where the player moved or attacked and only
// when that zone is not already queued. Call it wherever the world may have
// changed since the last frame and before drawing. Needs theMap and player.
void UpdateView();
// Whether the map shows `e` now: in view, or remembered (its `visible` flag
// set on an explored tile). False off the map.
bool ShownOnMap(const KREntity* e);
