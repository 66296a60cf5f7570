// A pepper-sprayed guard: staggers diagonally at random for a number of turns,
// then its previous behaviour comes back. Layers nest, one per spraying.
#include "confusedenemy.h"

#include <string>

#include "entity.h"
#include "map.h"
#include "message.h"

KRConfusedEnemy::KRConfusedEnemy() : numTurns(0), previousAI(nullptr) {}

KRConfusedEnemy::~KRConfusedEnemy() {
    // Still owned only while not restored; TakeTurn hands it back first.
    delete previousAI;
}

void KRConfusedEnemy::Init(KRBasicEnemy* previousAI_, int numTurns_) {
    previousAI = previousAI_;
    numTurns = numTurns_;
}

void KRConfusedEnemy::TakeTurn(KREntity* target, KRMessage* log) {
    KREntity* const self = owner;
    if (self == nullptr) {
        return;
    }
    if (numTurns > 0) {
        // Vertical first, then horizontal: always a diagonal step, which
        // simply fails on a blocked tile. A confused guard never attacks.
        const int dy = RandomGetInt(0, 1) == 0 ? -1 : 1;
        const int dx = RandomGetInt(0, 1) == 0 ? -1 : 1;
        // The player's arrival cell is not marked blocked until the player
        // first moves, so the stagger must not end on the player itself.
        const bool ontoTarget =
            target != nullptr && self->x + dx == target->x && self->y + dy == target->y;
        if (!ontoTarget) {
            self->Move(dx, dy);
        }
        --numTurns;
        return;
    }
    // Expired: hand the wrapped behaviour back to the guard, then go. This
    // object is the guard's ai while it runs, so it is deleted here and
    // nothing of it may be touched afterwards (the caller knows this too).
    self->ai = previousAI;
    previousAI = nullptr;
    if (log != nullptr) {
        log->SetMessage("The " + self->name + " is no longer confused!", false);
    }
    delete this;
}
