// Releasing the world the game keeps in its globals, so that a test or a fuzz
// run ends with nothing of the game left for the leak check.
#pragma once

#include "floors.h"
#include "game.h"
#include "map.h"
#include "message.h"

namespace vlotest {

inline void FreeWorld() {
    DestroyEntities();
    delete theMap;
    theMap = nullptr;
    delete message;
    message = nullptr;
    funcVec.clear();
    useFuncVec.clear();
}

} // namespace vlotest
