// Property: LoadGame over any game.sav content, with a running game in
// place, returns 0, -1, -2 or -3 and throws nothing. Whenever it does not
// return 0 it gives a reason, and the running game is exactly as it was
// (entities, inventory, map, log, settings, game-state globals: same
// objects, same values). When it returns 0 the loaded game holds together
// and can be played: a player with a fighter and slots who is alive with
// 1..maxHP hit points or defeated with 0..maxHP, level 1 or more, stats and
// bonuses far from any overflow, only a handful of level-ups waiting, at
// most 26 things carried and a bounded floor, every entity on the 80 x 40
// grid in one of the 16 colours, names and log lines the font draws as text,
// `entities` and `inventory` disjoint and free of repeats, each worn item
// carried, a tile blocked exactly where the file says so or a fighter
// stands; the game can be saved again and that save loads, and the player
// and the guards can take their turns on it.
#include <algorithm>
#include <climits>
#include <cstddef>
#include <cstdint>
#include <set>
#include <string>
#include <vector>

#include "commands.h"
#include "game_fuzz_support.h"
#include "korJSON/korJSON.h"
#include "rules.h"

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
    playerAction = NoTurn;
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

// How many level-ups in a row the loaded experience brings, one dialog each.
int LevelUpsWaiting(const KRFighter* f) {
    int level = f->level;
    int xp = f->xp;
    int count = 0;
    while (xp >= LevelUpThreshold(level) && count <= 100) {
        xp -= LevelUpThreshold(level);
        ++level;
        ++count;
    }
    return count;
}

// Far from overflow: every sum the rules make of the fighter stays in range.
void CheckFighter(const KRFighter* f) {
    CHECK(f->maxHP >= 1 && f->maxHP <= MaxSavedHP && f->hp >= 0 && f->hp <= f->maxHP);
    CHECK(f->power >= 0 && f->power <= MaxSavedStat);
    CHECK(f->defense >= 0 && f->defense <= MaxSavedStat);
    CHECK(f->level >= 1 && f->level <= MaxSavedLevel && f->xp >= 0 && f->xp <= MaxSavedXP);
    const long long widest = static_cast<long long>(f->GetMaxHP(false)) + f->GetPower(false) +
                             f->GetDefense(false) + LevelUpThreshold(f->level);
    CHECK(widest < INT_MAX / 2);
}

// The font obeys "^C" colour markup, and a line beyond a few screens' width
// would be drawn in part every frame.
void CheckText(const std::string& text) {
    CHECK(text.size() <= MaxSavedText);
    CHECK(text.find('^') == std::string::npos);
}

void CheckLoadedGame() {
    CHECK(player != nullptr && player->fighter != nullptr && player->equipment != nullptr);
    CHECK(player->name == "Player");
    CHECK(Contains(entities, player));
    CHECK(theMap != nullptr);
    CHECK(theMap->currentFloor >= 1 && theMap->currentFloor <= 10);
    CHECK(theMap->tiles.size() == static_cast<std::size_t>(MapWidth * MapHeight));
    CHECK(theMap->visibleTiles.size() == theMap->tiles.size());
    CHECK(gameState == GameStatePlaying || gameState == GameStatePlayerDead);
    CHECK(player->fighter->hp >= (gameState == GameStatePlaying ? 1 : 0));
    CHECK(LevelUpsWaiting(player->fighter) <= 10);
    CHECK(entities.size() <= static_cast<std::size_t>(MaxSavedEntities));
    CHECK(inventory.size() <= InventoryLimit);
    CHECK(message->messages.size() <= 6 * 3); // six lines, each wrapped anew

    std::set<const KREntity*> seen;
    std::vector<bool> fighterAt(theMap->tiles.size(), false);
    for (const KREntity* e : entities) {
        CHECK(seen.insert(e).second);
        CHECK(KRMap::InBounds(e->x, e->y));
        CHECK(e->map == theMap);
        CHECK(static_cast<int>(e->color) >= 0 && static_cast<int>(e->color) < 16);
        CheckText(e->name);
        if (e->fighter != nullptr) {
            CHECK(e->fighter->owner == e);
            CHECK(e->item == nullptr); // nothing can pick up or use up a fighter
            CheckFighter(e->fighter);
            CHECK(e == player || e->fighter->hp >= 1);
            fighterAt[e->y * MapWidth + e->x] = true;
        }
    }
    for (const KREntity* e : inventory) {
        CHECK(seen.insert(e).second); // also: not on the floor
        CHECK(e->fighter == nullptr && e->ai == nullptr && e->item != nullptr);
        CHECK(KRMap::InBounds(e->x, e->y));
        CHECK(static_cast<int>(e->color) >= 0 && static_cast<int>(e->color) < 16);
        CheckText(e->name);
        if (const KREquippable* q = e->equippable) {
            CHECK(q->powerBonus >= 0 && q->powerBonus <= MaxSavedBonus);
            CHECK(q->defenseBonus >= 0 && q->defenseBonus <= MaxSavedBonus);
            CHECK(q->maxHPBonus >= 0 && q->maxHPBonus <= MaxSavedBonus);
        }
    }
    for (const std::string& line : message->messages) {
        CheckText(line);
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
    // Leaving must be able to save it again, and the next frames must be
    // able to run on it: the player steps or attacks each way, the guards
    // answer.
    theMap->ComputeFOV(player);
    CHECK(SaveGame());
    std::string again;
    CHECK(LoadGame(again) == 0);
    theMap->ComputeFOV(player);
    const int steps[4][2] = {{0, -1}, {1, 0}, {0, 1}, {-1, 0}};
    for (const auto& step : steps) {
        if (gameState != GameStatePlaying) {
            break;
        }
        PlayerMoveOrAttack(step[0], step[1]);
        for (KREntity* e : std::list<KREntity*>(entities)) {
            if (e->ai != nullptr && Contains(entities, e)) {
                e->ai->TakeTurn(player, message);
            }
        }
        theMap->ComputeFOV(player);
    }
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
    std::string reason;
    int result = 1;
    try {
        result = LoadGame(version, &reason);
    } catch (...) {
        CHECK(false);
    }
    if (result == 0) {
        CheckLoadedGame();
        StartRunningGame(); // the next input meets a running game again
        return 0;
    }
    CHECK(result == -1 || result == -2 || result == -3);
    CHECK(!reason.empty());
    CHECK(vlofuzz::PictureOfGame() == before);
    return 0;
}
