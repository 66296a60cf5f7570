// The player's actions that open a dialog: the inventory prompts, the
// character sheet and the closing screen.
#include "actiondialogs.h"

#include <string>

#include "entity.h"
#include "equipment.h"
#include "fighter.h"
#include "game.h"
#include "item.h"
#include "menus.h"
#include "message.h"
#include "modal.h"
#include "rules.h"

namespace {

// Shows the inventory box with a prompt; returns the chosen item or null.
KRItem* ChooseFromInventory(const char* prompt) {
    showInventory = true;
    inventoryMessages.clear();
    message->WordWarp(prompt, inventoryMessages, 464, true);
    inventoryMessages.push_back("");
    KRItem* chosen = InventoryMenu(inventoryMessages);
    showInventory = false;
    return chosen;
}

} // namespace

void WinGame() {
    option.clear();
    option.push_back("You made it out of the prison complex. Congratulations!");
    MSGBox(" THE END ", option, 320);
    playerAction = GameWon;
}

void DropFromInventory() {
    KRItem* chosen = ChooseFromInventory(
        "Press the key shown next to an item to drop it, or any other to cancel.");
    if (chosen != nullptr) {
        chosen->Drop(message, entities, inventory, player);
    }
}

void UseFromInventory() {
    KRItem* chosen = ChooseFromInventory(
        "Press the key shown next to an item to use it, or any other to cancel.");
    if (chosen == nullptr) {
        return;
    }
    KREntity* wearable = chosen->Use(message, player, inventory);
    if (wearable == nullptr || player->equipment == nullptr) {
        return;
    }
    for (const auto& change : player->equipment->ToggleEquip(wearable)) {
        if (change.first == "Equipped") {
            message->SetMessage("You equipped the " + change.second->name, false);
        } else if (change.first == "Dequipped") {
            message->SetMessage("You dequipped the " + change.second->name, false);
        }
    }
}

void ShowCharacterInformation() {
    const KRFighter* f = player->fighter;
    option.clear();
    option.push_back("Experience: " + std::to_string(f->xp));
    option.push_back("Experience to level up: " + std::to_string(LevelUpThreshold(f->level)));
    option.push_back("Defense: " + std::to_string(f->GetDefense(false)));
    option.push_back("Attack: " + std::to_string(f->GetPower(false)));
    option.push_back("Maximum HP: " + std::to_string(f->GetMaxHP(false)));
    int selected = -1;
    Menu(" Character Information ", option, 320, selected, false);
}
