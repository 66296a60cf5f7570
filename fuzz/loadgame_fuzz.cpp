// Property: LoadGame over any game.sav content, with a running game in
// place, returns 0, -1, -2 or -3 or raises std::runtime_error starting with
// "Error while loading game: ", nothing else. Whenever it does not return 0
// the running game is exactly as it was (entities, inventory, map, log,
// settings, game-state globals: same objects, same values). When it returns
// 0 the loaded game holds together: a player with a fighter and slots, every
// entity on the 80 x 40 grid, `entities` and `inventory` disjoint and free of
// repeats, each worn item carried, a tile blocked exactly where the file
// says so or a fighter stands, and the game can be saved again.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

#include "game_fuzz_support.h"
#include "korJSON/korJSON.h"

namespace {

// A game as the player has it: a generated floor, the starting baton worn, a
// spray and a shield carried, a few lines in the log, changed settings.
void StartRunningGame() {
    if (message == nullptr) {
        message = new KRMessage();
    }
    NewGame();
    auto* shield = new KREntity();
    auto* wearable = new KREquippable();
    wearable->slot = 1;
    wearable->defenseBonus = 2;
    shield->Init(0, 0, '[', "Riot Shield", Brown, theMap, false, true, nullptr, nullptr, nullptr,
                 nullptr, wearable);
    inventory.push_front(shield);
    player->equipment->ToggleEquip(shield);
    auto* spray = new KRItem();
    spray->Init(UsePepperSpray, nullptr);
    auto* can = new KREntity();
    can->Init(0, 0, '!', "Pepper Spray", Yellow, theMap, false, true, nullptr, nullptr, spray,
              nullptr, nullptr);
    inventory.push_front(can);
    for (int i = 0; i < 4; ++i) {
        message->SetMessage("Step " + std::to_string(i), false);
    }
    inventoryMessages = {"a) Pepper Spray"};
    SetDefaultGameSettings();
    musicVolume = 40;
    fullscreen = false;
    playerAction = 1;
    theMap->ComputeFOV(player);
}

bool Contains(const std::list<KREntity*>& list, const KREntity* e) {
    return std::find(list.begin(), list.end(), e) != list.end();
}

// The "b" marks of the file that just loaded, tile by tile.
std::vector<bool> BlockedMarksOfTheFile() {
    korJSON::korJSONData root(korJSON::Null);
    korJSON::korJSONStream stream;
    CHECK(stream.ParseFile("game.sav", root, korJSON::JSON));
    korJSON::korJSONData& map = root["Map"];
    std::vector<bool> marks;
    for (unsigned i = 0; i < map.arraySize(); ++i) {
        marks.push_back(map[static_cast<int>(i)]["b"].convertTo<int>(false, 0) == 1);
    }
    return marks;
}

void CheckLoadedGame() {
    CHECK(player != nullptr && player->fighter != nullptr && player->equipment != nullptr);
    CHECK(player->name == "Player");
    CHECK(Contains(entities, player));
    CHECK(theMap != nullptr);
    CHECK(theMap->currentFloor >= 1 && theMap->currentFloor <= 10);
    CHECK(theMap->tiles.size() == static_cast<std::size_t>(MapWidth * MapHeight));
    CHECK(theMap->visibleTiles.size() == theMap->tiles.size());

    std::set<const KREntity*> seen;
    std::vector<bool> fighterAt(theMap->tiles.size(), false);
    for (const KREntity* e : entities) {
        CHECK(seen.insert(e).second);
        CHECK(KRMap::InBounds(e->x, e->y));
        CHECK(e->map == theMap);
        CHECK(static_cast<int>(e->color) >= 0 && static_cast<int>(e->color) < 16);
        if (e->fighter != nullptr) {
            CHECK(e->fighter->owner == e);
            fighterAt[e->y * MapWidth + e->x] = true;
        }
    }
    for (const KREntity* e : inventory) {
        CHECK(seen.insert(e).second); // also: not on the floor
        CHECK(e->fighter == nullptr && e->ai == nullptr);
        CHECK(static_cast<int>(e->color) >= 0 && static_cast<int>(e->color) < 16);
    }
    const KREntity* slots[] = {player->equipment->mainHand, player->equipment->offHand};
    for (int slot = 0; slot < 2; ++slot) {
        const KREntity* worn = slots[slot];
        CHECK(worn == nullptr || (Contains(inventory, worn) && worn->equippable != nullptr &&
                                  worn->equippable->slot == slot));
    }

    const std::vector<bool> marks = BlockedMarksOfTheFile();
    CHECK(marks.size() == theMap->tiles.size());
    for (std::size_t i = 0; i < marks.size(); ++i) {
        CHECK(theMap->tiles[i]->blocked == (marks[i] || fighterAt[i]));
    }
    // The next frame must be able to run on it, and leaving must be able to
    // save it again.
    theMap->ComputeFOV(player);
    CHECK(SaveGame());
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const bool ready = [] {
        vlofuzz::EnterScratchFolder();
        StartRunningGame();
        return true;
    }();
    (void)ready;
    if (!vlofuzz::WriteInput("game.sav", data, size)) {
        return 0;
    }
    const std::string before = vlofuzz::PictureOfGame();
    std::string version;
    int result = 1;
    try {
        result = LoadGame(version);
    } catch (const std::runtime_error& e) {
        const std::string text = e.what();
        CHECK(text.rfind("Error while loading game: ", 0) == 0);
    } catch (...) {
        CHECK(false);
    }
    if (result == 0) {
        CheckLoadedGame();
        StartRunningGame(); // the next input meets a running game again
        return 0;
    }
    CHECK(result == 1 || result == -1 || result == -2 || result == -3);
    CHECK(vlofuzz::PictureOfGame() == before);
    return 0;
}
