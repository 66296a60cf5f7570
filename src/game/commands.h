// The player's nine bindable actions: from a pending key to what it does.
// Only the four moves spend a turn; everything else is free.
#pragma once

#include "game.h"

// First entry of `action` (entries of one action keep their insertion
// order), or end().
KRKeyboard::iterator FindBinding(KRKeyboard& table, KRActionTypes action);
KRKeyboard::const_iterator FindBinding(const KRKeyboard& table, KRActionTypes action);
// Marks the first binding (in action order) of a scancode as pending.
void MarkKeyPending(SDL_Scancode scancode);
// Runs every pending action in action order; playerAction becomes TurnSpent
// (a move or an attack, or no living player to act), NoTurn, or GameWon (the
// exit was used). May block in dialogs.
void HandleKeys();
// Runs `action` when its first binding is pending, then clears it. The
// inventory, drop, character and exit actions block in their dialogs.
void ExecuteKeyAction(KRActionTypes action);
// Attacks the fighter on the target cell, else walks there when it is free.
void PlayerMoveOrAttack(int dx, int dy);
