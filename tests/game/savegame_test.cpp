// The saved game game.sav: a save loaded at once gives the same floor back,
// behaviour is rebuilt from names, refused files leave the running game as
// it was, and a failed or interrupted save never costs the previous one.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <iterator>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "basicenemy.h"
#include "confusedenemy.h"
#include "death.h"
#include "describe.h"
#include "entity.h"
#include "equipment.h"
#include "factory.h"
#include "fighter.h"
#include "floors.h"
#include "free_world.h"
#include "game.h"
#include "item.h"
#include "korJSON/korJSON.h"
#include "map.h"
#include "message.h"
#include "savegame.h"
#include "scratch.h"
#include "tile.h"
#include "usefunctions.h"

namespace {

using vlotest::ReadFile;
using vlotest::WriteFile;

namespace fs = std::filesystem;

// ---- a floor built by hand ---------------------------------------------------------
//
// Walls everywhere but one room (x 10-40, y 5-20); one see-through-blocked
// tile; a body, the player, a plain and a confused guard, a first aid kit and
// stairs on the floor; four carried items of which the Taser and the shield
// are worn although an unworn Baton lies nearer the front.

constexpr int PlayerX = 12;
constexpr int PlayerY = 8;

KREntity* AddEntity(int x, int y, unsigned char glyph, const std::string& name, KRColors color,
                    bool blocks, bool visible, KRFighter* fighter = nullptr,
                    KRBasicEnemy* ai = nullptr, KRItem* item = nullptr,
                    KREquipment* equipment = nullptr) {
    auto* e = new KREntity();
    e->Init(x, y, glyph, name, color, theMap, blocks, visible, fighter, ai, item, equipment,
            nullptr);
    entities.push_back(e);
    if (blocks) {
        theMap->TileAt(x, y)->blocked = true;
    }
    return e;
}

KRFighter* MakeFighter(int maxHP, int defense, int power, int level, int xp,
                       void (*death)(KREntity*)) {
    auto* f = new KRFighter();
    f->Init(maxHP, defense, power, level, xp, death, nullptr);
    return f;
}

KREntity* Carry(const std::string& name, unsigned char glyph, KRColors color,
                KRItemActions (*use)(KREntity*), int slot, int power, int defense, int maxHP) {
    KRItem* item = nullptr;
    if (use != nullptr) {
        item = new KRItem();
        item->Init(use, nullptr);
    }
    KREquippable* wearable = nullptr;
    if (slot >= 0) {
        wearable = new KREquippable();
        wearable->slot = slot;
        wearable->powerBonus = power;
        wearable->defenseBonus = defense;
        wearable->maxHPBonus = maxHP;
    }
    auto* e = new KREntity();
    e->Init(3, 4, glyph, name, color, nullptr, false, true, nullptr, nullptr, item, nullptr,
            wearable);
    inventory.push_back(e); // callers add from the front of the inventory to its back
    return e;
}

void BuildKnownWorld() {
    vlotest::FreeWorld();
    message = new KRMessage();
    FillFunctionTables();
    theMap = new KRMap();
    theMap->currentFloor = 3;
    for (int y = 0; y < MapHeight; ++y) {
        for (int x = 0; x < MapWidth; ++x) {
            auto* t = new KRTile();
            const bool wall = x < 10 || x > 40 || y < 5 || y > 20;
            t->Init(wall, x == 20 && y == 10);
            t->explored = (x + 2 * y) % 3 == 0;
            theMap->tiles.push_back(t);
        }
    }
    theMap->visibleTiles.assign(MapWidth * MapHeight, false);

    AddEntity(11, 6, '%', "Unconscious Guard", LightBlue, false, false);
    auto* pf = MakeFighter(100, 1, 2, 1, 0, PlayerDeath);
    pf->SetMaxHP(120, true);
    pf->SetHP(77, true);
    pf->SetLevel(2, true);
    pf->SetXP(40, true);
    player = AddEntity(PlayerX, PlayerY, '@', "Player", LightGreen, true, true, pf, nullptr,
                       nullptr, new KREquipment());
    KREntity* guard = NewGuard(GuardKind, 15, 9, theMap, EnemyDeath);
    guard->appearance = 'G'; // not the catalogue's: the save keeps what it is given
    entities.push_back(guard);
    theMap->TileAt(15, 9)->blocked = true;
    auto* previous = new KRBasicEnemy();
    auto* confused = new KRConfusedEnemy();
    confused->Init(previous, 5);
    KREntity* elite = AddEntity(18, 12, 'E', "Elite Guard", Magenta, true, false,
                                MakeFighter(30, 2, 6, 1, 100, EnemyDeath), confused);
    previous->owner = elite;
    auto* kit = new KRItem();
    kit->Init(UseFirstAidKit, nullptr);
    AddEntity(20, 14, '!', "First Aid Kit", Red, false, true, nullptr, nullptr, kit);
    AddEntity(25, 15, '<', "Stairs", White, false, true);

    Carry("Pepper Spray", '!', Yellow, UsePepperSpray, -1, 0, 0, 0);
    Carry("Baton", '-', Cyan, nullptr, 0, 2, 0, 0);
    KREntity* taser = Carry("Taser", '-', LightCyan, nullptr, 0, 3, 0, 0);
    KREntity* shield = Carry("Riot Shield", '[', Brown, nullptr, 1, 0, 2, 10);
    player->equipment->ToggleEquip(taser);
    player->equipment->ToggleEquip(shield);

    message->messages.clear();
    for (int i = 1; i <= 10; ++i) {
        message->SetMessage("Line " + std::to_string(i) + " of the log", false);
    }
    gameState = GameStatePlaying;
    playerAction = NoTurn;
    gameOver = true;
}

const char* UseName(const KRItem* item) {
    if (item == nullptr || item->useFunction == nullptr) {
        return item == nullptr ? "no item" : "plain";
    }
    const std::pair<KRItemActions (*)(KREntity*), const char*> uses[] = {
        {UseFirstAidKit, "kit"},
        {UseTranquilizerGun, "tranquilizer"},
        {UseStunGrenade, "grenade"},
        {UsePepperSpray, "spray"}};
    for (const auto& [use, name] : uses) {
        if (item->useFunction == use) {
            return name;
        }
    }
    return "unknown";
}

// Everything a save must keep of each entity, one line each.
std::vector<std::string> DescribeAll(const std::list<KREntity*>& list) {
    std::vector<std::string> out;
    for (const KREntity* e : list) {
        out.push_back(vlotest::Describe(e) + " " + UseName(e->item));
    }
    return out;
}

std::vector<std::string> TileFlags() {
    std::vector<std::string> out;
    for (const KRTile* t : theMap->tiles) {
        out.push_back(std::string(t->blocked ? "b" : "-") + (t->blockSight ? "s" : "-") +
                      (t->explored ? "e" : "-"));
    }
    return out;
}

// Pointers and texts of the running game, to show a refusal left it alone.
struct WorldSnapshot {
    KRMap* map;
    KREntity* hero;
    std::list<KREntity*> onFloor;
    std::list<KREntity*> carried;
    std::list<std::string> lines;
    std::vector<std::string> described;
    int state;

