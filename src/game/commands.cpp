// The player's nine bindable actions: from a pending key to what it does.
// Only the four moves spend a turn; everything else is free.
#include "commands.h"

#include <string>

#include "actiondialogs.h"
#include "entity.h"
#include "fighter.h"
#include "floors.h"
#include "game.h"
#include "item.h"
#include "message.h"

namespace {

void Take() {
    for (KREntity* e : entities) {
        if (e->item != nullptr && e->x == player->x && e->y == player->y) {
            e->item->PickUp(message, entities, inventory);
            return;
        }
    }
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

} // namespace

KRKeyboard::iterator FindBinding(KRKeyboard& table, KRActionTypes action) {
    const auto it = table.lower_bound(action);
    return it != table.end() && it->first == action ? it : table.end();
}

KRKeyboard::const_iterator FindBinding(const KRKeyboard& table, KRActionTypes action) {
    return FindBinding(const_cast<KRKeyboard&>(table), action);
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
    if (gameState != GameStatePlaying) {
        playerAction = TurnSpent;
        return;
    }
    playerAction = NoTurn;
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
        playerAction = TurnSpent;
        break;
    case ActionMoveAttackDown:
        PlayerMoveOrAttack(0, 1);
        playerAction = TurnSpent;
        break;
    case ActionMoveAttackLeft:
        PlayerMoveOrAttack(-1, 0);
        playerAction = TurnSpent;
        break;
    case ActionMoveAttackRight:
        PlayerMoveOrAttack(1, 0);
        playerAction = TurnSpent;
        break;
    case ActionTake: Take(); break;
    case ActionUse: UseStairsOrExit(); break;
    case ActionDrop: DropFromInventory(); break;
    case ActionCharacterInformation: ShowCharacterInformation(); break;
    case ActionInventory: UseFromInventory(); break;
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
