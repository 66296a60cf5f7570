// Aiming with the mouse for the items that need a target.
#include "aiming.h"

#include "entity.h"
#include "game.h"
#include "map.h"
#include "modal.h"
#include "render.h"
#include "shell.h"
#include "view.h"

namespace {

const std::pair<int, int> NoTile(-1, -1);

// Picture pixel -> map cell, or NoTile when the pixel is off the map area or
// the cell is not in view. Pixels left of or above the picture are off it
// (plain division would fold -7..-1 into cell 0).
std::pair<int, int> VisibleCellAt(SDL_Point p) {
    if (p.x < 0 || p.y < 0) {
        return NoTile;
    }
    const int cx = p.x / 8;
    const int cy = p.y / 8;
    if (!KRMap::InBounds(cx, cy) || !theMap->IsVisible(cx, cy)) {
        return NoTile;
    }
    return {cx, cy};
}

// The gamepad aims with the mouse's cursor: the d-pad or the stick moves it a
// cell at a time, from the player's cell when it is not on a cell in view;
// South fires at it. The cell fired at, else NoTile.
std::pair<int, int> PadAims(SDL_Scancode key) {
    std::pair<int, int> cell = VisibleCellAt(mousePos);
    if (key == SDL_SCANCODE_RETURN) {
        return cell;
    }
    if (cell == NoTile) {
        cell = {player->x, player->y};
    }
    const int dx = key == SDL_SCANCODE_LEFT ? -1 : key == SDL_SCANCODE_RIGHT ? 1 : 0;
    const int dy = key == SDL_SCANCODE_UP ? -1 : key == SDL_SCANCODE_DOWN ? 1 : 0;
    if (KRMap::InBounds(cell.first + dx, cell.second + dy)) {
        cell = {cell.first + dx, cell.second + dy};
    }
    mousePos = {8 * cell.first, 8 * cell.second};
    return NoTile;
}

} // namespace

// A modal aiming loop on the game's 60 ms frame clock. Each frame redraws the
// game (the cursor follows `mousePos`) and drains the event queue, so nothing
// typed while aiming is replayed as a command afterwards:
// - a right click or Escape cancels;
// - a left click on a cell in the field of view selects it; other clicks are
//   ignored. The player's field of view (radius 8) is the only limit: a tile
//   farther than `maxRange` from the player is accepted, so a grenade can be
//   thrown anywhere the player can see.
// - a window-close request cancels and sets `gameOver`: the running game then
//   ends at the end of this frame without saving, exactly as if the main loop
//   had seen the close itself (pushing the event back could let a later dialog
//   of the same frame swallow it).
// - F2 toggles relative mouse mode as it does in the main loop.
// - the gamepad moves the cursor and fires with South, East cancels.
// - the program ending (EndRequested) cancels when the frame is over.
std::pair<int, int> TargetTile(int /*maxRange*/) {
    if (SDL_TICKS_PASSED(SDL_GetTicks(), nextTime)) {
        RestartFrameClock(); // called after a long pause: no catch-up burst
    }
    for (;;) {
        // A move earlier in this frame may have come before the Use that
        // opened the aim: the view catches up before the first picture.
        UpdateView();
        Render();
        for (bool framing = true; framing;) {
            const Input in = WaitForInput(Pace::Frame);
            switch (in.kind) {
            case InputKind::FrameOver: framing = false; break;
            case InputKind::Ending: return NoTile; // cancelled: the program is ending
            case InputKind::Close: gameOver = true; return NoTile;
            case InputKind::Key:
                if (in.event.key.keysym.scancode == SDL_SCANCODE_ESCAPE) {
                    return NoTile;
                }
                if (in.fromPad) {
                    if (const auto cell = PadAims(in.event.key.keysym.scancode); cell != NoTile) {
                        return cell;
                    }
                }
                break;
            case InputKind::Other: {
                const SDL_Event& e = in.event;
                if (e.type == SDL_MOUSEMOTION) {
                    mousePos = WindowToPicture(e.motion.x, e.motion.y);
                } else if (e.type == SDL_MOUSEBUTTONDOWN) {
                    mousePos = WindowToPicture(e.button.x, e.button.y);
                    if (e.button.button == SDL_BUTTON_RIGHT) {
                        return NoTile;
                    }
                    const std::pair<int, int> cell = VisibleCellAt(mousePos);
                    if (e.button.button == SDL_BUTTON_LEFT && cell != NoTile) {
                        return cell;
                    }
                }
                break;
            }
            default: break; // F2 has toggled the mouse mode
            }
        }
    }
}

KREntity* TargetEnemy(int maxRange) {
    // The player keeps clicking until a guard is chosen or the aim is cancelled.
    for (;;) {
        const std::pair<int, int> cell = TargetTile(maxRange);
        if (cell == NoTile) {
            return nullptr;
        }
        for (KREntity* e : entities) {
            if (e != player && e->fighter != nullptr && e->x == cell.first && e->y == cell.second) {
                return e;
            }
        }
    }
}
