// The game's rules in one place: the size of the prison, how experience turns
// into levels, what guards and items there are and what they do, and how much
// the player can carry. Plain data, no SDL: the world classes, the game, the
// tests and the benchmarks all read them from here.
#pragma once

#include <cstddef>

#include "colors.h"

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

// One letter key per carried item in the inventory box.
inline constexpr std::size_t InventoryLimit = 26;

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

// The title of the level-up dialog. The dialog box redraws the picture
// behind it only under this title, so there is exactly one copy of it.
inline constexpr char LevelUpTitle[] = " Level up! Select a stat to improve: ";

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

// A plain guard's spawn weight; the elite's grows with the floor (see KRMap).
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
