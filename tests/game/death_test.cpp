// Knock-outs, the player's defeat and levelling up, on a started shell with a
// hand-built open floor. The level-up dialog is driven by key presses queued
// before CheckLevelUp runs.
#include <gtest/gtest.h>

#include <list>
#include <string>

#include "basicenemy.h"
#include "commands.h"
#include "entity.h"
#include "fighter.h"
#include "game.h"
#include "game_env.h"
#include "levelup.h"
#include "map.h"
#include "message.h"
#include "render.h"
#include "scripted_input.h"
#include "test_floor.h"

namespace {

using namespace vlotest;

void PushKeys(std::initializer_list<SDL_Scancode> keys) {
    for (SDL_Scancode k : keys) {
        SDL_Event e = vlotest::KeyDown(k);
        ASSERT_EQ(SDL_PushEvent(&e), 1);
    }
}

int QueuedKeys() {
    SDL_PumpEvents();
    return SDL_PeepEvents(nullptr, 0, SDL_PEEKEVENT, SDL_KEYDOWN, SDL_KEYDOWN);
}

class DeathTest : public OpenFloorGame {
protected:

    // A CheckLevelUp that must not open the dialog: a Return is queued so a
    // wrong dialog returns instead of waiting, and must still be queued.
    void ExpectNoLevelUp(const char* why) {
        PushKeys({SDL_SCANCODE_RETURN});
        EXPECT_FALSE(CheckLevelUp()) << why;
        EXPECT_EQ(QueuedKeys(), 1) << why;
        SDL_FlushEvents(SDL_FIRSTEVENT, SDL_LASTEVENT);
    }

    // Levels up once choosing with the given keys (Return is added).
    void LevelUp(std::initializer_list<SDL_Scancode> moves) {
        PushKeys(moves);
        PushKeys({SDL_SCANCODE_RETURN});
        EXPECT_TRUE(CheckLevelUp());
        EXPECT_EQ(QueuedKeys(), 0);
    }

