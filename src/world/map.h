// One floor: the 80 x 40 grid, its rooms, the field of view and the spawn
// tables. Owns tiles and rooms, never entities. No SDL.
#pragma once

#include <list>
#include <map>
#include <string>
#include <vector>

#include "item.h"
#include "rect.h"
#include "tile.h"

class KREntity;

constexpr int MapWidth = 80;
constexpr int MapHeight = 40;

// The game's only randomness: uniform in [low, high] (a reversed range is
// read the right way round). Every call seeds a new Mersenne Twister from a
// fresh nondeterministic draw, so nothing can be replayed from a seed.
int RandomGetInt(int low, int high);

class KRMap {
public:
    std::vector<bool> visibleTiles;
    std::vector<KRTile*> tiles;
    std::vector<KRRect*> rooms;
    std::multimap<int, int> maxEnemiesTable;
    std::multimap<int, int> maxItemsTable;
    std::multimap<int, int> itemFloorTable;
    std::multimap<int, int> eliteChanceTable;
    std::multimap<int, std::string> enemyChances;
    std::multimap<int, std::string> itemChances;
    int currentFloor;

    KRMap();
    ~KRMap();
    KRMap(const KRMap&) = delete;
    KRMap& operator=(const KRMap&) = delete;

    // Carves a new floor and populates it. `entities` holds the player (and
    // nothing else of the previous floor); the player lands on the first
    // room's centre (placeAtUpStairs) or on the way onward, unmarked, and no
    // guard is ever placed on that cell.
    void CreateMap(int floor, KREntity* player, std::list<KREntity*>& entities,
                   std::vector<void (*)(KREntity*)>& funcVec,
                   std::vector<KRItemActions (*)(KREntity*)>& useFuncVec, bool placeAtUpStairs);
    void CreateRoom(const KRRect& room);
    void CreateHorzTunnel(int x1, int x2, int y);
    void CreateVertTunnel(int y1, int y2, int x);
    bool IsBlocking(int x, int y, std::list<KREntity*>& entities);
    // Ray casting, radius 8; allocates nothing once the bits exist.
    void ComputeFOV(KREntity* viewer);

    int FromCurrentFloor(std::multimap<int, int>& table, int floor);
    // Position in map order, chosen with probability proportional to weight;
    // -1 (and "" from RandomChoice) when no row has a positive weight.
    int RandomChoiceIndex(std::multimap<int, std::string>& chances);
    std::string RandomChoice(std::multimap<int, std::string>& chances);
    void PlaceEntites(int floor, const KRRect& room, std::list<KREntity*>& entities,
                      std::vector<void (*)(KREntity*)>& funcVec,
                      std::vector<KRItemActions (*)(KREntity*)>& useFuncVec);

    // Tile at (x, y); the caller keeps x in 0..79 and y in 0..39.
    KRTile* TileAt(int x, int y) const { return tiles[y * MapWidth + x]; }
    bool IsVisible(int x, int y) const { return visibleTiles[y * MapWidth + x]; }
    static bool InBounds(int x, int y) { return x >= 0 && x < MapWidth && y >= 0 && y < MapHeight; }
};