    static WorldSnapshot Take() {
        return {theMap,   player, entities, inventory, message->messages, DescribeAll(entities),
                gameState};
    }
    void ExpectUnchanged() const {
        EXPECT_EQ(gameState, state);
        EXPECT_EQ(theMap, map);
        EXPECT_EQ(player, hero);
        EXPECT_EQ(entities, onFloor);
        EXPECT_EQ(inventory, carried);
        EXPECT_EQ(message->messages, lines);
        EXPECT_EQ(DescribeAll(entities), described);
    }
};

// ---- editing a written save ------------------------------------------------------
//
// The writer's layout is `"Key": value` with one member per line, so single
// members are easy to change in the text.

void Replace(std::string& text, const std::string& from, const std::string& to) {
    const auto at = text.find(from);
    ASSERT_NE(at, std::string::npos) << "not in the save: " << from;
    text.replace(at, from.size(), to);
}

// Sets the first member `key` found after `marker` (searching backwards from
// the marker when `before` is set) to the raw JSON `value`.
void SetMember(std::string& text, const std::string& marker, const std::string& key,
               const std::string& value, bool before = false) {
    const auto m = text.find(marker);
    ASSERT_NE(m, std::string::npos) << marker;
    const std::string pattern = "\"" + key + "\": ";
    const auto at = before ? text.rfind(pattern, m) : text.find(pattern, m);
    ASSERT_NE(at, std::string::npos) << key;
    const auto start = at + pattern.size();
    const auto end = text.find_first_of(",\n", start);
    text.replace(start, end - start, value);
}

using Edit = std::function<void(std::string&)>;

// Edits for the table: member `key` set as SetMember does, or a text swapped.
Edit Set(const std::string& marker, const std::string& key, const std::string& value,
         bool before = false) {
    return [=](std::string& t) { SetMember(t, marker, key, value, before); };
}
Edit Swap(const std::string& from, const std::string& to) {
    return [=](std::string& t) { Replace(t, from, to); };
}

void EditSave(const std::function<void(std::string&)>& edit) {
    std::string text = ReadFile("game.sav");
    edit(text);
    WriteFile("game.sav", text);
}

class SaveGameTest : public vlotest::ScratchEnv {
protected:

