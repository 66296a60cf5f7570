// What the four consumable items do, and the mouse targeting two of them
// need. Each use function reports ItemUsed (spent) or ItemCancelled (kept);
// removing a spent item is KRItem::Use's business, not ours.
#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "confusedenemy.h"
#include "entity.h"
#include "fighter.h"
#include "game.h"
#include "map.h"
#include "message.h"

namespace {

// clang-format off
constexpr int HealAmount        = 40;
constexpr int TranquilizerRange = 5;
constexpr int TranquilizerDamage = 40;
constexpr int GrenadeRadius     = 3;
constexpr int GrenadeDamage     = 25;
constexpr int PepperRange       = 8;
constexpr int ConfusedTurns     = 10;
// clang-format on

const std::pair<int, int> NoTile(-1, -1);

void Post(const std::string& text) {
    if (message != nullptr) {
        message->SetMessage(text, false);
    }
}

// A guard the player can see: a fighter other than the player on a tile of
// the field of view.
bool IsVisibleFoe(const KREntity* e) {
    return e != player && e->fighter != nullptr && KRMap::InBounds(e->x, e->y) &&
           theMap->IsVisible(e->x, e->y);
}

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

} // namespace

KREntity* ClosestEnemy(int maxRange) {
    KREntity* closest = nullptr;
    // Distances are compared truncated to whole cells; starting the bound one
    // above the range admits exactly the truncated distances up to it, and the
    // strict comparison lets the earlier entity win a tie.
    int best = maxRange + 1;
    for (entityIterator = entities.begin(); entityIterator != entities.end(); ++entityIterator) {
        KREntity* e = *entityIterator;
        if (!IsVisibleFoe(e)) {
            continue;
        }
        const int distance = static_cast<int>(player->DistanceTo(e));
        if (distance < best) {
            best = distance;
            closest = e;
        }
    }
    return closest;
}

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
std::pair<int, int> TargetTile(int /*maxRange*/) {
    if (SDL_TICKS_PASSED(SDL_GetTicks(), nextTime)) {
        nextTime = SDL_GetTicks() + FrameMs; // called after a long pause: no catch-up burst
    }
    for (;;) {
        Render();
        while (SDL_PollEvent(&event) != 0) {
            switch (event.type) {
            case SDL_QUIT:
                gameOver = true;
                return NoTile;
            case SDL_KEYDOWN:
                if (event.key.keysym.scancode == SDL_SCANCODE_ESCAPE) {
                    return NoTile;
                }
                if (event.key.keysym.scancode == SDL_SCANCODE_F2 && event.key.repeat == 0) {
                    SDL_SetRelativeMouseMode(SDL_GetRelativeMouseMode() ? SDL_FALSE : SDL_TRUE);
                }
                break;
            case SDL_MOUSEMOTION:
                mousePos = WindowToPicture(event.motion.x, event.motion.y);
                break;
            case SDL_MOUSEBUTTONDOWN: {
                mousePos = WindowToPicture(event.button.x, event.button.y);
                if (event.button.button == SDL_BUTTON_RIGHT) {
                    return NoTile;
                }
                if (event.button.button == SDL_BUTTON_LEFT) {
                    const std::pair<int, int> cell = VisibleCellAt(mousePos);
                    if (cell != NoTile) {
                        return cell;
                    }
                }
                break;
            }
            default:
                break;
            }
        }
        Delay(nextTime);
        nextTime += FrameMs;
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
            if (e != player && e->fighter != nullptr && e->x == cell.first &&
                e->y == cell.second) {
                return e;
            }
        }
    }
}

KRItemActions UseFirstAidKit(KREntity* user) {
    if (user == nullptr || user->fighter == nullptr) {
        return ItemCancelled;
    }
    KRFighter* f = user->fighter;
    if (f->hp >= f->GetMaxHP(false)) {
        Post("You are already at full health.");
        return ItemCancelled;
    }
    Post("Your injuries are starting to feel better!");
    f->Heal(HealAmount);
    return ItemUsed;
}

KRItemActions UseTranquilizerGun(KREntity* /*user*/) {
    KREntity* target = ClosestEnemy(TranquilizerRange);
    if (target == nullptr) {
        Post("No enemy is close enough to use tranquilizer gun.");
        return ItemCancelled;
    }
    // Posted first: the dose knocks out either kind of guard, and the
    // knock-out renames the body.
    Post("A ballistic syringe strikes the " + target->name + " (" +
         std::to_string(TranquilizerDamage) + " hit points)");
    target->fighter->TakeDamage(TranquilizerDamage);
    return ItemUsed;
}

KRItemActions UseStunGrenade(KREntity* /*user*/) {
    Post("Left-click a target tile for the stun grenade, or right-click to cancel.");
    const std::pair<int, int> cell = TargetTile(GrenadeRadius);
    if (cell == NoTile) {
        return ItemCancelled;
    }
    Post("The stun grenade explodes, blinding everything within " +
         std::to_string(GrenadeRadius) + " tiles!");
    // Everyone in the blast is chosen before anyone is hit: a knock-out moves
    // the body to the front of the list, which would make a walk of the live
    // list skip or repeat guards. The walk goes from the back to the front.
    std::vector<KREntity*> caught;
    for (auto it = entities.rbegin(); it != entities.rend(); ++it) {
        KREntity* e = *it;
        if (e != player && e->fighter != nullptr &&
            e->Distance(cell.first, cell.second) <= static_cast<float>(GrenadeRadius) &&
            std::find(caught.begin(), caught.end(), e) == caught.end()) {
            caught.push_back(e);
        }
    }
    for (KREntity* e : caught) {
        // Knock-outs release only the fighter of the guard concerned, so
        // every caught guard still has its own; checked all the same.
        if (e->fighter == nullptr) {
            continue;
        }
        Post("The " + e->name + " gets blinded (" + std::to_string(GrenadeDamage) +
             " hit points)");
        e->fighter->TakeDamage(GrenadeDamage);
    }
    return ItemUsed;
}

KRItemActions UsePepperSpray(KREntity* /*user*/) {
    Post("Left-click to disorient and blind an enemy, or right-click to cancel.");
    KREntity* target = TargetEnemy(PepperRange);
    if (target == nullptr) {
        return ItemCancelled;
    }
    // The current behaviour is wrapped, not replaced: it comes back when the
    // confusion wears off, one layer per spraying.
    auto* confused = new KRConfusedEnemy();
    confused->Init(target->ai, ConfusedTurns);
    confused->owner = target;
    target->ai = confused;
    Post("The eyes of the " + target->name + " are closed, and he starts to wander aimlessly!");
    return ItemUsed;
}
