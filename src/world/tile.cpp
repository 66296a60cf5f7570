// One cell of the floor grid. Knows nothing of entities or of the map.
#include "tile.h"

KRTile::KRTile() : blocked(false), blockSight(false), explored(false) {}

void KRTile::Init(bool blocked_, bool blockSight_) {
    blocked = blocked_;
    // A blocked tile is opaque unless said otherwise; there are no windows.
    blockSight = blockSight_ ? true : blocked_;
    explored = false;
}