    void SetUp() override {
        ScratchEnv::SetUp();
        BuildKnownWorld();
    }
    void TearDown() override {
        vlotest::FreeWorld();
        ScratchEnv::TearDown();
    }

    int Load() {
        std::string version;
        return LoadGame(version);
    }
};

// ---- a save loaded at once --------------------------------------------------------

TEST_F(SaveGameTest, LoadingTheSaveGivesTheSameFloorBack) {
    const auto floorBefore = DescribeAll(entities);
    const auto tilesBefore = TileFlags();
    const auto carriedBefore = DescribeAll(inventory);
    ASSERT_TRUE(SaveGame());

    DestroyEntities();
    delete theMap;
    theMap = nullptr;
    gameState = GameStateNoGame;
    ASSERT_EQ(Load(), 0);

    EXPECT_EQ(DescribeAll(entities), floorBefore) << "entities keep their order and values";
    EXPECT_EQ(DescribeAll(inventory), carriedBefore) << "inventory keeps its order";
    ASSERT_EQ(theMap->tiles.size(), 3200u);
    EXPECT_EQ(TileFlags(), tilesBefore);
    EXPECT_EQ(theMap->visibleTiles.size(), 3200u);
    EXPECT_EQ(theMap->currentFloor, 3);
    EXPECT_EQ(gameState, GameStatePlaying);
    EXPECT_EQ(playerAction, TurnSpent);
    EXPECT_FALSE(gameOver);
    ASSERT_NE(player, nullptr);
    EXPECT_EQ(player->name, "Player");
    EXPECT_EQ(player, *std::next(entities.begin())) << "the player is the loaded \"Player\"";
    for (const KREntity* e : entities) {
        EXPECT_EQ(e->map, theMap) << e->name;
    }
    for (const KREntity* e : inventory) {
        EXPECT_EQ(e->order, 0) << e->name;
    }
    EXPECT_TRUE(inventoryIterator == inventory.begin());
}

// Behaviour is not in the file: it comes back from names and flags.
TEST_F(SaveGameTest, BehaviourIsRebuiltFromNames) {
    ASSERT_TRUE(SaveGame());
    ASSERT_EQ(Load(), 0);
    ASSERT_NE(player->fighter, nullptr);
    EXPECT_EQ(player->fighter->deathFunction, PlayerDeath);
    ASSERT_NE(player->equipment, nullptr);
    EXPECT_EQ(player->equipment->owner, player);
    EXPECT_EQ(player->ai, nullptr);
    int guards = 0;
    for (const KREntity* e : entities) {
        if (e->fighter == nullptr || e == player) {
            EXPECT_EQ(e->ai, nullptr) << e->name;
            continue;
        }
        ++guards;
        EXPECT_EQ(e->fighter->deathFunction, EnemyDeath) << e->name;
        EXPECT_EQ(e->fighter->owner, e);
        ASSERT_NE(e->ai, nullptr) << e->name;
        EXPECT_EQ(e->ai->owner, e);
        EXPECT_EQ(dynamic_cast<KRConfusedEnemy*>(e->ai), nullptr)
            << e->name << ": a confusion is not kept";
    }
    EXPECT_EQ(guards, 2);
    for (const KREntity* e : inventory) {
        ASSERT_NE(e->item, nullptr) << e->name << ": everything carried is an item";
        EXPECT_EQ(e->item->owner, e);
    }
}

TEST_F(SaveGameTest, OnlyTheSixShownLogLinesAreKept) {
    const std::list<std::string> all = message->messages;
    ASSERT_EQ(all.size(), 10u);
    ASSERT_TRUE(SaveGame());
    EXPECT_NE(ReadFile("game.sav").find("\"NumGameMessages\": 6"), std::string::npos);

    message->messages.clear();
    ASSERT_EQ(Load(), 0);
    const std::list<std::string> six(all.begin(), std::next(all.begin(), 6));
    EXPECT_EQ(message->messages, six) << "newest first, the four oldest gone";
    EXPECT_EQ(message->messages.front(), "LINE 10 OF THE LOG");
}

// Tiles under entities are written unblocked; loading marks only the cells
// of the player and the living guards again.
TEST_F(SaveGameTest, OccupancyMarksReturnUnderFightersOnly) {
    ASSERT_TRUE(SaveGame());
    korJSON::korJSONData root(korJSON::korJSONDataType::Null);
    korJSON::korJSONStream stream;
    ASSERT_TRUE(stream.ParseFile("game.sav", root, korJSON::korJSONType::JSON));
    for (const KREntity* e : entities) {
        EXPECT_EQ(root["Map"][e->y * MapWidth + e->x]["b"].convertTo<int>(false, 0), 0) << e->name;
    }
    EXPECT_EQ(root["Map"][0]["b"].convertTo<int>(false, 0), 1) << "walls stay blocked";

    // Blocked marks that no fighter explains are not made up on loading.
    ASSERT_EQ(Load(), 0);
    for (const KREntity* e : entities) {
        EXPECT_EQ(theMap->TileAt(e->x, e->y)->blocked, e->fighter != nullptr) << e->name;
    }
}

// Carried equippables are put on in the file's order, from the back of the
// saved inventory to its front, so in each slot the one nearer the front
// ends up worn, whatever was worn at saving time.
TEST_F(SaveGameTest, WornSlotGoesToTheItemNearestTheFront) {
    ASSERT_TRUE(SaveGame());
    ASSERT_EQ(Load(), 0);
    const KREquipment* worn = player->equipment;
    ASSERT_NE(worn->mainHand, nullptr);
    EXPECT_EQ(worn->mainHand->name, "Baton") << "the unworn Baton was nearer the front";
    ASSERT_NE(worn->offHand, nullptr);
    EXPECT_EQ(worn->offHand->name, "Riot Shield");
    EXPECT_EQ(player->fighter->GetPower(false), 2 + 2);
    EXPECT_EQ(player->fighter->GetDefense(false), 1 + 2);
    EXPECT_EQ(player->fighter->GetMaxHP(false), 120 + 10);

    // With the Taser in front the Taser wins.
    KREntity* taser = *std::next(inventory.begin(), 2);
    ASSERT_EQ(taser->name, "Taser");
    inventory.remove(taser);
    inventory.push_front(taser);
    ASSERT_TRUE(SaveGame());
    ASSERT_EQ(Load(), 0);
    ASSERT_NE(player->equipment->mainHand, nullptr);
    EXPECT_EQ(player->equipment->mainHand->name, "Taser");
    EXPECT_EQ(player->fighter->GetPower(false), 2 + 3);
}

TEST_F(SaveGameTest, DeadPlayerLoadsDead) {
    player->fighter->SetHP(0, true);
    PlayerDeath(player);
    ASSERT_EQ(gameState, GameStatePlayerDead);
    ASSERT_TRUE(SaveGame());
    EXPECT_NE(ReadFile("game.sav").find("\"GameState\": 1"), std::string::npos);

    gameState = GameStateNoGame;
    ASSERT_EQ(Load(), 0);
    EXPECT_EQ(gameState, GameStatePlayerDead);
    EXPECT_FALSE(gameOver);
    ASSERT_NE(player, nullptr);
    EXPECT_EQ(player->appearance, '%');
    ASSERT_NE(player->fighter, nullptr);
    EXPECT_EQ(player->fighter->hp, 0);
}

TEST_F(SaveGameTest, UsableItemsGetTheirUseFunctionsByName) {
    KREntity* grenade = Carry("Stun Grenade", '*', Yellow, nullptr, -1, 0, 0, 0);
    KREntity* gun = Carry("Tranquilizer Gun", '}', Green, nullptr, -1, 0, 0, 0);
    ASSERT_EQ(grenade->item, nullptr);
    ASSERT_EQ(gun->item, nullptr);
    ASSERT_TRUE(SaveGame());
    ASSERT_EQ(Load(), 0);
    std::vector<std::string> uses;
    for (const KREntity* e : inventory) {
        uses.push_back(e->name + ": " + UseName(e->item));
    }
    EXPECT_EQ(uses, (std::vector<std::string>{"Pepper Spray: spray", "Baton: plain", "Taser: plain",
                                              "Riot Shield: plain", "Stun Grenade: grenade",
                                              "Tranquilizer Gun: tranquilizer"}));
}

// ---- refusals ---------------------------------------------------------------------

// Nothing, a pipe (which would block a plain read for ever) or a folder in
// place of the save: refused at once with the reader's reason.
TEST_F(SaveGameTest, NoSaveAndSpecialFilesAreRefused) {
    const std::pair<std::function<void()>, const char*> cases[] = {
        {[] {}, "file not found"},
        {[] { ASSERT_EQ(::mkfifo("game.sav", 0600), 0); }, "not a regular file"},
        {[] { std::filesystem::create_directory("game.sav"); }, "not a regular file"},
    };
    for (const auto& [make, why] : cases) {
        std::filesystem::remove("game.sav");
        make();
        const auto before = WorldSnapshot::Take();
        std::string version;
        std::string reason;
        testing::internal::CaptureStdout();
        EXPECT_EQ(LoadGame(version, &reason), -1);
        testing::internal::GetCapturedStdout();
        EXPECT_EQ(reason, why);
        before.ExpectUnchanged();
    }
}

TEST_F(SaveGameTest, SignatureInAnotherLetterCaseIsRefused) {
    ASSERT_TRUE(SaveGame());
    EditSave(Swap("\"VLOSG\"", "\"vlosg\""));
    const auto before = WorldSnapshot::Take();
    testing::internal::CaptureStdout();
    EXPECT_EQ(Load(), -2);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "Save game signature invalid!\n");
    before.ExpectUnchanged();
}

