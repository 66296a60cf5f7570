// The title header behind the main and options menus, and the help screen.
#pragma once

// Clears `screen` and draws the V.L.O. letters and the copyright line.
void Header();
// Shows the help text until a key; blocks.
void HelpScreen();
