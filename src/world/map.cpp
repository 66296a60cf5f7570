// One floor of the prison: generation of rooms and tunnels, the stairs, the
// field of view, the spawn tables and the game's single source of randomness.
// Owns tiles and rooms, never entities. No SDL, no globals of the game.
//
// Spawning: every room draws 0..maxEnemies guards and 0..maxItems items (both
// maxima from floor-indexed tables), each on a random floor cell of the room.
// An attempt on a cell that is blocked or holds a blocking entity is lost.
// Kinds are drawn from weight tables. The numbers are the rules' (rules.h).
#include "map.h"

#include <algorithm>
#include <cmath>
#include <exception>
#include <iterator>
#include <memory>
#include <random>
#include <utility>

#include "entity.h"
#include "factory.h"
#include "rules.h"

namespace {

constexpr int TileCount = MapWidth * MapHeight;

// The 2000 ray directions of the field of view, built once exactly as the
// per-call loop would: the angle accumulates in double precision by 0.18
// degrees while it stays below 360.
struct RayTable {
    static constexpr int Capacity = 2048;
    int count = 0;
    double dx[Capacity];
    double dy[Capacity];

    RayTable() {
        const double toRadians = 3.14159265358979323846 / 180.0;
        for (double angle = 0.0; angle < 360.0 && count < Capacity; angle += 0.18) {
            if (count == 0) {
                dx[0] = 1.0;
                dy[0] = 0.0;
            } else {
                dx[count] = std::cos(angle * toRadians);
                dy[count] = std::sin(angle * toRadians);
            }
            ++count;
        }
    }
};

const RayTable& Rays() {
    static const RayTable table;
    return table;
}

// Any nondeterministic source serves. The hardware generator comes first:
// where the CPU announces RDSEED but a hypervisor makes it fail, the library's
// "default" device retries it for some 35 us per draw, and a floor takes a few
// hundred draws. A source that repeats itself at once is not trusted.
std::unique_ptr<std::random_device> OpenSeedSource() {
    for (const char* token : {"rdrand", "getentropy", "/dev/urandom"}) {
        try {
            auto device = std::make_unique<std::random_device>(token);
            const unsigned a = (*device)();
            const unsigned b = (*device)();
            if (a != b) {
                return device;
            }
        } catch (const std::exception&) {
            // not available here; try the next
        }
    }
    return std::make_unique<std::random_device>("default");
}

KRTile* NewWall() {
    auto* t = new KRTile();
    t->Init(true, false);
    return t;
}

} // namespace

int RandomGetInt(int low, int high) {
    if (high < low) {
        std::swap(low, high); // an empty range is a caller's slip, not a crash
    }
    // No generator state survives a call: one fresh nondeterministic 32-bit
    // draw seeds a brand-new Mersenne Twister every time, so no floor can be
    // replayed. Only the device object is kept (per thread): opening one can
    // be a system call, and every call still takes a new value from it.
    thread_local const std::unique_ptr<std::random_device> device = OpenSeedSource();
    std::mt19937 generator((*device)());
    std::uniform_int_distribution<int> distribution(low, high);
    return distribution(generator);
}

KRMap::KRMap() : currentFloor(1) {
    // Floor-indexed tables: key = value returned, mapped = first floor it applies.
    for (const FloorStep& row : MaxGuardsPerRoom) {
        maxEnemiesTable.emplace(row.value, row.fromFloor);
    }
    for (const FloorStep& row : MaxItemsPerRoom) {
        maxItemsTable.emplace(row.value, row.fromFloor);
    }
    for (const FloorStep& row : EliteGuardWeights) {
        eliteChanceTable.emplace(row.value, row.fromFloor);
    }
}

KRMap::~KRMap() {
    for (KRTile* t : tiles) {
        delete t;
    }
    for (KRRect* r : rooms) {
        delete r;
    }
}