TEST_F(SaveGameTest, OtherVersionIsRefusedAndNamed) {
    ASSERT_TRUE(SaveGame());
    EditSave(Swap("\"Version\": \"0.3\"", "\"Version\": \"0.30\""));
    const auto before = WorldSnapshot::Take();
    std::string version;
    testing::internal::CaptureStdout();
    EXPECT_EQ(LoadGame(version), -3);
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "Save game version doesn't match! (Save Game Version: 0.30 / Game Version: 0.3)\n");
    EXPECT_EQ(version, "0.30") << "the main menu shows it";
    before.ExpectUnchanged();
}

TEST_F(SaveGameTest, VersionWrittenAsNumberIsAccepted) {
    ASSERT_TRUE(SaveGame());
    EditSave(Swap("\"Version\": \"0.3\"", "\"Version\": 0.3"));
    std::string version;
    EXPECT_EQ(LoadGame(version), 0) << "its text form is 0.3";
    EXPECT_EQ(version, "0.3");
}

// Damaged saves, and saves the game could not play (outside the 80 x 40
// grid, absurd numbers, too much carried, text the font would obey) are
// refused with a reason that names the fault, before the running game is
// touched; nothing is thrown.
struct Damage {
    const char* name;
    Edit edit;
    const char* reason;
};

