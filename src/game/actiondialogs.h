// The player's actions that open a dialog: the inventory prompts, the
// character sheet and the closing screen. Each blocks until answered.
#pragma once

// Asks for an item and drops it at the player's feet; any other key cancels.
void DropFromInventory();
// Asks for an item and uses it, or puts it on or off when it is worn.
void UseFromInventory();
// Shows experience, the level-up threshold and the stats until a key.
void ShowCharacterInformation();
// Shows the closing message until a key; playerAction becomes GameWon.
void WinGame();