void KRMap::CreateMap(int floor, KREntity* player, std::list<KREntity*>& entities,
                      std::vector<void (*)(KREntity*)>& funcVec,
                      std::vector<KRItemActions (*)(KREntity*)>& useFuncVec, bool placeAtUpStairs) {
    currentFloor = floor;
    for (KRRect* r : rooms) {
        delete r;
    }
    rooms.clear();
    visibleTiles.clear();
    // A floor starts as solid opaque rock. Tiles already allocated are reset
    // in place (same state as new ones, without 3200 allocations per floor).
    if (tiles.size() == static_cast<size_t>(TileCount)) {
        for (KRTile* t : tiles) {
            t->Init(true, false);
        }
    } else {
        for (KRTile* t : tiles) {
            delete t;
        }
        tiles.clear();
        tiles.reserve(TileCount);
        for (int i = 0; i < TileCount; ++i) {
            tiles.push_back(NewWall());
        }
    }

    // All rooms and tunnels are carved before anything is placed: a tunnel
    // carved later would clear the occupancy mark of a guard standing in its
    // path, and only then is the player's arrival cell known, so no guard can
    // be put on it.
    for (int attempt = 0; attempt < RoomAttempts; ++attempt) {
        const int w = RandomGetInt(RoomMinSize, RoomMaxSize);
        const int h = RandomGetInt(RoomMinSize, RoomMaxSize);
        const int x = RandomGetInt(0, MapWidth - 1 - w);
        const int y = RandomGetInt(0, MapHeight - 1 - h);
        KRRect room;
        room.Init(x, y, w, h);
        bool overlaps = false;
        for (const KRRect* other : rooms) {
            if (room.Intersect(*other)) {
                overlaps = true;
                break;
            }
        }
        if (overlaps) {
            continue;
        }
        CreateRoom(room);
        if (!rooms.empty()) {
            // An L-shaped tunnel from the previous room's centre.
            const auto [px, py] = rooms.back()->Center();
            const auto [cx, cy] = room.Center();
            if (RandomGetInt(0, 1) == 1) {
                CreateHorzTunnel(px, cx, py);
                CreateVertTunnel(py, cy, cx);
            } else {
                CreateVertTunnel(py, cy, px);
                CreateHorzTunnel(px, cx, cy);
            }
        }
        rooms.push_back(new KRRect(room));
    }

    // The first attempt always succeeds, so there is at least one room.
    const std::pair<int, int> upStairs = rooms.front()->Center();
    const std::pair<int, int> downStairs = rooms.back()->Center();
    if (player != nullptr) {
        // Set directly: the start cell stays unmarked until the player moves.
        const std::pair<int, int> arrival = placeAtUpStairs ? upStairs : downStairs;
        player->x = arrival.first;
        player->y = arrival.second;
        player->map = this;
    }

    for (size_t i = 0; i < rooms.size(); ++i) {
        PlaceEntites(floor, *rooms[i], entities, funcVec, useFuncVec);
        if (i == 0 && floor == 1) {
            // The guard the prisoner knocked out to get this far.
            auto* body = new KREntity();
            body->Init(upStairs.first, upStairs.second, '%', "Unconscious Guard", LightBlue, this,
                       false, false, nullptr, nullptr, nullptr, nullptr, nullptr);
            entities.push_back(body);
        }
    }

    // The way onward lies in the last room, the way back in the first.
    auto* onward = new KREntity();
    if (floor == FloorCount) {
        onward->Init(downStairs.first, downStairs.second, '<', "Exit", Red, this, false, true,
                     nullptr, nullptr, nullptr, nullptr, nullptr);
    } else {
        onward->Init(downStairs.first, downStairs.second, '<', "Stairs", White, this, false, true,
                     nullptr, nullptr, nullptr, nullptr, nullptr);
    }
    entities.push_back(onward);
    if (floor != 1) {
        auto* back = new KREntity();
        back->Init(upStairs.first, upStairs.second, '>', "Stairs", White, this, false, true,
                   nullptr, nullptr, nullptr, nullptr, nullptr);
        entities.push_back(back);
    }

    // Placeholder bits; ComputeFOV overwrites all of them before any use.
    visibleTiles.reserve(TileCount);
    for (const KRTile* t : tiles) {
        visibleTiles.push_back(t->blockSight);
    }
}

void KRMap::CreateRoom(const KRRect& room) {
    // The rectangle's own border stays wall.
    for (int y = room.y1 + 1; y <= room.y2 - 1; ++y) {
        for (int x = room.x1 + 1; x <= room.x2 - 1; ++x) {
            if (InBounds(x, y)) {
                TileAt(x, y)->blocked = false;
                TileAt(x, y)->blockSight = false;
            }
        }
    }
}

void KRMap::CreateHorzTunnel(int x1, int x2, int y) {
    for (int x = std::min(x1, x2); x <= std::max(x1, x2); ++x) {
        if (InBounds(x, y)) {
            TileAt(x, y)->blocked = false;
            TileAt(x, y)->blockSight = false;
        }
    }
}

void KRMap::CreateVertTunnel(int y1, int y2, int x) {
    for (int y = std::min(y1, y2); y <= std::max(y1, y2); ++y) {
        if (InBounds(x, y)) {
            TileAt(x, y)->blocked = false;
            TileAt(x, y)->blockSight = false;
        }
    }
}

bool KRMap::IsBlocking(int x, int y, std::list<KREntity*>& entities) {
    if (!InBounds(x, y) || tiles.size() != static_cast<size_t>(TileCount)) {
        return true; // off the grid nothing can stand
    }
    if (TileAt(x, y)->blocked) {
        return true;
    }
    for (const KREntity* e : entities) {
        if (e->blocks && e->x == x && e->y == y) {
            return true;
        }
    }
    return false;
}

