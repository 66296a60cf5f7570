// The one saved game, game.sav: the current floor, its entities, the carried
// inventory, the shown log lines and the game state. Behaviour is never
// stored; it is rebuilt from names. Reaches the rest only through globals.
#include "savegame.h"

#include <algorithm>
#include <exception>
#include <iostream>
#include <memory>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "basicenemy.h"
#include "death.h"
#include "docnodes.h"
#include "entity.h"
#include "equipment.h"
#include "fighter.h"
#include "floors.h"
#include "game.h"
#include "item.h"
#include "korJSON/korJSON.h"
#include "map.h"
#include "message.h"
#include "rules.h"
#include "tile.h"

namespace {

using korJSON::korJSONData;
using korJSON::korJSONDataType;

const char* const SaveFile = "game.sav";
constexpr unsigned ShownLines = 6;
constexpr int ColorCount = 16;

// ---- writing -------------------------------------------------------------------

// The members a floor entity and a carried item share.
void WriteEntityMembers(korJSONData& out, const KREntity& e) {
    out.insert("X", IntNode(e.x));
    out.insert("Y", IntNode(e.y));
    out.insert("Appearance", IntNode(e.appearance));
    out.insert("Color", IntNode(static_cast<int>(e.color)));
    out.insert("Name", StringNode(e.name));
    out.insert("Blocks", BoolNode(e.blocks));
    out.insert("Visible", BoolNode(e.visible));
    out.insert("Equippable", BoolNode(e.equippable != nullptr));
    if (e.equippable != nullptr) {
        out.insert("Slot", IntNode(e.equippable->slot));
        out.insert("PowerBonus", IntNode(e.equippable->powerBonus));
        out.insert("DefenseBonus", IntNode(e.equippable->defenseBonus));
        out.insert("MaxHPBonus", IntNode(e.equippable->maxHPBonus));
    }
}

// Base stats only: equipment bonuses come back with the worn items.
void WriteFighterMembers(korJSONData& out, const KRFighter* f) {
    out.insert("Fighter", BoolNode(f != nullptr));
    if (f == nullptr) {
        return;
    }
    out.insert("MaxHP", IntNode(f->GetMaxHP(true)));
    out.insert("HP", IntNode(f->hp));
    out.insert("Defense", IntNode(f->GetDefense(true)));
    out.insert("Power", IntNode(f->GetPower(true)));
    out.insert("Level", IntNode(f->level));
    out.insert("XP", IntNode(f->xp));
}

// Tiles under entities are written unblocked: the loader marks the cells of
// the player and the living guards again, and nothing else should be blocked.
DocNode WriteMap() {
    std::vector<bool> occupied(MapWidth * MapHeight, false);
    for (const KREntity* e : entities) {
        if (KRMap::InBounds(e->x, e->y)) {
            occupied[e->y * MapWidth + e->x] = true;
        }
    }
    auto tiles = std::make_shared<korJSONData>(korJSONDataType::Array);
    for (int i = 0; i < MapWidth * MapHeight; ++i) {
        const KRTile* t = theMap->tiles[i];
        auto tile = std::make_shared<korJSONData>(korJSONDataType::Object);
        tile->insert("b", IntNode(t->blocked && !occupied[i] ? 1 : 0));
        tile->insert("bs", IntNode(t->blockSight ? 1 : 0));
        tile->insert("e", IntNode(t->explored ? 1 : 0));
        tiles->push_back(tile);
    }
    return tiles;
}

void BuildDocument(korJSONData& root) {
    root.insert("Signature", StringNode(SAVEGAMESIG));
    root.insert("Version", StringNode(GAMEVERSION));
    root.insert("CurrentFloor", IntNode(theMap->currentFloor));
    root.insert("Width", UIntNode(MapWidth));
    root.insert("Height", UIntNode(MapHeight));
    root.insert("Map", WriteMap());

    root.insert("NumEntities", UIntNode(static_cast<unsigned>(entities.size())));
    auto list = std::make_shared<korJSONData>(korJSONDataType::Array);
    for (entityIterator = entities.begin(); entityIterator != entities.end(); ++entityIterator) {
        auto object = std::make_shared<korJSONData>(korJSONDataType::Object);
        WriteEntityMembers(*object, **entityIterator);
        WriteFighterMembers(*object, (*entityIterator)->fighter);
        list->push_back(object);
    }
    root.insert("Entities", list);

    // Counted from the back, so "Order" 0 is the oldest carried item.
    root.insert("NumInventoryItems", UIntNode(static_cast<unsigned>(inventory.size())));
    auto items = std::make_shared<korJSONData>(korJSONDataType::Array);
    unsigned k = 0;
    for (auto it = inventory.rbegin(); it != inventory.rend(); ++it, ++k) {
        auto object = std::make_shared<korJSONData>(korJSONDataType::Object);
        object->insert("Order", UIntNode(k));
        WriteEntityMembers(*object, **it);
        items->push_back(object);
    }
    root.insert("InventoryItems", items);

    // The lines the panel shows, oldest first: the newest gets Order m - 1.
    std::vector<std::string> shown;
    if (message != nullptr) {
        for (const std::string& line : message->messages) {
            if (shown.size() == ShownLines) {
                break;
            }
            shown.push_back(line);
        }
    }
    const auto m = static_cast<unsigned>(shown.size());
    root.insert("NumGameMessages", UIntNode(m));
    auto lines = std::make_shared<korJSONData>(korJSONDataType::Array);
    for (unsigned i = 0; i < m; ++i) {
        auto object = std::make_shared<korJSONData>(korJSONDataType::Object);
        object->insert("Order", UIntNode(i));
        object->insert("Message", StringNode(shown[m - 1 - i]));
        lines->push_back(object);
    }
    root.insert("GameMessages", lines);
    root.insert("GameState", IntNode(gameState));
}

// ---- reading -------------------------------------------------------------------
//
// Loading runs in two stages. The document is first read completely into the
// plain records below and checked; only a save that passes every check
// replaces the current game. A refused or damaged file therefore never leaves
// a half-built world behind.

struct SavedTile {
    bool blocked;
    bool blockSight;
    bool explored;
};

// A floor entity or a carried item.
struct SavedThing {
    unsigned order = 0;
    int x = 0;
    int y = 0;
    int appearance = 0;
    int color = 0;
    std::string name;
    bool blocks = false;
    bool visible = false;
    bool equippable = false;
    int slot = 0;
    int powerBonus = 0;
    int defenseBonus = 0;
    int maxHPBonus = 0;
    bool fighter = false;
    int maxHP = 0;
    int hp = 0;
    int defense = 0;
    int power = 0;
    int level = 0;
    int xp = 0;
};

struct SavedGame {
    int currentFloor = 1;
    std::vector<SavedTile> tiles;
    std::vector<SavedThing> floor;
    std::vector<SavedThing> carried;
    std::vector<std::pair<unsigned, std::string>> lines;
    int gameState = 0;
};

int ReadInt(korJSONData& object, const char* key) {
    return object[key].convertTo<int>(false, 0);
}

unsigned ReadUInt(korJSONData& object, const char* key) {
    return object[key].convertTo<unsigned int>(false, 0);
}

bool ReadBool(korJSONData& object, const char* key) {
    return object[key].convertTo<bool>(false, false);
}

// Whether the writer can put this text back into a save. The reader passes
// any bytes through, but the writer refuses what is not UTF-8; a game loaded
// with such a name or log line could never be saved again, and leaving it
// with Escape would end the program and lose everything since the load.
bool WritableText(const std::string& text) {
    try {
        korJSON::korJSONStream().ConvertToEscapedString(text);
        return true;
    } catch (const std::runtime_error&) {
        return false;
    }
}

// Reads the members shared by entities and items; false when the colour
// cannot index the font's coloured sheets or the name could not be saved.
bool ReadThing(korJSONData& in, SavedThing& out) {
    out.x = ReadInt(in, "X");
    out.y = ReadInt(in, "Y");
    out.appearance = ReadInt(in, "Appearance") & 0xFF;
    out.color = ReadInt(in, "Color");
    out.name = in["Name"].toString();
    out.blocks = ReadBool(in, "Blocks");
    out.visible = ReadBool(in, "Visible");
    out.equippable = ReadBool(in, "Equippable");
    if (out.equippable) {
        out.slot = ReadInt(in, "Slot");
        out.powerBonus = ReadInt(in, "PowerBonus");
        out.defenseBonus = ReadInt(in, "DefenseBonus");
        out.maxHPBonus = ReadInt(in, "MaxHPBonus");
    }
    return out.color >= 0 && out.color < ColorCount && WritableText(out.name);
}

void ReadFighter(korJSONData& in, SavedThing& out) {
    out.fighter = ReadBool(in, "Fighter");
    if (!out.fighter) {
        return;
    }
    out.maxHP = ReadInt(in, "MaxHP");
    out.hp = ReadInt(in, "HP");
    out.defense = ReadInt(in, "Defense");
    out.power = ReadInt(in, "Power");
    out.level = ReadInt(in, "Level");
    out.xp = ReadInt(in, "XP");
}

// 0 when `root` holds a complete, playable game, now in `out`; otherwise the
// refusal -1, -2 or -3. Damage inside elements raises the library's errors.
int ReadSave(korJSONData& root, SavedGame& out, std::string& savedVersion) {
    if (!root.contains("Signature")) {
        return -1;
    }
    if (root["Signature"].toString() != SAVEGAMESIG) {
        std::cout << "Save game signature invalid!" << std::endl;
        return -2;
    }
    if (!root.contains("Version")) {
        return -1;
    }
    savedVersion = root["Version"].toString();
    if (savedVersion != GAMEVERSION) {
        std::cout << "Save game version doesn't match! (Save Game Version: " << savedVersion
                  << " / Game Version: " << GAMEVERSION << ")" << std::endl;
        return -3;
    }

    // Every grid index of the game assumes one fixed 80 x 40 floor.
    if (!root.contains("CurrentFloor") || !root.contains("Width") || !root.contains("Height")) {
        return -1;
    }
    out.currentFloor = ReadInt(root, "CurrentFloor");
    if (out.currentFloor < 1 || out.currentFloor > FloorCount) {
        return -1;
    }
    if (ReadInt(root, "Width") != MapWidth || ReadInt(root, "Height") != MapHeight) {
        return -1;
    }
    if (!root.contains("Map")) {
        return -1;
    }
    korJSONData& map = root["Map"];
    const unsigned tileCount = map.arraySize();
    if (tileCount != static_cast<unsigned>(MapWidth * MapHeight)) {
        return -1;
    }
    out.tiles.reserve(tileCount);
    for (unsigned i = 0; i < tileCount; ++i) {
        korJSONData& t = map[static_cast<int>(i)];
        const bool blocked = ReadInt(t, "b") == 1;
        const bool blockSight = ReadInt(t, "bs") == 1;
        const bool explored = ReadInt(t, "e") == 1;
        out.tiles.push_back({blocked, blockSight, explored});
    }

    if (!root.contains("NumEntities") || !root.contains("Entities")) {
        return -1;
    }
    korJSONData& list = root["Entities"];
    const unsigned entityCount = list.arraySize();
    bool havePlayer = false;
    out.floor.resize(entityCount);
    for (unsigned i = 0; i < entityCount; ++i) {
        korJSONData& in = list[static_cast<int>(i)];
        SavedThing& thing = out.floor[i];
        const bool colorOk = ReadThing(in, thing);
        ReadFighter(in, thing);
        if (!colorOk || !KRMap::InBounds(thing.x, thing.y)) {
            return -1;
        }
        havePlayer = havePlayer || (thing.fighter && thing.name == "Player");
    }
    // Every frame and every worn item go through the player's fighter.
    if (!havePlayer) {
        return -1;
    }

    if (!root.contains("NumInventoryItems") || !root.contains("InventoryItems")) {
        return -1;
    }
    korJSONData& items = root["InventoryItems"];
    const unsigned itemCount = items.arraySize();
    out.carried.resize(itemCount);
    for (unsigned i = 0; i < itemCount; ++i) {
        korJSONData& in = items[static_cast<int>(i)];
        SavedThing& thing = out.carried[i];
        thing.order = ReadUInt(in, "Order");
        if (!ReadThing(in, thing)) {
            return -1;
        }
    }

    if (!root.contains("NumGameMessages") || !root.contains("GameMessages")) {
        return -1;
    }
    korJSONData& lines = root["GameMessages"];
    const unsigned lineCount = lines.arraySize();
    for (unsigned i = 0; i < lineCount; ++i) {
        korJSONData& in = lines[static_cast<int>(i)];
        const unsigned order = ReadUInt(in, "Order");
        out.lines.emplace_back(order, in["Message"].toString());
        if (!WritableText(out.lines.back().second)) {
            return -1;
        }
    }
    out.gameState = ReadInt(root, "GameState");
    return 0;
}

// The item behaviour of the usable kinds, chosen by name; it replaces the
// plain item an equippable brought along.
void AttachUseFunction(KREntity* e) {
    for (const ItemKind& kind : ItemKinds) {
        if (kind.useIndex >= 0 && static_cast<std::size_t>(kind.useIndex) < useFuncVec.size() &&
            e->name == kind.name) {
            delete e->item;
            e->item = new KRItem();
            e->item->Init(useFuncVec[static_cast<std::size_t>(kind.useIndex)], e);
            return;
        }
    }
}

KREntity* MakeEntity(const SavedThing& s, KRMap* map) {
    auto* e = new KREntity();
    e->x = s.x;
    e->y = s.y;
    e->appearance = static_cast<unsigned char>(s.appearance);
    e->color = static_cast<KRColors>(s.color);
    e->name = s.name;
    e->blocks = s.blocks;
    e->visible = s.visible;
    e->map = map;
    return e;
}

void AttachEquippable(KREntity* e, const SavedThing& s) {
    auto* q = new KREquippable();
    q->slot = s.slot;
    q->powerBonus = s.powerBonus;
    q->defenseBonus = s.defenseBonus;
    q->maxHPBonus = s.maxHPBonus;
    e->SetEquippable(q);
}

// Fighters are the player (who also gets the slots) or plain guards: a
// confusion in effect at saving time is not kept.
void AttachFighter(KREntity* e, const SavedThing& s) {
    auto* f = new KRFighter();
    f->SetMaxHP(s.maxHP, true);
    f->SetHP(s.hp, true);
    f->SetDefense(s.defense, true);
    f->SetPower(s.power, true);
    f->SetLevel(s.level, true);
    f->SetXP(s.xp, true);
    if (s.name == "Player") {
        f->deathFunction = PlayerDeath;
        e->SetEquipment(new KREquipment());
        player = e;
    } else {
        f->deathFunction = funcVec.empty() ? EnemyDeath : funcVec[0];
        auto* ai = new KRBasicEnemy();
        ai->owner = e;
        e->ai = ai;
    }
    f->owner = e;
    e->fighter = f;
    theMap->TileAt(e->x, e->y)->blocked = true; // the occupancy mark
}

// Replaces the current game with a checked save; cannot fail.
void BuildGame(const SavedGame& save) {
    DestroyEntities();
    player = nullptr;
    inventoryMessages.clear();
    FillFunctionTables();
    playerMovedOrAttacked = false;
    entityIterator = entities.begin();
    delete theMap;
    theMap = new KRMap();
    theMap->currentFloor = save.currentFloor;

    for (KRTile* t : theMap->tiles) {
        delete t;
    }
    theMap->tiles.clear();
    theMap->tiles.reserve(save.tiles.size());
    for (const SavedTile& s : save.tiles) {
        auto* t = new KRTile();
        t->Init(s.blocked, false);
        t->blockSight = s.blockSight;
        t->explored = s.explored;
        theMap->tiles.push_back(t);
    }
    // Recomputed by the field of view before anything reads it.
    theMap->visibleTiles.clear();
    for (const KRTile* t : theMap->tiles) {
        theMap->visibleTiles.push_back(t->blockSight);
    }

    for (const SavedThing& s : save.floor) {
        KREntity* e = MakeEntity(s, theMap);
        if (s.equippable) {
            AttachEquippable(e, s);
        }
        if (s.fighter) {
            AttachFighter(e, s);
        }
        AttachUseFunction(e);
        entities.push_back(e);
    }

    // Every carried equippable is put on in file order, so in each slot the
    // one nearest the front of the saved inventory ends up worn.
    for (const SavedThing& s : save.carried) {
        KREntity* e = MakeEntity(s, nullptr);
        e->order = static_cast<int>(s.order);
        AttachUseFunction(e);
        if (s.equippable) {
            AttachEquippable(e, s);
            player->equipment->ToggleEquip(e);
        }
        inventory.push_front(e);
    }
    inventory.sort([](const KREntity* a, const KREntity* b) {
        return static_cast<unsigned>(a->order) > static_cast<unsigned>(b->order);
    });
    for (KREntity* e : inventory) {
        e->order = 0;
    }
    inventoryIterator = inventory.begin();

    if (message != nullptr) {
        std::vector<std::pair<unsigned, std::string>> lines = save.lines;
        std::stable_sort(lines.begin(), lines.end(),
                         [](const auto& a, const auto& b) { return a.first < b.first; });
        message->messages.clear();
        for (const auto& line : lines) {
            message->SetMessage(line.second, false);
        }
    }

    playerAction = 0;
    gameState = save.gameState;
    gameOver = false;
}

} // namespace

bool SaveGame(std::string* reason) {
    try {
        // Without a whole floor there is nothing worth keeping: leave the
        // previous save as it is.
        if (theMap == nullptr ||
            theMap->tiles.size() < static_cast<std::size_t>(MapWidth * MapHeight)) {
            if (reason != nullptr) {
                *reason = "there is no game to save";
            }
            return false;
        }
        korJSONData root(korJSONDataType::Object);
        BuildDocument(root);
        return WritePlayerFile(SaveFile, root, reason);
    } catch (const std::exception& e) {
        throw std::runtime_error(std::string("Error while saving game: ") + e.what());
    }
}

int LoadGame(std::string& savedVersion) {
    try {
        korJSONData root(korJSONDataType::Null);
        korJSON::korJSONStream stream;
        if (!stream.ParseFile(SaveFile, root, korJSON::korJSONType::JSON)) {
            return -1;
        }
        SavedGame save;
        const int result = ReadSave(root, save, savedVersion);
        if (result != 0) {
            return result;
        }
        BuildGame(save);
        return 0;
    } catch (const std::exception& e) {
        throw std::runtime_error(std::string("Error while loading game: ") + e.what());
    }
}