void PrintTo(const Damage& damage, std::ostream* out) {
    *out << damage.name;
}

class RefusedSaveTest : public SaveGameTest, public ::testing::WithParamInterface<Damage> {};

TEST_P(RefusedSaveTest, SaysWhyAndKeepsTheGame) {
    ASSERT_TRUE(SaveGame());
    EditSave(GetParam().edit);
    const auto before = WorldSnapshot::Take();
    std::string version;
    std::string reason;
    EXPECT_EQ(LoadGame(version, &reason), -1);
    EXPECT_NE(reason.find(GetParam().reason), std::string::npos) << reason;
    before.ExpectUnchanged();
}

// The first tile object of "Map" ends at the first closing brace after it.
void DropFirstTile(std::string& t) {
    const auto open = t.find("\"Map\": [");
    ASSERT_NE(open, std::string::npos);
    const auto from = open + 8;
    const auto close = t.find("},", from);
    t.erase(from, close + 2 - from);
}

// Twenty-three more items than the known floor carries: 27 in all.
void CarryTwentySevenItems(std::string& t) {
    std::string more;
    for (int i = 0; i < 23; ++i) {
        more += "{\"Appearance\": 33, \"Blocks\": false, \"Color\": 5, \"Equippable\": false, "
                "\"Name\": \"First Aid Kit\", \"Order\": 0, \"Visible\": true, \"X\": 1, "
                "\"Y\": 1},";
    }
    Replace(t, "\"InventoryItems\": [", "\"InventoryItems\": [" + more);
}

