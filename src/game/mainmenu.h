// The hub between games: the five entries, and every game played from here.
#pragma once

// Runs the main menu until Quit (or a new game cannot start); blocks.
void MainMenu();
