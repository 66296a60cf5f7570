// One cell of the floor grid. No SDL, no knowledge of entities.
#pragma once

class KRTile {
public:
    // Also the occupancy mark of blocking entities: set under the player and
    // every living guard (see KREntity::Move).
    bool blocked;
    bool blockSight;
    bool explored;

    KRTile();
    // An opaque wall is Init(true, false): sight follows `blocked` unless
    // `blockSight` is asked for explicitly.
    void Init(bool blocked, bool blockSight);
};