const std::string guard = "\"Name\": \"Guard\"";
const std::string hero = "\"Name\": \"Player\"";

const Damage damages[] = {
    {"NotAnObject", [](std::string& t) { t = "[1, 2]"; }, "it is not a saved game"},
    {"NoPlayer", Swap("\"Player\"", "\"Prisoner\""), "no player"},
    {"TwoPlayers", Swap(guard, hero), "two players"},
    {"PlayerWithoutFighter", Set(hero, "Fighter", "false", true), "no player"},
    {"MissingInventory", Swap("\"InventoryItems\"", "\"InventoryThings\""),
     "\"InventoryItems\" is missing"},
    {"EntityWithoutY", Swap("\"Y\": ", "\"Q\": "), "entity 0: \"Y\" is missing"},
    {"EntitiesNotAList", Swap("\"Entities\": [", "\"Entities\": 5, \"Old\": ["),
     "\"Entities\" is not a list"},
    {"HitPointsAList", Set(guard, "HP", "[20]", true), "entity 2: \"HP\" is not a single value"},
    {"RowNotANumber", Set("\"Entities\"", "X", "\"left\""), "entity 0: \"X\" is not a number"},
    {"TileNotANumber", Set("\"Map\"", "b", "\"wall\""), "tile 0: \"b\" is not a number"},
    {"Width81", Set("{", "Width", "81"), "\"Width\" is out"},
    {"Height39", Set("{", "Height", "39"), "\"Height\" is out"},
    {"MapOneTileShort", DropFirstTile, "\"Map\" holds a wrong number"},
    {"MapOneTileTooMany", Swap("\"Map\": [", "\"Map\": [{\"b\":1,\"bs\":1,\"e\":0},"),
     "\"Map\" holds a wrong number"},
    {"EntityRightOfGrid", Set("\"Entities\"", "X", "80"), "entity 0: \"X\" is out of range"},
    {"EntityAboveGrid", Set("\"Entities\"", "Y", "-1"), "entity 0: \"Y\" is out of range"},
    {"EntityColour16", Set("\"Entities\"", "Color", "16"), "entity 0: \"Color\" is out"},
    {"ItemColourNegative", Set("\"InventoryItems\"", "Color", "-1"),
     "carried item 0: \"Color\" is out"},
    {"Glyph256", Set("\"Entities\"", "Appearance", "256"), "entity 0: \"Appearance\" is out"},
    {"FloorZero", Set("{", "CurrentFloor", "0"), "\"CurrentFloor\" is out"},
    {"FloorEleven", Set("{", "CurrentFloor", "11"), "\"CurrentFloor\" is out"},
    {"HitPointsAboveMaximum", Set(hero, "HP", "121", true), "entity 1: \"HP\" is out"},
    {"AbsurdMaximumHitPoints", Set(hero, "MaxHP", "2147483647", true),
     "entity 1: \"MaxHP\" is out"},
    {"AbsurdPower", Set(hero, "Power", "2147483647"), "entity 1: \"Power\" is out"},
    {"NegativeDefense", Set(hero, "Defense", "-5", true), "entity 1: \"Defense\" is out"},
    {"LevelZero", Set(hero, "Level", "0", true), "entity 1: \"Level\" is out"},
    {"AbsurdLevel", Set(hero, "Level", "20000000", true), "entity 1: \"Level\" is out"},
    {"EndlessLevelUps", Set(hero, "XP", "2000000000"), "entity 1: \"XP\" is out"},
    {"AbsurdBonus", Set("\"InventoryItems\"", "MaxHPBonus", "2000000000"),
     "carried item 0: \"MaxHPBonus\" is out"},
    {"SlotTwo", Set("\"InventoryItems\"", "Slot", "2"), "carried item 0: \"Slot\" is out"},
    {"GuardWithoutHitPoints", Set(guard, "HP", "0", true), "entity 2: \"HP\" is out"},
    {"AliveWithoutHitPoints", Set(hero, "HP", "0", true), "not defeated but has no hit points"},
    {"GameStateTwo", Set("{", "GameState", "2"), "\"GameState\" is out"},
    {"FighterOnAnItem", Set("\"Name\": \"First Aid Kit\"", "Fighter", "true", true),
     "entity 4: \"Fighter\" is set on an item"},
    {"CarriedPebble", Swap("\"Pepper Spray\"", "\"Pebble\""),
     "carried item 3: \"Name\" is no item"},
    {"InventoryOverItsLimit", CarryTwentySevenItems, "\"InventoryItems\" holds a wrong number"},
    {"OrderPastTheInventory", Set("\"InventoryItems\"", "Order", "4"),
     "carried item 0: \"Order\" is out"},
    {"MarkupInAName", Swap(guard, "\"Name\": \"^Cx^Guard\""),
     "entity 2: \"Name\" holds colour markup"},
    {"MarkupInALogLine", Swap("\"LINE 10 OF THE LOG\"", "\"^C15|LINE 10\""),
     "log line 5: \"Message\" holds colour markup"},
    {"MarkupInTheVersion", Swap("\"0.3\"", "\"^C1^0.3\""), "\"Version\" holds colour markup"},
    {"NameNotUtf8", Swap("\"Baton\"", "\"B\xE1ton\""), "\"Name\" is not valid UTF-8"},
    {"LogLineNotUtf8", Swap("LINE 9 OF", "LINE \xFE OF"),
     "log line 4: \"Message\" is not valid UTF-8"},
    {"NameTooLong", Swap(guard, "\"Name\": \"" + std::string(200, 'G') + "\""),
     "entity 2: \"Name\" is too long"},
};

