// Every number the game's rules are made of, in one place: the floors, how
// experience turns into levels and what a level adds, the player's start and
// rest, the guards and items with their spawn odds, what the consumables do,
// how rooms are carved and how far the player sees, how much the player can
// carry, and how far a saved game is believed; besides them, the title of the
// level-up dialog, which two modules must agree on. Plain data, no SDL: the
// world classes, the game, the tests and the benchmarks all read them here.
// Not here: the grid of 80 x 40 cells (map.h; saved games depend on it), the
// combat formula (fighter.cpp) and a guard's reach of one cell (basicenemy.cpp).
#pragma once

#include <cstddef>

#include "colors.h"

// ---- floors and levels ----------------------------------------------------------

// The prison has ten floors, shown to the player counted down from 10 to 1.
inline constexpr int FloorCount = 10;

// Floor 1 is shown as #10, the last floor (with the exit) as #1.
constexpr int ShownFloorNumber(int floor) {
    return FloorCount + 1 - floor;
}

// Leaving level L takes 200 + 150 * L experience (350 at level 1, 500 at
// level 2, ...), counted from the last level-up.
constexpr int LevelUpThreshold(int level) {
    return 200 + 150 * level;
}

// What each choice of the level-up dialog adds to the base stats. Vitality
// raises the maximum and the current hit points alike.
inline constexpr int VitalityGain = 20;
inline constexpr int StrengthGain = 1; // power
inline constexpr int AgilityGain = 1;  // defense

// The title of the level-up dialog. The dialog box redraws the picture
// behind it only under this title, so there is exactly one copy of it.
inline constexpr char LevelUpTitle[] = " Level up! Select a stat to improve: ";

// ---- the player -----------------------------------------------------------------

struct FighterStats {
    int hp, defense, power, level, xp;
};

// The prisoner of a new game, before the baton is put on.
inline constexpr FighterStats PlayerStart = {100, 1, 2, 1, 0};

// Every step onward is a rest: the maximum hit points (with equipment)
// divided by this come back, capped at the base maximum. A step back gives none.
inline constexpr int RestDivisor = 2;

// One letter key per carried item in the inventory box.
inline constexpr std::size_t InventoryLimit = 26;

// ---- what the consumables do ----------------------------------------------------

inline constexpr int FirstAidHeal = 40;       // hit points, capped at the base maximum
inline constexpr int TranquilizerRange = 5;   // cells to the nearest guard in view
inline constexpr int TranquilizerDamage = 40; // knocks out either kind of guard
inline constexpr int GrenadeRadius = 3;       // cells: the aim's reach and the blast
inline constexpr int GrenadeDamage = 25;      // to every guard in the blast
inline constexpr int PepperSprayRange = 8;    // cells: the aim's reach
inline constexpr int ConfusedTurns = 10;      // a sprayed guard staggers this long

// ---- how a floor is made --------------------------------------------------------

// Rooms: this many rectangles are tried per floor, and one that overlaps an
// earlier room is dropped; width and height are drawn from min..max cells,
// the rectangle's own border staying wall.
inline constexpr int RoomAttempts = 30;
inline constexpr int RoomMinSize = 6;
inline constexpr int RoomMaxSize = 10;

// The steps a ray of the field of view takes from the player's cell.
inline constexpr int SightRadius = 8;

// ---- who and what spawns --------------------------------------------------------
//
// Every room draws 0..max guards and 0..max items, the maxima from the floor
// tables below, each on a random cell inside the room; an attempt on a blocked
// cell is lost. Each kind is drawn with a chance proportional to its weight on
// that floor: a plain guard's GuardWeight against the elite's weight from its
// floor table, and every item's weight from its first floor on (the First Aid
// Kit's on every floor).

// A row of a floor table: `value` holds from floor `fromFloor` on, until a
// row with a later floor takes over; below every row the value is 0.
struct FloorStep {
    int value;
    int fromFloor;
};

inline constexpr FloorStep MaxGuardsPerRoom[] = {{2, 1}, {3, 4}, {5, 6}};
inline constexpr FloorStep MaxItemsPerRoom[] = {{1, 1}, {2, 4}};
inline constexpr FloorStep EliteGuardWeights[] = {{15, 3}, {30, 5}, {60, 7}};

struct EnemyKind {
    const char* key; // in the spawn weight table
    const char* name;
    unsigned char glyph;
    KRColors color;
    int hp, defense, power, level, xp;
};

// key, name, glyph, colour, hit points, defense, power, level, experience given
inline constexpr EnemyKind GuardKind = {"Guard", "Guard", 'g', LightBlue, 20, 0, 4, 1, 35};
inline constexpr EnemyKind EliteGuardKind = {"Elite", "Elite Guard", 'E', Green, 30, 2, 8, 1, 100};
inline constexpr EnemyKind EnemyKinds[] = {GuardKind, EliteGuardKind};

// A plain guard's spawn weight; the elite's grows with the floor (above).
inline constexpr int GuardWeight = 80;

struct ItemKind {
    const char* key; // in the spawn weight table
    const char* name;
    unsigned char glyph;
    KRColors color;
    int useIndex; // into useFuncVec (see FillFunctionTables); -1 for wearables
    int slot;     // wearables only: 0 main hand, 1 off hand
    int powerBonus;
    int defenseBonus;
    int weight;     // in the spawn table
    int firstFloor; // first floor it spawns on
};

// Everything that lies on the floors. Rows after the first enter the spawn
// weight table in this order; the First Aid Kit is always available.
// clang-format off
inline constexpr ItemKind ItemKinds[] = {
    // key             name                glyph colour      use slot pow def weight from
    {"Heal",         "First Aid Kit",    '!',  Magenta,     0, 0,  0,  0,  35,    1},
    {"Taser",        "Taser",            '\\', DarkGray,   -1, 0,  3,  0,   5,    4},
    {"Shield",       "Riot Shield",      '[',  LightGray,  -1, 1,  0,  1,  15,    8},
    {"Tranquilizer", "Tranquilizer Gun", '}',  LightGreen,  1, 0,  0,  0,  25,    4},
    {"Stun",         "Stun Grenade",     '?',  Yellow,      2, 0,  0,  0,  25,    6},
    {"Pepper",       "Pepper Spray",     '}',  LightRed,    3, 0,  0,  0,  10,    2},
};

// The starting weapon: never spawned, worn in the main hand from the start.
inline constexpr ItemKind BatonKind =
    {"Baton",        "Baton",            '-',  Cyan,       -1, 0,  2,  0,   0,    0};
// clang-format on

// ---- saved games ----------------------------------------------------------------

// How far a saved game is believed. A save holding more is refused: no game
// comes near these, and they keep every sum the rules make of a loaded
// fighter (stats plus both bonuses, a level's threshold, what a level-up
// adds) far inside the int range, so that a loaded game can bring only a
// handful of level-up dialogs in a row and a floor or a log line stays cheap
// to draw every frame.
inline constexpr int MaxSavedLevel = 1000;
inline constexpr int MaxSavedXP = 10000;
inline constexpr int MaxSavedHP = 100000;
inline constexpr int MaxSavedStat = 10000; // base power or defense
inline constexpr int MaxSavedBonus = 1000; // each bonus of a worn item
inline constexpr int MaxSavedEntities = 1000;
inline constexpr std::size_t MaxSavedText = 128; // bytes of a name or a log line
