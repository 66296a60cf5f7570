// Writes the seed corpora of the loader targets from real games: saves of a
// fresh game and of several deeper floors (with things picked up and worn, a
// knocked-out guard, a dead player) and settings files as the game writes
// them. Usage: vlo_fuzz_seeds <fuzz/corpus folder>; run in a scratch folder.
// (loadgame/known_game.sav is a copy of the tests' golden save.)
#include <filesystem>
#include <iostream>
#include <list>
#include <string>

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

namespace fs = std::filesystem;

namespace {

// Everything that can be carried on this floor goes into the pack, and what
// can be worn is put on, as a player walking over it would.
void PickUpEverything() {
    std::list<KREntity*> floor(entities);
    for (KREntity* e : floor) {
        if (e->item != nullptr && e->fighter == nullptr) {
            e->item->PickUp(message, entities, inventory);
            if (e->equippable != nullptr) {
                player->equipment->ToggleEquip(e);
            }
        }
    }
}

void KnockOutOneGuard() {
    for (KREntity* e : std::list<KREntity*>(entities)) {
        if (e != player && e->fighter != nullptr) {
            e->fighter->TakeDamage(e->fighter->hp);
            return;
        }
    }
}

void Keep(const std::string& file, const fs::path& to) {
    fs::copy_file(file, to, fs::copy_options::overwrite_existing);
    std::cout << to.string() << "\n";
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::cerr << "usage: " << argv[0] << " corpus-folder\n";
        return 2;
    }
    const fs::path corpus = fs::absolute(argv[1]);
    fs::create_directories(corpus / "loadgame");
    fs::create_directories(corpus / "loadsettings");
    message = new KRMessage();

    NewGame();
    SaveGame();
    Keep("game.sav", corpus / "loadgame" / "floor1_new.sav");
    for (int floor = 2; floor <= 10; ++floor) {
        NextFloor();
        if (floor == 3 || floor == 6) {
            PickUpEverything();
            KnockOutOneGuard();
            SaveGame();
            Keep("game.sav", corpus / "loadgame" / ("floor" + std::to_string(floor) + ".sav"));
        }
    }
    PlayerDeath(player);
    SaveGame();
    Keep("game.sav", corpus / "loadgame" / "floor10_dead.sav");

    SetDefaultGameSettings();
    SaveGameSettings();
    Keep("game.cfg", corpus / "loadsettings" / "default.cfg");
    fullscreen = false;
    musicEnabled = false;
    musicVolume = 33;
    FindBinding(keyboard, ActionMoveAttackUp)->second.scancode = SDL_SCANCODE_W;
    FindBinding(keyboard, ActionMoveAttackLeft)->second.scancode = SDL_SCANCODE_A;
    FindBinding(keyboard, ActionMoveAttackDown)->second.scancode = SDL_SCANCODE_S;
    FindBinding(keyboard, ActionMoveAttackRight)->second.scancode = SDL_SCANCODE_D;
    FindBinding(keyboard, ActionDrop)->second.scancode = SDL_SCANCODE_X;
    SaveGameSettings();
    Keep("game.cfg", corpus / "loadsettings" / "rebound.cfg");
    keyboard.erase(ActionInventory);
    keyboard.erase(ActionCharacterInformation);
    SaveGameSettings();
    Keep("game.cfg", corpus / "loadsettings" / "seven_keys.cfg");

    vlotest::FreeWorld();
    return 0;
}