std::string DamageName(const ::testing::TestParamInfo<Damage>& damage) {
    return damage.param.name;
}

INSTANTIATE_TEST_SUITE_P(Damaged, RefusedSaveTest, ::testing::ValuesIn(damages), DamageName);

// ---- saves are never lost ---------------------------------------------------------

std::vector<std::string> FolderEntries() {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(".")) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

TEST_F(SaveGameTest, FailedSaveKeepsThePreviousFile) {
    ASSERT_TRUE(SaveGame());
    const std::string previous = ReadFile("game.sav");
    // A name that is not UTF-8 makes the writer fail half way.
    Carry("Broken \xC3", '?', White, nullptr, -1, 0, 0, 0);
    try {
        SaveGame();
        ADD_FAILURE() << "no error raised";
    } catch (const std::runtime_error& e) {
        EXPECT_STREQ(e.what(), "Error while saving game: Invalid UTF-8 sequence!");
    }
    EXPECT_EQ(ReadFile("game.sav"), previous);
    EXPECT_EQ(FolderEntries(), (std::vector<std::string>{"game.sav", "gfx", "music"}))
        << "no half-written file is left behind";
    EXPECT_EQ(Load(), 0);
}

// A process killed while it writes (here by the file-size limit) leaves the
// previous save whole.
TEST_F(SaveGameTest, SaveKilledWhileWritingKeepsThePreviousFile) {
    ASSERT_TRUE(SaveGame());
    const std::string previous = ReadFile("game.sav");
    ASSERT_GT(previous.size(), 8192u);
    player->x = PlayerX + 1; // the next save differs

    const pid_t child = fork();
    ASSERT_NE(child, -1);
    if (child == 0) {
        rlimit limit{4096, 4096};
        setrlimit(RLIMIT_FSIZE, &limit);
        SaveGame();
        _exit(0); // not reached: the write beyond the limit ends the process
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFSIGNALED(status)) << "the save ran to completion";
    EXPECT_EQ(WTERMSIG(status), SIGXFSZ);
    EXPECT_EQ(ReadFile("game.sav"), previous);
    EXPECT_EQ(Load(), 0);
    EXPECT_EQ(player->x, PlayerX);
}

