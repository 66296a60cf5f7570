// The one saved game, game.sav: the current floor, its entities, the carried
// inventory, the shown log lines and the game state. Behaviour is never
// stored; it is rebuilt from names. Reaches the rest only through globals.
#include "savegame.h"

#include <algorithm>
#include <climits>
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
// replaces the current game. A file may hold anything, so every read checks
// the member's kind and range and nothing in this stage throws: a refused
// file never leaves a half-built world behind, and says why it was refused.

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
    int gameState = GameStatePlaying;
};

// What makes a stored text unfit for the game, or null. The reader passes
// any bytes through, but the writer refuses what is not UTF-8: a game loaded
// with such a name or log line could never be saved again.
// Colour markup would be obeyed by the font when the text is drawn, and no
// text the game writes holds it, so it marks a file made elsewhere.
const char* TextFault(const std::string& text) {
    if (text.size() > MaxSavedText) {
        return "is too long";
    }
    if (text.find('^') != std::string::npos) {
        return "holds colour markup";
    }
    try {
        korJSON::korJSONStream().ConvertToEscapedString(text);
    } catch (const std::exception&) {
        return "is not valid UTF-8";
    }
    return nullptr;
}

// One object of the document (the root, a tile, an entity, a carried item or
// a log line). Each read gives a value within its bounds, or records in `why`
// what is wrong and where (the first fault only) and gives false.
class Checked {
public:
    Checked(const korJSONData& object_, const char* kind_, unsigned index_, std::string& why_)
        : object(object_), kind(kind_), index(index_), why(why_) {
        if (object.type != korJSON::Object) {
            Fail(nullptr, "is not an object");
        }
    }

    bool Ok() const { return why.empty(); }

    bool Int(const char* key, int low, int high, int& out) {
        const korJSONData* node = Scalar(key);
        if (node == nullptr) {
            return false;
        }
        int value = 0;
        try {
            value = node->convertTo<int>(false, 0);
        } catch (const std::exception&) {
            return Fail(key, "is not a number");
        }
        if (value < low || value > high) {
            return Fail(key, "is out of range");
        }
        out = value;
        return true;
    }

    // Below `limit`; a negative text is taken modulo 2^32 as the game's
    // conversion does, and so lands far above any limit.
    bool UInt(const char* key, unsigned limit, unsigned& out) {
        const korJSONData* node = Scalar(key);
        if (node == nullptr) {
            return false;
        }
        unsigned value = 0;
        try {
            value = node->convertTo<unsigned int>(false, 0);
        } catch (const std::exception&) {
            return Fail(key, "is not a number");
        }
        if (value >= limit) {
            return Fail(key, "is out of range");
        }
        out = value;
        return true;
    }

    bool Bool(const char* key, bool& out) {
        const korJSONData* node = Scalar(key);
        if (node == nullptr) {
            return false;
        }
        out = node->convertTo<bool>(false, false); // any scalar reads as a word
        return true;
    }

    bool Text(const char* key, std::string& out) {
        const korJSONData* node = Scalar(key);
        if (node == nullptr) {
            return false;
        }
        std::string text = node->toString();
        if (const char* fault = TextFault(text)) {
            return Fail(key, fault);
        }
        out = std::move(text);
        return true;
    }

    // An array member of at most `most` elements (and at least `least`).
    const korJSONData* List(const char* key, unsigned least, unsigned most) {
        const korJSONData* node = Member(key);
        if (node == nullptr) {
            return nullptr;
        }
        if (node->type != korJSON::Array) {
            Fail(key, "is not a list");
            return nullptr;
        }
        if (node->arraySize() < least || node->arraySize() > most) {
            Fail(key, "holds a wrong number of elements");
            return nullptr;
        }
        return node;
    }

    bool Fail(const char* key, const char* problem) {
        if (why.empty()) {
            std::string where = kind;
            if (!where.empty()) {
                where += " " + std::to_string(index);
            }
            if (key != nullptr) {
                where += (where.empty() ? "\"" : ": \"") + std::string(key) + "\"";
            }
            why = where + " " + problem;
        }
        return false;
    }

private:
    const korJSONData& object;
    const char* kind; // empty for the root
    unsigned index;
    std::string& why;

