// The player's nine bindable actions: from a pending key to what it does.
// Only the four moves spend a turn; everything else is free.
#include <string>

#include "entity.h"
#include "equipment.h"
#include "fighter.h"
#include "game.h"
#include "item.h"
#include "message.h"
#include "rules.h"

namespace {

void Take() {
    for (KREntity* e : entities) {
        if (e->item != nullptr && e->x == player->x && e->y == player->y) {
            e->item->PickUp(message, entities, inventory);
            return;
        }
    }
}

void WinGame() {
    option.clear();
    option.push_back("You made it out of the prison complex. Congratulations!");
    MSGBox(" THE END ", option, 320);
    playerAction = 3;
}

void UseStairsOrExit() {
    for (KREntity* e : entities) {
        if (e->x != player->x || e->y != player->y) {
            continue;
        }
        if (e->name == "Exit") {
            WinGame();
            return;
        }
        if (e->name == "Stairs") {
            // The floor change destroys `e`; nothing of it is used afterwards.
            if (e->appearance == '>') {
                PreviousFloor();
            } else {
                NextFloor();
            }
            return;
        }
    }
}

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

void Drop() {
    KRItem* chosen =
        ChooseFromInventory("Press the key shown next to an item to drop it, or any other to cancel.");
    if (chosen != nullptr) {
        chosen->Drop(message, entities, inventory, player);
    }
}

void UseFromInventory() {
    KRItem* chosen =
        ChooseFromInventory("Press the key shown next to an item to use it, or any other to cancel.");
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
    nextTime = SDL_GetTicks() + FrameMs;
}

} // namespace

KRKeyboard::iterator FindBinding(KRKeyboard& table, KRActionTypes action) {
    for (auto it = table.begin(); it != table.end(); ++it) {
        if (it->first == action) {
            return it;
        }
    }
    return table.end();
}

void MarkKeyPending(SDL_Scancode scancode) {
    for (auto& binding : keyboard) {
        if (binding.second.scancode == scancode) {
            binding.second.pending = true;
            return;
        }
    }
}

void HandleKeys() {
    if (gameState != 0) {
        playerAction = 0;
        return;
    }
    playerAction = 1;
    for (int a = 0; a < ActionCount; ++a) {
        ExecuteKeyAction(static_cast<KRActionTypes>(a));
    }
}

void ExecuteKeyAction(KRActionTypes action) {
    auto binding = FindBinding(keyboard, action);
    if (binding == keyboard.end() || !binding->second.pending) {
        return;
    }
    switch (action) {
    case ActionMoveAttackUp:
        PlayerMoveOrAttack(0, -1);
        playerAction = 0;
        break;
    case ActionMoveAttackDown:
        PlayerMoveOrAttack(0, 1);
        playerAction = 0;
        break;
    case ActionMoveAttackLeft:
        PlayerMoveOrAttack(-1, 0);
        playerAction = 0;
        break;
    case ActionMoveAttackRight:
        PlayerMoveOrAttack(1, 0);
        playerAction = 0;
        break;
    case ActionTake:
        Take();
        break;
    case ActionUse:
        UseStairsOrExit();
        break;
    case ActionDrop:
        Drop();
        break;
    case ActionCharacterInformation:
        ShowCharacterInformation();
        break;
    case ActionInventory:
        UseFromInventory();
        break;
    }
    // The binding table is never edited during a game, so the iterator is
    // still valid after the dialogs above.
    binding->second.pending = false;
}

void PlayerMoveOrAttack(int dx, int dy) {
    const int tx = player->x + dx;
    const int ty = player->y + dy;
    for (entityIterator = entities.begin(); entityIterator != entities.end(); ++entityIterator) {
        KREntity* e = *entityIterator;
        if (e->fighter != nullptr && e->x == tx && e->y == ty) {
            // The attack may knock the guard out and reorder the list; the
            // walk ends here, so the cursor is not used again.
            player->fighter->Attack(e, message);
            playerMovedOrAttacked = true;
            return;
        }
    }
    player->Move(dx, dy);
    playerMovedOrAttacked = true;
}