TEST_F(SaveGameTest, UnwritableSaveReportsFalse) {
    fs::create_directory("game.sav"); // cannot be replaced by a file
    testing::internal::CaptureStdout();
    EXPECT_FALSE(SaveGame());
    const std::string out = testing::internal::GetCapturedStdout();
    EXPECT_NE(out.find("Unable to write JSON file: "), std::string::npos) << out;
}

// ---- the layout on disk -----------------------------------------------------------

// The known floor written today must match the committed file byte for byte,
// and that file must load; scripts/regen-fixtures rewrites it on purpose.
TEST_F(SaveGameTest, GoldenSaveIsWrittenAndReadUnchanged) {
    ASSERT_TRUE(SaveGame());
    const std::string written = ReadFile("game.sav");
    if (const char* regen = std::getenv("VLO_REGEN_FIXTURES")) {
        WriteFile(fs::path(regen) / "known_game.sav", written);
        GTEST_SKIP() << "fixture rewritten";
    }
    const fs::path golden = fs::path(VLO_SOURCE_DIR) / "tests" / "fixtures" / "known_game.sav";
    const std::string expected = ReadFile(golden);
    ASSERT_FALSE(expected.empty()) << "tests/fixtures/known_game.sav is missing";
    EXPECT_TRUE(written == expected)
        << "the save layout drifted from tests/fixtures/known_game.sav";

    const auto floorBefore = DescribeAll(entities);
    DestroyEntities();
    fs::copy_file(golden, "game.sav", fs::copy_options::overwrite_existing);
    ASSERT_EQ(Load(), 0);
    EXPECT_EQ(DescribeAll(entities), floorBefore);
    EXPECT_EQ(player->x, PlayerX);
    EXPECT_EQ(player->y, PlayerY);
}

} // namespace
