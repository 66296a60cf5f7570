// Shared set-up of the rules tests: an open floor with only the player on
// it, guards as the spawn tables make them, and the log read as one text.
#pragma once

#include <string>

#include "basicenemy.h"
#include "entity.h"
#include "factory.h"
#include "fighter.h"
#include "floors.h"
#include "game.h"
#include "game_env.h"
#include "map.h"
#include "message.h"

namespace rulestest {

constexpr int PlayerX = 40;
constexpr int PlayerY = 20;

// The log as the panel lists it, top line first (newest message first, each
// message in reading order), joined by single spaces.
inline std::string Transcript() {
    std::string all;
    for (auto it = message->messages.begin(); it != message->messages.end(); ++it) {
        all += (all.empty() ? "" : " ") + *it;
    }
    return all;
}

// One open room over the whole grid, only the player on it, at (40, 20).
inline void OpenFloor() {
    for (KREntity* e : entities) {
        if (e != player) {
            delete e;
        }
    }
    entities.assign(1, player);
    for (int y = 0; y < MapHeight; ++y) {
        for (int x = 0; x < MapWidth; ++x) {
            const bool border = x == 0 || y == 0 || x == MapWidth - 1 || y == MapHeight - 1;
            theMap->TileAt(x, y)->Init(border, false);
        }
    }
    player->x = PlayerX;
    player->y = PlayerY;
    theMap->TileAt(PlayerX, PlayerY)->blocked = true;
    theMap->ComputeFOV(player);
    message->messages.clear();
}

inline KREntity* AddGuard(int dx, int dy, bool elite = false) {
    KREntity* e = NewGuard(elite ? EliteGuardKind : GuardKind, player->x + dx, player->y + dy,
                           theMap, funcVec[0]);
    theMap->TileAt(e->x, e->y)->blocked = true;
    entities.push_back(e);
    return e;
}

// A new game whose floor is one open room, with an empty event queue.
class OpenFloorGame : public vlotest::GameEnv {
protected:
    void SetUp() override {
        GameEnv::SetUp();
        if (HasFatalFailure()) {
            return;
        }
        ASSERT_TRUE(NewGame());
        OpenFloor();
        SDL_PumpEvents();
        SDL_FlushEvents(SDL_FIRSTEVENT, SDL_LASTEVENT);
    }
};

} // namespace rulestest