    KRFighter* me() { return player->fighter; }
};

// ---- Levelling ------------------------------------------------------------------

TEST_F(DeathTest, LevelOneNeeds350AndTheSurplusStays) {
    me()->xp = 349;
    ExpectNoLevelUp("349 is one short");
    EXPECT_EQ(me()->level, 1);
    EXPECT_EQ(me()->xp, 349);

    me()->xp = 350;
    LevelUp({});
    EXPECT_EQ(me()->level, 2);
    EXPECT_EQ(me()->xp, 0);
    EXPECT_EQ(Transcript(), "YOUR COMBAT PROWESS INCREASES! YOU HAVE ADVANCED TO LEVEL 2!");

    me()->xp = 499;
    ExpectNoLevelUp("level 2 needs 500");
    me()->xp = 550;
    LevelUp({});
    EXPECT_EQ(me()->level, 3);
    EXPECT_EQ(me()->xp, 50) << "the surplus is kept";
}

TEST_F(DeathTest, OneLevelPerCall) {
    me()->xp = 350 + 500;
    LevelUp({});
    EXPECT_EQ(me()->level, 2);
    EXPECT_EQ(me()->xp, 500) << "the next threshold waits for the next call";
    LevelUp({});
    EXPECT_EQ(me()->level, 3);
    EXPECT_EQ(me()->xp, 0);
    ExpectNoLevelUp("nothing left");
}

TEST_F(DeathTest, VitalityRaisesMaximumAndCurrentHitPoints) {
    me()->xp = 350;
    LevelUp({});
    EXPECT_EQ(me()->maxHP, 120);
    EXPECT_EQ(me()->hp, 120);

    me()->maxHP = 100;
    me()->hp = 60;
    me()->xp = 500;
    LevelUp({});
    EXPECT_EQ(me()->maxHP, 120);
    EXPECT_EQ(me()->hp, 80) << "the wound stays";
}

TEST_F(DeathTest, StrengthAndAgilityRaiseTheBaseStats) {
    me()->xp = 350;
    LevelUp({SDL_SCANCODE_DOWN});
    EXPECT_EQ(me()->power, 3);
    EXPECT_EQ(me()->GetPower(false), 5);
    EXPECT_EQ(me()->maxHP, 100);

    me()->xp = 500;
    LevelUp({SDL_SCANCODE_UP}); // wraps from the first choice to the last
    EXPECT_EQ(me()->defense, 2);
    EXPECT_EQ(me()->power, 3);
}

TEST_F(DeathTest, ChoicesPromiseValuesWithEquipment) {
    me()->xp = 350;
    LevelUp({SDL_SCANCODE_DOWN});
    // `option` holds the dialog's last pass, the confirmed choice highlighted.
    const std::list<std::string> expected = {"Vitality (+20 HP, will reach 120)",
                                             "> Strength (+1 attack, will reach 5) <",
                                             "Agility (+1 defense, will reach 2)"};
    EXPECT_EQ(option, expected) << "the worn Baton's +2 counts in the Strength promise";
}

TEST_F(DeathTest, WindowCloseDuringLevelUpEndsTheGame) {
    me()->xp = 350;
    SDL_Event quit = vlotest::QuitEvent();
    ASSERT_EQ(SDL_PushEvent(&quit), 1);
    EXPECT_TRUE(CheckLevelUp());
    EXPECT_TRUE(gameOver) << "the close request is not swallowed by the dialog";
    EXPECT_EQ(me()->level, 2);
    EXPECT_EQ(me()->maxHP, 120) << "the highlighted choice is taken";
}

// ---- Knock-outs --------------------------------------------------------------------

TEST_F(DeathTest, EliteGuardKnockedOutBecomesABodyBeneathEverything) {
    KREntity* elite = GuardBeside(1, 0, true);
    GuardBeside(-1, 0);
    me()->power = 40;
    PlayerMoveOrAttack(1, 0);

    EXPECT_EQ(Transcript(),
              "THE ELITE GUARD IS UNCONSCIOUS (100 EXPERIENCE POINTS GAINED) "
              "ELITE GUARD IS UNCONSCIOUS! PLAYER ATTACKS ELITE GUARD (38 HIT POINTS)");
    EXPECT_EQ(me()->xp, 100);
    EXPECT_EQ(elite->name, "Unconscious Elite Guard");
    EXPECT_EQ(elite->appearance, '%');
    EXPECT_EQ(elite->color, Green);
    EXPECT_FALSE(elite->blocks);
    EXPECT_EQ(elite->fighter, nullptr);
    EXPECT_EQ(elite->ai, nullptr);
    EXPECT_EQ(entities.front(), elite) << "drawn first, beneath the rest";
    EXPECT_EQ(entities.size(), 3u);
    EXPECT_FALSE(theMap->TileAt(elite->x, elite->y)->blocked);

    player->Move(1, 0);
    EXPECT_EQ(player->x, PlayerX + 1) << "the body does not block";
    Render(); // a body on the map draws like any scenery
}

TEST_F(DeathTest, GuardKnockOutAwards35) {
    KREntity* guard = GuardBeside(0, 1);
    guard->fighter->TakeDamage(20); // exactly to zero
    EXPECT_EQ(guard->name, "Unconscious Guard");
    EXPECT_EQ(me()->xp, 35);
    EXPECT_FALSE(theMap->TileAt(guard->x, guard->y)->blocked);
    EXPECT_EQ(entities.front(), guard);
}

TEST_F(DeathTest, DefeatedPlayerIsLeftAloneAndCommandsStop) {
    KREntity* guard = GuardBeside(1, 0);
    me()->hp = 3;
    guard->ai->TakeTurn(player, message);
    EXPECT_EQ(me()->hp, 0);
    EXPECT_EQ(gameState, GameStatePlayerDead);
    EXPECT_EQ(player->appearance, '%');
    ASSERT_NE(player->fighter, nullptr) << "the player's fighter stays";
    EXPECT_EQ(Transcript(), "YOU HAVE BEEN DEFEATED! GUARD ATTACKS PLAYER (3 HIT POINTS)");

    message->messages.clear();
    guard->ai->TakeTurn(player, message);
    EXPECT_TRUE(message->messages.empty()) << "no guard attacks a defeated player";

    FindBinding(keyboard, ActionMoveAttackUp)->second.pending = true;
    HandleKeys();
    EXPECT_EQ(player->y, PlayerY) << "no command runs after the defeat";
    EXPECT_FALSE(playerMovedOrAttacked);
}

} // namespace
