// The dialogs: the titled box (one event per call, the caller loops on its
// own clock) and the lettered inventory box. Both draw into inventoryPanel.
#pragma once

#include <list>
#include <string>

class KRItem;

// An entry as the titled box lists it: "> text <" when highlighted.
std::string Highlighted(const std::string& text, bool highlighted);
// Draws the box and waits for one event (blocks). True when Return confirms
// `selected` (never when it is -1) or, with anyKey, at any key (stored in
// selectedKey). False otherwise: arrows move `selected`, F2 toggles the
// relative mouse, a close request, an SDL failure, or at once without an
// event when the program is ending (EndRequested).
bool Menu(const std::string& title, std::list<std::string>& lines, int wrapWidth, int& selected,
          bool anyKey);
// The titled box with nothing selectable: draws it and blocks for one
// event; always false.
bool MSGBox(const std::string& title, std::list<std::string>& lines, int wrapWidth);
// The inventory box over `option` (at most 26), `lines` preceding it; blocks
// for one key: its letter's index, or -1 (another key, close, failure, the
// program ending).
int Menu(std::list<std::string>& lines);
// Lists the inventory, newest last, and blocks for a letter; the chosen
// item, or null (cancelled or nothing carried).
KRItem* InventoryMenu(std::list<std::string>& prompt);