    const korJSONData* Member(const char* key) {
        if (!Ok()) {
            return nullptr;
        }
        if (!object.contains(key)) {
            Fail(key, "is missing");
            return nullptr;
        }
        return &object[key];
    }
    const korJSONData* Scalar(const char* key) {
        const korJSONData* node = Member(key);
        if (node != nullptr && IsContainer(*node)) {
            Fail(key, "is not a single value");
            return nullptr;
        }
        return node;
    }
};

// The members shared by entities and items: on the grid (carried items keep
// where they were picked up), a glyph of the font, one of its 16 colours, a
// name the game could have written, a wearable's slot and modest bonuses.
bool ReadThing(Checked& in, SavedThing& out) {
    if (!(in.Int("X", 0, MapWidth - 1, out.x) && in.Int("Y", 0, MapHeight - 1, out.y) &&
          in.Int("Appearance", 0, 255, out.appearance) &&
          in.Int("Color", 0, ColorCount - 1, out.color) && in.Text("Name", out.name) &&
          in.Bool("Blocks", out.blocks) && in.Bool("Visible", out.visible) &&
          in.Bool("Equippable", out.equippable))) {
        return false;
    }
    return !out.equippable || (in.Int("Slot", 0, 1, out.slot) &&
                               in.Int("PowerBonus", 0, MaxSavedBonus, out.powerBonus) &&
                               in.Int("DefenseBonus", 0, MaxSavedBonus, out.defenseBonus) &&
                               in.Int("MaxHPBonus", 0, MaxSavedBonus, out.maxHPBonus));
}

bool IsUsableItemName(const std::string& name) {
    for (const ItemKind& kind : ItemKinds) {
        if (kind.useIndex >= 0 && name == kind.name) {
            return true;
        }
    }
    return false;
}

// A guard standing with no hit points would be knocked out by nothing; the
// player may have none only when dead, which the game state tells later.
// A fighter that is also an item could be picked up or used up while it
// stands on the floor.
bool ReadFighter(Checked& in, SavedThing& out) {
    if (!in.Bool("Fighter", out.fighter)) {
        return false;
    }
    if (!out.fighter) {
        return true;
    }
    if (out.equippable || IsUsableItemName(out.name)) {
        return in.Fail("Fighter", "is set on an item");
    }
    const int leastHP = out.name == "Player" ? 0 : 1;
    return in.Int("MaxHP", 1, MaxSavedHP, out.maxHP) && in.Int("HP", leastHP, out.maxHP, out.hp) &&
           in.Int("Defense", 0, MaxSavedStat, out.defense) &&
           in.Int("Power", 0, MaxSavedStat, out.power) &&
           in.Int("Level", 1, MaxSavedLevel, out.level) && in.Int("XP", 0, MaxSavedXP, out.xp);
}

