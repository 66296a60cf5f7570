// What the game's loader targets share: a private working folder (the loaders
// read game.sav and game.cfg from the working directory), writing the input
// there, and a picture of everything a failed load must leave alone.
#pragma once

#include <stdlib.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <list>
#include <sstream>
#include <string>
#include <vector>

#include "basicenemy.h"
#include "commands.h"
#include "death.h"
#include "entity.h"
#include "equipment.h"
#include "fighter.h"
#include "floors.h"
#include "free_world.h"
#include "game.h"
#include "item.h"
#include "map.h"
#include "message.h"
#include "savegame.h"
#include "settings.h"
#include "tile.h"
#include "usefunctions.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

// A broken property stops the fuzzer at once, with the input kept.
#define CHECK(condition)                                                                           \
    do {                                                                                           \
        if (!(condition)) {                                                                        \
            __builtin_trap();                                                                      \
        }                                                                                          \
    } while (false)

namespace vlofuzz {

// Once per process: SDL on its dummy drivers, a fresh folder under the system
// temp dir as working directory (removed at exit, with the game), the game's
// and the library's notices on both streams silenced (they would flood the
// fuzzer's output; the sanitizers write past the streams).
// Paths handed to libFuzzer must be absolute: it reads corpus files after the
// first input has moved the working directory.
inline void EnterScratchFolder() {
    setenv("SDL_VIDEODRIVER", "dummy", 1);
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    static std::string folder = [] {
        std::string tmpl = (std::filesystem::temp_directory_path() / "vlo-fuzz-XXXXXX").string();
        if (mkdtemp(tmpl.data()) == nullptr) {
            std::perror("mkdtemp");
            std::abort();
        }
        return tmpl;
    }();
    std::filesystem::current_path(folder);
    std::atexit([] {
        // Released before the globals' own destructors run, so that the leak
        // check at exit finds nothing of the game unreachable.
        vlotest::FreeWorld();
        std::error_code ec;
        std::filesystem::current_path(std::filesystem::temp_directory_path(), ec);
        std::filesystem::remove_all(folder, ec);
    });
    std::cout.setstate(std::ios::failbit);
    std::cerr.setstate(std::ios::failbit);
}

inline bool WriteInput(const char* name, const std::uint8_t* data, std::size_t size) {
    std::FILE* f = std::fopen(name, "wb");
    if (f == nullptr) {
        return false;
    }
    const bool written = size == 0 || std::fwrite(data, 1, size, f) == size;
    return std::fclose(f) == 0 && written;
}

inline std::string DescribeEntity(const KREntity* e) {
    std::ostringstream s;
    s << e << ' ' << e->name << ' ' << e->x << ',' << e->y << ' ' << int(e->appearance) << ' '
      << int(e->color) << ' ' << e->blocks << e->visible << ' ' << e->order << ' ' << e->map
      << " ai " << e->ai << " item " << e->item;
    if (e->item != nullptr) {
        s << ' ' << reinterpret_cast<const void*>(e->item->useFunction);
    }
    if (const KREquippable* q = e->equippable) {
        s << " wear " << q->slot << '/' << q->powerBonus << '/' << q->defenseBonus << '/'
          << q->maxHPBonus;
    }
    if (const KRFighter* f = e->fighter) {
        s << " fight " << f->hp << '/' << f->GetMaxHP(true) << '/' << f->GetDefense(true) << '/'
          << f->GetPower(true) << '/' << f->level << '/' << f->xp << ' '
          << reinterpret_cast<const void*>(f->deathFunction);
    }
    if (const KREquipment* q = e->equipment) {
        s << " slots " << q->mainHand << ' ' << q->offHand;
    }
    return s.str();
}

// Everything of the running game a refused load must not touch, as text:
// equal pictures mean the same objects in the same order with the same
// values.
inline std::string PictureOfGame() {
    std::ostringstream s;
    s << "map " << theMap << " player " << player << '\n';
    if (theMap != nullptr) {
        s << "floor " << theMap->currentFloor << " rooms " << theMap->rooms.size() << '\n';
        for (const KRTile* t : theMap->tiles) {
            s << t->blocked << t->blockSight << t->explored;
        }
        s << '\n';
        for (bool v : theMap->visibleTiles) {
            s << v;
        }
        s << '\n';
    }
    for (const KREntity* e : entities) {
        s << "entity " << DescribeEntity(e) << '\n';
    }
    for (const KREntity* e : inventory) {
        s << "carried " << DescribeEntity(e) << '\n';
    }
    if (message != nullptr) {
        for (const std::string& line : message->messages) {
            s << "log " << line << '\n';
        }
    }
    for (const std::string& line : inventoryMessages) {
        s << "menu " << line << '\n';
    }
    for (auto f : funcVec) {
        s << "death " << reinterpret_cast<const void*>(f) << '\n';
    }
    for (auto f : useFuncVec) {
        s << "use " << reinterpret_cast<const void*>(f) << '\n';
    }
    s << "state " << gameState << ' ' << playerAction << ' ' << playerMovedOrAttacked << ' '
      << showInventory << ' ' << gameOver << '\n';
    s << "settings " << fullscreen << ' ' << musicEnabled << ' ' << musicVolume << '\n';
    for (const auto& [action, binding] : keyboard) {
        s << "key " << action << ' ' << binding.scancode << ' ' << binding.pending << '\n';
    }
    return s.str();
}

} // namespace vlofuzz
