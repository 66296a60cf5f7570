// Nothing allocated by the game outlives an orderly quit: start-up, games,
// floor changes, confused guards, a save and loads, then QuitGame, followed
// by LeakSanitizer's full check. tests/lsan.supp silences only the platform
// libraries SDL may load, never a frame of ours.
#include <gtest/gtest.h>
#include <sanitizer/lsan_interface.h>

#include <filesystem>
#include <string>
#include <system_error>

#include "basicenemy.h"
#include "confusedenemy.h"
#include "entity.h"
#include "factory.h"
#include "fighter.h"
#include "floors.h"
#include "game.h"
#include "game_env.h"
#include "map.h"
#include "render.h"
#include "savegame.h"
#include "shell.h"

namespace {

// A guard beside the player, sprayed twice, as UsePepperSpray leaves it:
// two confusion layers over the plain behaviour, owned through `ai`.
KREntity* DoublyConfusedGuard() {
    KREntity* guard = NewGuard(GuardKind, player->x + 1, player->y, theMap, funcVec[0]);
    for (int layer = 0; layer < 2; ++layer) {
        auto* confused = new KRConfusedEnemy();
        confused->Init(guard->ai, 10);
        confused->owner = guard;
        guard->ai = confused;
    }
    entities.push_back(guard);
    return guard;
}

class LeakTest : public vlotest::ScratchEnv {};

TEST_F(LeakTest, OrderlyQuitAfterGamesFloorsSaveAndLoadLeavesNothing) {
    ASSERT_TRUE(InitGame(640, 400, false));
    ASSERT_TRUE(NewGame());
    Render();

    // A knocked-out confused guard: its behaviour layers go with its fighter.
    KREntity* victim = DoublyConfusedGuard();
    victim->fighter->TakeDamage(100);
    ASSERT_EQ(victim->ai, nullptr) << "a knocked-out guard keeps no behaviour";

    // A confused guard still standing when the floor is left.
    DoublyConfusedGuard();
    for (int i = 0; i < 3; ++i) {
        NextFloor();
        Render();
    }
    PreviousFloor();
    Render();
    DoublyConfusedGuard();

    ASSERT_TRUE(SaveGame());
    std::string version;
    ASSERT_EQ(LoadGame(version), 0);
    Render();
    // A new game over a loaded one, and a load over that.
    ASSERT_TRUE(NewGame());
    NextFloor();
    ASSERT_EQ(LoadGame(version), 0);
    Render();

    QuitGame();
    // Pointers still held by globals would hide a leak from the scan below.
    EXPECT_TRUE(entities.empty());
    EXPECT_TRUE(inventory.empty());
    EXPECT_EQ(player, nullptr);
    EXPECT_EQ(theMap, nullptr);
    EXPECT_EQ(font, nullptr);
    EXPECT_EQ(message, nullptr);
    EXPECT_EQ(screen, nullptr);
    EXPECT_EQ(inventoryPanel, nullptr);
    EXPECT_EQ(__lsan_do_recoverable_leak_check(), 0)
        << "LeakSanitizer found memory lost after QuitGame (report above)";
}

} // namespace