// 0 when `root` holds a complete, playable game, now in `out`; otherwise the
// refusal -1, -2 or -3 with its reason in `why`.
int ReadSave(const korJSONData& root, SavedGame& out, std::string& savedVersion, std::string& why) {
    if (root.type != korJSON::Object) {
        why = "it is not a saved game";
        return -1;
    }
    Checked doc(root, "", 0, why);
    std::string signature;
    if (!doc.Text("Signature", signature)) {
        return -1;
    }
    if (signature != SAVEGAMESIG) {
        std::cout << "Save game signature invalid!" << std::endl;
        why = "the signature is not the game's";
        return -2;
    }
    if (!doc.Text("Version", savedVersion)) {
        return -1;
    }
    if (savedVersion != GAMEVERSION) {
        std::cout << "Save game version doesn't match! (Save Game Version: " << savedVersion
                  << " / Game Version: " << GAMEVERSION << ")" << std::endl;
        why = "it was saved by another version";
        return -3;
    }

    // Every grid index of the game assumes one fixed 80 x 40 floor.
    int width = 0;
    int height = 0;
    if (!doc.Int("CurrentFloor", 1, FloorCount, out.currentFloor) ||
        !doc.Int("Width", MapWidth, MapWidth, width) ||
        !doc.Int("Height", MapHeight, MapHeight, height)) {
        return -1;
    }
    constexpr unsigned TileCount = MapWidth * MapHeight;
    const korJSONData* map = doc.List("Map", TileCount, TileCount);
    if (map == nullptr) {
        return -1;
    }
    out.tiles.reserve(TileCount);
    for (unsigned i = 0; i < TileCount; ++i) {
        Checked tile((*map)[static_cast<int>(i)], "tile", i, why);
        int b = 0;
        int bs = 0;
        int e = 0;
        // Only exactly 1 is true; any other number is false.
        if (!tile.Int("b", INT_MIN, INT_MAX, b) || !tile.Int("bs", INT_MIN, INT_MAX, bs) ||
            !tile.Int("e", INT_MIN, INT_MAX, e)) {
            return -1;
        }
        out.tiles.push_back({b == 1, bs == 1, e == 1});
    }

    // The counts are not used, but must be counts.
    unsigned count = 0;
    const korJSONData* list = doc.List("Entities", 0, MaxSavedEntities);
    if (!doc.UInt("NumEntities", UINT_MAX, count) || list == nullptr) {
        return -1;
    }
    out.floor.resize(list->arraySize());
    const SavedThing* hero = nullptr;
    for (unsigned i = 0; i < out.floor.size(); ++i) {
        Checked in((*list)[static_cast<int>(i)], "entity", i, why);
        SavedThing& thing = out.floor[i];
        if (!ReadThing(in, thing) || !ReadFighter(in, thing)) {
            return -1;
        }
        if (thing.fighter && thing.name == "Player") {
            if (hero != nullptr) {
                why = "it holds two players";
                return -1;
            }
            hero = &thing;
        }
    }
    // Every frame and every worn item go through the player's fighter.
    if (hero == nullptr) {
        why = "it holds no player";
        return -1;
    }

    const korJSONData* items = doc.List("InventoryItems", 0, InventoryLimit);
    if (!doc.UInt("NumInventoryItems", UINT_MAX, count) || items == nullptr) {
        return -1;
    }
    out.carried.resize(items->arraySize());
    for (unsigned i = 0; i < out.carried.size(); ++i) {
        Checked in((*items)[static_cast<int>(i)], "carried item", i, why);
        SavedThing& thing = out.carried[i];
        if (!in.UInt("Order", items->arraySize(), thing.order) || !ReadThing(in, thing)) {
            return -1;
        }
        // Only what has an item behaviour can be chosen in the inventory box.
        if (!thing.equippable && !IsUsableItemName(thing.name)) {
            in.Fail("Name", "is no item the game knows");
            return -1;
        }
    }

    const korJSONData* lines = doc.List("GameMessages", 0, ShownLines);
    if (!doc.UInt("NumGameMessages", UINT_MAX, count) || lines == nullptr) {
        return -1;
    }
    for (unsigned i = 0; i < lines->arraySize(); ++i) {
        Checked in((*lines)[static_cast<int>(i)], "log line", i, why);
        unsigned order = 0;
        std::string text;
        if (!in.UInt("Order", lines->arraySize(), order) || !in.Text("Message", text)) {
            return -1;
        }
        out.lines.emplace_back(order, std::move(text));
    }

    // Playing or defeated, never "no game"; a living player has hit points left.
    if (!doc.Int("GameState", GameStatePlaying, GameStatePlayerDead, out.gameState)) {
        return -1;
    }
    if (out.gameState == GameStatePlaying && hero->hp == 0) {
        why = "the player is not defeated but has no hit points";
        return -1;
    }
    return 0;
}

// Reads game.sav into `save`; 0, or the refusal and its reason.
int ReadSaveFile(SavedGame& save, std::string& savedVersion, std::string& why) {
    korJSONData root(korJSONDataType::Null);
    why = ReadPlayerFile(SaveFile, root);
    if (!why.empty()) {
        return -1;
    }
    return ReadSave(root, save, savedVersion, why);
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

    playerAction = TurnSpent;
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

int LoadGame(std::string& savedVersion, std::string* reason) {
    SavedGame save;
    std::string why;
    const int result = ReadSaveFile(save, savedVersion, why);
    if (result != 0) {
        if (reason != nullptr) {
            *reason = why;
        }
        return result;
    }
    BuildGame(save);
    return 0;
}
