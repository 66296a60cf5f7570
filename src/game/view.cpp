// What the player sees of the floor, brought up to date once per frame before
// anything is drawn. Reads and marks the world; draws nothing.
#include "view.h"

#include "entity.h"
#include "game.h"
#include "map.h"
#include "music.h"
#include "tile.h"

namespace {

// The music follows the map as drawn: a guard the player remembers counts
// as much as one in view.
bool GuardShown() {
    for (const KREntity* e : entities) {
        if (e != player && e->ai != nullptr && ShownOnMap(e)) {
            return true;
        }
    }
    return false;
}

void RequestMusic(bool guardShown) {
    const MusicPatternEntry* wanted = WantedMusicPattern(guardShown);
    // A zone is a chain of segments; any of them playing is the wanted zone.
    if (wanted != nullptr && playerMovedOrAttacked && !MusicZoneQueued(wanted)) {
        SetNextMusicPattern(wanted->patternName);
    }
}

} // namespace

bool ShownOnMap(const KREntity* e) {
    if (!KRMap::InBounds(e->x, e->y)) {
        return false;
    }
    return theMap->IsVisible(e->x, e->y) || (e->visible && theMap->TileAt(e->x, e->y)->explored);
}

void UpdateView() {
    theMap->ComputeFOV(player);
    for (int y = 0; y < MapHeight; ++y) {
        for (int x = 0; x < MapWidth; ++x) {
            if (theMap->IsVisible(x, y)) {
                theMap->TileAt(x, y)->explored = true;
            }
        }
    }
    RequestMusic(GuardShown());
}
