// The dialogs: the titled box (one answer per call, the caller loops on its
// own clock) and the lettered inventory box. Both draw into inventoryPanel.
#pragma once

#include <SDL.h>

#include <list>
#include <string>

class KRItem;

// How a box was answered.
enum class DialogOutcome {
    Chosen,       // Return on the highlighted line, or a listed letter: `index`
    KeyPressed,   // any key, in any-key mode: `key`
    Moved,        // an arrow moved the highlight
    OtherKey,     // any other key: `key`
    MouseToggled, // F2 (the mouse mode is toggled)
    Closed,       // the window is to be closed
    Ending,       // the program is ending (EndRequested)
    Failed,       // no box could be made, or the event queue failed
};

struct DialogResult {
    DialogOutcome outcome = DialogOutcome::Failed;
    int index = -1;
    SDL_Scancode key = SDL_SCANCODE_UNKNOWN;
    bool fromPad = false; // the answer came from the gamepad, `key` what it stands for
    // A line was chosen or, in any-key mode, a key pressed.
    bool Answered() const {
        return outcome == DialogOutcome::Chosen || outcome == DialogOutcome::KeyPressed;
    }
};

// What a titled box is drawn over on every redraw.
enum class Backdrop {
    Screen,   // whatever is on the screen
    Snapshot, // the picture saved by CopyOfSurface (the level-up box)
};

// An entry as the titled box lists it: "> text <" when highlighted.
std::string Highlighted(const std::string& text, bool highlighted);
// Draws the box and waits for one answer (blocks; mouse and window events
// only redraw it). Return confirms `selected` (never when it is -1), arrows
// move `selected`; with anyKey every key but F2 is the answer.
DialogResult Menu(const std::string& title, std::list<std::string>& lines, int wrapWidth,
                  int& selected, bool anyKey, Backdrop backdrop = Backdrop::Screen);
// The titled box with nothing selectable: draws it and blocks for one answer.
DialogResult MSGBox(const std::string& title, std::list<std::string>& lines, int wrapWidth);
// Tells the player that `what` ("The game") could not be saved and why, in
// the box titled `title`; any key goes back to `backTo` ("the game").
DialogResult SaveFailureBox(const std::string& title, const std::string& what,
                            const std::string& reason, const std::string& backTo);
// The inventory box over `option` (at most 26), `lines` preceding it; blocks
// for one key: Chosen with its letter's index, or why not. The gamepad picks
// with the d-pad instead (the item it points at shown as the titled box
// shows its highlight, only while the pad is in use), confirms with South
// and cancels with East.
DialogResult Menu(std::list<std::string>& lines);
// Lists the inventory, newest last, and blocks for a letter; the chosen
// item, or null (cancelled or nothing carried).
KRItem* InventoryMenu(std::list<std::string>& prompt);