void KRMap::ComputeFOV(KREntity* viewer) {
    // Same size every call: the bits are cleared, never reallocated.
    if (visibleTiles.size() != static_cast<size_t>(TileCount)) {
        visibleTiles.assign(TileCount, false);
    } else {
        std::fill(visibleTiles.begin(), visibleTiles.end(), false);
    }
    if (viewer == nullptr || tiles.size() != static_cast<size_t>(TileCount) ||
        !InBounds(viewer->x, viewer->y)) {
        return;
    }
    visibleTiles[viewer->y * MapWidth + viewer->x] = true;

    // Ray casting, radius 8: each ray steps from the centre of the viewer's
    // cell; the first opaque tile on a ray is seen (walls show), nothing
    // behind it. Cells are taken by truncation toward zero.
    const double ox = viewer->x + 0.5;
    const double oy = viewer->y + 0.5;
    const RayTable& rays = Rays();
    KRTile* const* const grid = tiles.data();
    for (int r = 0; r < rays.count; ++r) {
        const double dx = rays.dx[r];
        const double dy = rays.dy[r];
        double px = ox;
        double py = oy;
        for (int step = 0; step < SightRadius; ++step) {
            px += dx;
            py += dy;
            const int cx = static_cast<int>(px);
            const int cy = static_cast<int>(py);
            if (cx < 0 || cy < 0 || cx > MapWidth - 1 || cy > MapHeight - 1) {
                break;
            }
            const int index = cy * MapWidth + cx;
            visibleTiles[index] = true;
            if (grid[index]->blockSight) {
                break;
            }
        }
    }
}

int KRMap::FromCurrentFloor(std::multimap<int, int>& table, int floor) {
    int value = 0;
    int bestFloor = 0;
    bool found = false;
    for (const auto& [rowValue, fromFloor] : table) {
        if (fromFloor <= floor && (!found || fromFloor > bestFloor)) {
            value = rowValue;
            bestFloor = fromFloor;
            found = true;
        }
    }
    return value;
}

int KRMap::RandomChoiceIndex(std::multimap<int, std::string>& chances) {
    long long sum = 0;
    for (const auto& row : chances) {
        sum += row.first;
    }
    if (sum <= 0) {
        return -1; // nothing can be chosen
    }
    const int r = RandomGetInt(1, static_cast<int>(sum));
    auto it = chances.begin();
    int index = 0;
    long long running = it->first;
    // Rows of weight 0 never hold the running total at or above r.
    while (running < r) {
        ++it;
        ++index;
        running += it->first;
    }
    return index;
}

std::string KRMap::RandomChoice(std::multimap<int, std::string>& chances) {
    const int index = RandomChoiceIndex(chances);
    if (index < 0) {
        return std::string();
    }
    auto it = chances.begin();
    std::advance(it, index);
    return it->second;
}

void KRMap::PlaceEntites(int floor, const KRRect& room, std::list<KREntity*>& entities,
                         std::vector<void (*)(KREntity*)>& funcVec,
                         std::vector<KRItemActions (*)(KREntity*)>& useFuncVec) {
    const int numEnemies = RandomGetInt(0, FromCurrentFloor(maxEnemiesTable, floor));
    const int numItems = RandomGetInt(0, FromCurrentFloor(maxItemsTable, floor));

    enemyChances.clear();
    enemyChances.emplace(GuardWeight, GuardKind.key);
    enemyChances.emplace(FromCurrentFloor(eliteChanceTable, floor), EliteGuardKind.key);

    void (*const enemyDeath)(KREntity*) = funcVec.empty() ? nullptr : funcVec[0];
    for (int i = 0; i < numEnemies; ++i) {
        const int x = RandomGetInt(room.x1 + 1, room.x2 - 1);
        const int y = RandomGetInt(room.y1 + 1, room.y2 - 1);
        if (IsBlocking(x, y, entities)) {
            continue; // the attempt is lost, not retried
        }
        const std::string key = RandomChoice(enemyChances);
        for (const EnemyKind& kind : EnemyKinds) {
            if (key != kind.key) {
                continue;
            }
            KREntity* guard = NewGuard(kind, x, y, this, enemyDeath);
            TileAt(x, y)->blocked = true; // occupancy
            entities.push_back(guard);
        }
    }

    itemChances.clear();
    itemChances.emplace(ItemKinds[0].weight, ItemKinds[0].key);
    for (size_t k = 1; k < std::size(ItemKinds); ++k) {
        itemFloorTable.clear();
        itemFloorTable.emplace(ItemKinds[k].weight, ItemKinds[k].firstFloor);
        itemChances.emplace(FromCurrentFloor(itemFloorTable, floor), ItemKinds[k].key);
    }

    for (int i = 0; i < numItems; ++i) {
        const int x = RandomGetInt(room.x1 + 1, room.x2 - 1);
        const int y = RandomGetInt(room.y1 + 1, room.y2 - 1);
        if (IsBlocking(x, y, entities)) {
            continue;
        }
        const std::string key = RandomChoice(itemChances);
        for (const ItemKind& kind : ItemKinds) {
            if (key != kind.key) {
                continue;
            }
            KREntity* thing = NewItem(kind, x, y, this, useFuncVec);
            entities.push_back(thing);
            // Items lie at the front of the list: drawn beneath everyone.
            thing->SendToBack(entities);
        }
    }
}
