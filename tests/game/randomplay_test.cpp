// Long random play: tens of thousands of player commands, each a key press
// queued for one real RunFrame(), with the world's bookkeeping checked after
// every single command. The dialogs a command opens wait in SDL_WaitEvent,
// which this executable links wrapped (see tests/CMakeLists.txt): a waiting
// dialog gets the answers prepared with its command, pushed only then, after
// the frame's own drain of the queue. The frame clock's sleeps are skipped
// while the run lasts, so dialogs cost no 60 ms frame each.
#include <SDL.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <deque>
#include <functional>
#include <iostream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "basicenemy.h"
#include "commands.h"
#include "confusedenemy.h"
#include "describe.h"
#include "entity.h"
#include "equipment.h"
#include "factory.h"
#include "fighter.h"
#include "floors.h"
#include "game.h"
#include "game_env.h"
#include "item.h"
#include "map.h"
#include "message.h"
#include "render.h"
#include "rules.h"
#include "savegame.h"
#include "scripted_input.h"
#include "shell.h"
#include "tile.h"
#include "view.h"

// Set while the random play runs: what a waiting dialog is given, and whether
// the frame clock sleeps.
std::function<std::vector<SDL_Event>()> dialogAnswers;
bool skipSleeps = false;

extern "C" {
int __real_SDL_WaitEvent(SDL_Event* into);
int __wrap_SDL_WaitEvent(SDL_Event* into);
int __real_SDL_WaitEventTimeout(SDL_Event* into, int timeoutMs);
int __wrap_SDL_WaitEventTimeout(SDL_Event* into, int timeoutMs);
void __real_SDL_Delay(Uint32 ms);
void __wrap_SDL_Delay(Uint32 ms);
}

// A dialog is about to wait for input: give it its answers if none are queued.
static void AnswerWaitingDialog() {
    if (dialogAnswers && vlotest::QueuedEvents() == 0) {
        vlotest::PushAll(dialogAnswers());
    }
}

int __wrap_SDL_WaitEvent(SDL_Event* into) {
    AnswerWaitingDialog();
    return __real_SDL_WaitEvent(into);
}

// Dialogs wait in slices so the music keeps going between events.
int __wrap_SDL_WaitEventTimeout(SDL_Event* into, int timeoutMs) {
    AnswerWaitingDialog();
    return __real_SDL_WaitEventTimeout(into, timeoutMs);
}

void __wrap_SDL_Delay(Uint32 ms) {
    if (!skipSleeps) {
        __real_SDL_Delay(ms);
    }
}

namespace {

using vlotest::Describe;

constexpr int CommandCount = 20000;
constexpr int SaveLoadEvery = 500;
// A command that has not returned after this long sits in a dialog nobody
// answers; the watchdog then answers it so the test fails instead of hanging.
constexpr Uint32 StallMs = 15000;

// Every kind of carried thing: the catalogue's, then the starting baton.
enum Kind { FirstAid, Taser, Shield, Tranquilizer, Stun, Pepper, Baton, KindCount };
static_assert(std::size(ItemKinds) == Baton, "one kind per catalogue row");

const ItemKind& KindInfo(int kind) {
    return kind == Baton ? BatonKind : ItemKinds[kind];
}

std::string Used(int kind) {
    return std::string("used ") + KindInfo(kind).name;
}

int KindOf(const KREntity* e) {
    for (int k = 0; k < KindCount; ++k) {
        if (e->name == KindInfo(k).name) {
            return k;
        }
    }
    return -1;
}

bool Chance(int percent) {
    return RandomGetInt(1, 100) <= percent;
}

// Cursor position inside a map cell, as a player's click would give it.
int CellPixel(int cell) {
    return 8 * cell + RandomGetInt(0, 7);
}

// Events that a command left unread: a dialog read fewer answers than it
// was given. A button release after the click that ended an aim is the main loop's to
// drain, as with a real mouse, and is not counted.
std::string LeftoverInput() {
    SDL_Event events[64];
    const int n = SDL_PeepEvents(events, 64, SDL_PEEKEVENT, SDL_FIRSTEVENT, SDL_LASTEVENT);
    std::string out;
    for (int i = 0; i < n; ++i) {
        const SDL_Event& e = events[i];
        if (e.type == SDL_KEYDOWN) {
            out += std::string(" key ") + SDL_GetScancodeName(e.key.keysym.scancode);
        } else if (e.type == SDL_MOUSEBUTTONDOWN) {
            out += " click " + std::to_string(e.button.button) + " at " +
                   std::to_string(e.button.x) + "," + std::to_string(e.button.y);
        }
    }
    return out;
}

// Shared with the watchdog timer (SDL's timer thread).
std::atomic<Uint32> lastProgress{0};
std::atomic<bool> stalled{false};

Uint32 Watchdog(Uint32 interval, void* /*unused*/) {
    // The progress mark first: read after the clock, a mark set in between
    // would lie ahead of it and the difference wrap round to a huge stall.
    const Uint32 last = lastProgress.load();
    if (SDL_GetTicks() - last > StallMs) {
        stalled = true;
        // Return ends the level-up choice and every message box, cancels the
        // inventory box; a right click cancels an aim.
        vlotest::PushAll(
            {vlotest::KeyDown(SDL_SCANCODE_RETURN), vlotest::MouseButton(0, 0, SDL_BUTTON_RIGHT)});
    }
    return interval;
}

// What a save must give back: the floor as the player knows it.
struct Snapshot {
    int floor = 0;
    int state = 0;
    std::vector<std::string> entities;
    std::vector<std::string> inventory;
    std::vector<bool> explored;
    std::vector<std::string> shownLog;

    bool operator==(const Snapshot& o) const {
        return floor == o.floor && state == o.state && entities == o.entities &&
               inventory == o.inventory && explored == o.explored && shownLog == o.shownLog;
    }
};

Snapshot TakeSnapshot() {
    Snapshot s;
    s.floor = theMap->currentFloor;
    s.state = gameState;
    for (const KREntity* e : entities) {
        s.entities.push_back(Describe(e));
    }
    for (const KREntity* e : inventory) {
        s.inventory.push_back(e->name);
    }
    for (const KRTile* t : theMap->tiles) {
        s.explored.push_back(t->explored);
    }
    auto it = message->messages.begin();
    for (int i = 0; i < 6 && it != message->messages.end(); ++i, ++it) {
        s.shownLog.push_back(*it);
    }
    return s;
}

template <class Lines> std::string Join(const Lines& lines) {
    std::string out;
    for (const std::string& l : lines) {
        out += "  " + l + "\n";
    }
    return out;
}

class RandomPlayTest : public vlotest::GameEnv {
protected:
    // Whether the player's cell carries its occupancy mark: set by its first
    // move on a floor, or by the loader, which marks every fighter's cell.
    bool playerMarked = false;
    int deadCommands = 0;
    int walkX = 1; // the direction the player keeps walking
    int walkY = 0;
    std::map<std::string, int> tally; // what the run did, by name
    std::deque<std::string> recent;
    SDL_TimerID watchdog = 0;
    std::vector<SDL_Event> answers;     // for the dialogs of the next command
    std::vector<SDL_Event> mouseMotion; // sent with the next command
    bool answered = false;              // the command's dialog took its answers
    int levelUpChoice = -1;             // this frame's level-up, when it came
    KRFighter atLevelUp;                // the player once the level was added

    void SetUp() override {
        GameEnv::SetUp();
        lastProgress = SDL_GetTicks();
        watchdog = SDL_AddTimer(200, Watchdog, nullptr);
        dialogAnswers = [this] { return AnswerDialog(); };
        skipSleeps = true;
    }
    void TearDown() override {
        dialogAnswers = nullptr;
        skipSleeps = false;
        SDL_RemoveTimer(watchdog);
        GameEnv::TearDown();
    }

    void Note(const std::string& what) {
        recent.push_back(what);
        if (recent.size() > 25) {
            recent.pop_front();
        }
    }

    std::string Context() const {
        return "recent commands (oldest first):\n" + Join(recent) + "floor " +
               std::to_string(theMap->currentFloor) + ", gameState " + std::to_string(gameState) +
               ", player " + Describe(player) + (playerMarked ? " (marked)" : " (unmarked)") + "\n";
    }

    void Queue(const std::vector<SDL_Event>& events) {
        answers.insert(answers.end(), events.begin(), events.end());
    }

    void QueueKey(SDL_Scancode code) { Queue({vlotest::KeyDown(code)}); }

    void QueueClick(int px, int py, Uint8 button) {
        const SDL_Point at = vlotest::PictureToWindow(px, py);
        Queue({vlotest::MouseButton(at.x, at.y, button),
               vlotest::MouseButton(at.x, at.y, button, false)});
    }

    // The player stands alone on its arrival cell (no guard is placed there);
    // a blocked tile there is then the player's own mark.
    bool ArrivalMarked() const { return theMap->TileAt(player->x, player->y)->blocked; }

    void NewGameAsMenuDoes() {
        ASSERT_TRUE(NewGame());
        gameOver = false;
        playerMarked = ArrivalMarked();
        deadCommands = 0;
        ++tally["newGames"];
        UpdateView();
        Render();
    }

    // A dialog waits: the first one of a frame gets the answers prepared with
    // the command; one more is the level-up choice, which must be due.
    std::vector<SDL_Event> AnswerDialog() {
        if (!answered && !answers.empty()) {
            answered = true;
            return std::move(answers);
        }
        const KRFighter* f = player->fighter;
        EXPECT_EQ(levelUpChoice, -1) << "a second unexpected dialog\n" << Context();
        EXPECT_GE(f->xp, 0) << "the level-up dialog opened below the threshold\n" << Context();
        // Walk the choice a few rows (it wraps after three), then confirm.
        const int downs = Chance(10) ? RandomGetInt(3, 4) : RandomGetInt(0, 2);
        std::vector<SDL_Event> keys(static_cast<std::size_t>(downs),
                                    vlotest::KeyDown(SDL_SCANCODE_DOWN));
        keys.push_back(vlotest::KeyDown(SDL_SCANCODE_RETURN));
        tally["levelUpMenuCalls"] += downs + 1;
        levelUpChoice = downs % 3;
        atLevelUp = *f;
        return keys;
    }

    // One real frame of the main loop for one pressed binding.
    void Frame(KRActionTypes action) {
        auto binding = FindBinding(keyboard, action);
        ASSERT_NE(binding, keyboard.end());
        std::vector<SDL_Event> input = std::move(mouseMotion);
        mouseMotion.clear();
        input.push_back(vlotest::KeyDown(binding->second.scancode));
        ASSERT_TRUE(vlotest::PushAll(input));
        answered = false;
        levelUpChoice = -1;
        const int floor = theMap->currentFloor;
        const int level = player->fighter->level;
        nextTime = SDL_GetTicks();
        RunFrame();
        EXPECT_TRUE(answers.empty()) << "the command's dialog did not show\n" << Context();
        answers.clear();
        if (theMap->currentFloor != floor) {
            // Any Use on stairs changes floors. The new floor places the player
            // directly; whether its arrival cell is marked is the floor's
            // choice, and from here on the moves must keep it right.
            playerMarked = ArrivalMarked();
            ++tally[theMap->currentFloor > floor ? "floorsUp" : "floorsDown"];
            tally["maxFloor"] = std::max(tally["maxFloor"], theMap->currentFloor);
        }
        if (gameOver) {
            // Only the exit ends a game here; the main menu starts anew.
            EXPECT_EQ(playerAction, GameWon) << Context();
            ++tally["wins"];
            Note("won");
            NewGameAsMenuDoes();
            return;
        }
        const KRFighter* f = player->fighter;
        if (levelUpChoice < 0) {
            EXPECT_LT(f->xp, LevelUpThreshold(f->level))
                << "the level-up dialog did not follow the experience threshold\n"
                << Context();
            return;
        }
        ++tally["levelUps"];
        const int choice = levelUpChoice;
        const KRFighter& before = atLevelUp;
        EXPECT_EQ(f->level, level + 1);
        EXPECT_EQ(f->maxHP, before.maxHP + (choice == 0 ? 20 : 0)) << "choice " << choice;
        EXPECT_EQ(f->hp, before.hp + (choice == 0 ? 20 : 0)) << "choice " << choice;
        EXPECT_EQ(f->power, before.power + (choice == 1 ? 1 : 0)) << "choice " << choice;
        EXPECT_EQ(f->defense, before.defense + (choice == 2 ? 1 : 0)) << "choice " << choice;
    }

    KREntity* FighterAt(int x, int y) {
        for (KREntity* e : entities) {
            if (e != player && e->fighter != nullptr && e->x == x && e->y == y) {
                return e;
            }
        }
        return nullptr;
    }

    void Move() {
        if (Chance(30)) {
            const int way = RandomGetInt(0, 3);
            walkX = way == 2 ? -1 : way == 3 ? 1 : 0;
            walkY = way == 0 ? -1 : way == 1 ? 1 : 0;
        }
        const int x = player->x;
        const int y = player->y;
        const bool attack = FighterAt(x + walkX, y + walkY) != nullptr;
        const KRActionTypes action = walkY < 0   ? ActionMoveAttackUp
                                     : walkY > 0 ? ActionMoveAttackDown
                                     : walkX < 0 ? ActionMoveAttackLeft
                                                 : ActionMoveAttackRight;
        Note(std::string(attack ? "attack " : "move ") + std::to_string(walkX) + "," +
             std::to_string(walkY));
        Frame(action);
        if (player->x != x || player->y != y) {
            playerMarked = true;
            ++tally["moves"];
        }
        tally["attacks"] += attack ? 1 : 0;
    }

    // A random kind of item on the player's cell, noted as `what`.
    KREntity* RandomItem(const std::string& what) {
        const int kind = RandomGetInt(0, KindCount - 1);
        Note(what + " a " + KindInfo(kind).name);
        return NewItem(KindInfo(kind), player->x, player->y, theMap, useFuncVec);
    }

    void PutItemUnderPlayer() {
        KREntity* e = RandomItem("put on the player's cell");
        entities.push_back(e);
        e->SendToBack(entities); // as the spawn tables place items
    }

    void GiveItem() {
        if (inventory.size() < InventoryLimit) {
            inventory.push_front(RandomItem("gave"));
        }
    }

    void TakeCommand() {
        const std::size_t before = inventory.size();
        Note("take");
        Frame(ActionTake);
        tally["takes"] += inventory.size() > before ? 1 : 0;
    }

    // A guard walked in from off screen: a free floor cell near the player.
    void Summon() {
        for (int attempt = 0; attempt < 10; ++attempt) {
            const int x = player->x + RandomGetInt(-4, 4);
            const int y = player->y + RandomGetInt(-4, 4);
            if (!KRMap::InBounds(x, y) || theMap->IsBlocking(x, y, entities)) {
                continue;
            }
            const bool elite = Chance(25);
            KREntity* guard =
                NewGuard(elite ? EliteGuardKind : GuardKind, x, y, theMap, funcVec[0]);
            theMap->TileAt(x, y)->blocked = true;
            entities.push_back(guard);
            ++tally["summoned"];
            Note("summoned " + Describe(guard));
            return;
        }
    }

    // Visible guards (fighters other than the player) within `range`,
    // nearest first.
    std::vector<KREntity*> GuardsWithin(int range) {
        std::vector<KREntity*> out;
        for (KREntity* e : entities) {
            if (e != player && e->fighter != nullptr && theMap->IsVisible(e->x, e->y) &&
                player->DistanceTo(e) <= range) {
                out.push_back(e);
            }
        }
        std::stable_sort(out.begin(), out.end(), [](const KREntity* a, const KREntity* b) {
            return player->DistanceTo(a) < player->DistanceTo(b);
        });
        return out;
    }

    // A cell without a guard, in view or out of it.
    bool RandomCell(bool visible, int& cx, int& cy) {
        for (int attempt = 0; attempt < 200; ++attempt) {
            cx = RandomGetInt(0, MapWidth - 1);
            cy = RandomGetInt(0, MapHeight - 1);
            if (theMap->IsVisible(cx, cy) == visible && FighterAt(cx, cy) == nullptr) {
                return true;
            }
        }
        return false;
    }

    // A visible cell within `range` of the player (its own cell included).
    bool RandomCellNear(int range, int& cx, int& cy) {
        for (int attempt = 0; attempt < 50; ++attempt) {
            cx = player->x + RandomGetInt(-range, range);
            cy = player->y + RandomGetInt(-range, range);
            if (KRMap::InBounds(cx, cy) && theMap->IsVisible(cx, cy) &&
                player->Distance(cx, cy) <= static_cast<float>(range)) {
                return true;
            }
        }
        return false;
    }

    // Clicks that the targeting must ignore, then one that ends it: a target
    // (returns true) or a cancel.
    bool QueueAim(bool needsGuard, int range) {
        int cx = 0;
        int cy = 0;
        auto ignored = [&](int px, int py) {
            QueueClick(px, py, SDL_BUTTON_LEFT);
            ++tally["ignoredClicks"];
        };
        if (Chance(30) && RandomCell(false, cx, cy)) {
            ignored(CellPixel(cx), CellPixel(cy)); // out of view
        }
        if (Chance(20)) {
            ignored(CellPixel(cx), 320 + RandomGetInt(0, 79)); // status panel
        }
        if (needsGuard && Chance(40) && RandomCell(true, cx, cy)) {
            ignored(CellPixel(cx), CellPixel(cy)); // no guard there
        }
        if (!Chance(15)) {
            const std::vector<KREntity*> guards = GuardsWithin(range);
            if (!guards.empty() && Chance(80)) {
                const KREntity* g = guards[static_cast<std::size_t>(
                    RandomGetInt(0, static_cast<int>(guards.size()) - 1))];
                QueueClick(CellPixel(g->x), CellPixel(g->y), SDL_BUTTON_LEFT);
                return true;
            }
            if (!needsGuard && RandomCellNear(range, cx, cy)) {
                QueueClick(CellPixel(cx), CellPixel(cy), SDL_BUTTON_LEFT);
                return true;
            }
        }
        QueueClick(RandomGetInt(0, 639), RandomGetInt(0, 319), SDL_BUTTON_RIGHT);
        return false;
    }

    // The inventory box, answered with a letter (or a cancelling key) queued
    // beforehand; aimed items also get their clicks queued.
    void InventoryCommand(bool use) {
        const int n = static_cast<int>(inventory.size());
        const bool cancel = n == 0 || Chance(8);
        KREntity* chosen = nullptr;
        std::string what = use ? "use " : "drop ";
        if (cancel) {
            // The letter after the last item, while the inventory has one.
            const int limit = static_cast<int>(InventoryLimit);
            const auto past = static_cast<SDL_Scancode>(SDL_SCANCODE_A + std::min(n, limit - 1));
            const SDL_Scancode keys[] = {SDL_SCANCODE_1, SDL_SCANCODE_ESCAPE, SDL_SCANCODE_RETURN,
                                         past};
            const SDL_Scancode key = keys[RandomGetInt(0, n >= limit ? 2 : 3)];
            QueueKey(key);
            what += std::string("(cancelled with ") + SDL_GetScancodeName(key) + ")";
        } else {
            const int letter = RandomGetInt(0, n - 1);
            QueueKey(static_cast<SDL_Scancode>(SDL_SCANCODE_A + letter));
            auto it = inventory.begin();
            std::advance(it, n - 1 - letter);
            chosen = *it;
            what += chosen->name;
        }
        const int kind = chosen != nullptr ? KindOf(chosen) : -1;
        bool aimedAtSomething = false;
        if (use && (kind == Stun || kind == Pepper)) {
            aimedAtSomething = QueueAim(kind == Pepper, kind == Pepper ? 8 : 3);
            what += aimedAtSomething ? " (aimed)" : " (aim cancelled)";
        }
        const bool wearable = chosen != nullptr && chosen->equippable != nullptr;
        const KREntity* mainBefore = player->equipment->mainHand;
        const KREntity* offBefore = player->equipment->offHand;
        const std::size_t before = inventory.size();
        Note(what);
        Frame(use ? ActionInventory : ActionDrop);
        if (!use) {
            ++tally[chosen != nullptr ? "drops" : "dropCancels"];
            if (chosen != nullptr) {
                EXPECT_EQ(inventory.size() + 1, before) << "a drop did not leave the inventory\n"
                                                        << Context();
            }
            return;
        }
        if (chosen == nullptr) {
            ++tally["useCancels"];
            return;
        }
        const bool spent = inventory.size() < before;
        const bool toggled =
            player->equipment->mainHand != mainBefore || player->equipment->offHand != offBefore;
        if (spent || (wearable && toggled)) {
            ++tally[Used(kind)];
        }
        if (kind == Stun || kind == Pepper) {
            EXPECT_EQ(spent, aimedAtSomething)
                << "an aimed item was spent on a cancelled aim or kept after a hit\n"
                << Context();
            ++tally[spent ? "aimedHits" : "aimedCancels"];
        }
    }

    void InfoBox() {
        const SDL_Scancode keys[] = {SDL_SCANCODE_RETURN, SDL_SCANCODE_SPACE, SDL_SCANCODE_X,
                                     SDL_SCANCODE_DOWN};
        QueueKey(keys[RandomGetInt(0, 3)]);
        Note("character information");
        Frame(ActionCharacterInformation);
        ++tally["infoBoxes"];
    }

    // Puts the player on the way up or down (when that cell is free), then
    // presses Use.
    void Stairs() {
        const bool up = Chance(75);
        KREntity* target = nullptr;
        for (KREntity* e : entities) {
            if ((e->name == "Stairs" || e->name == "Exit") && (e->appearance == '>') != up) {
                target = e;
            }
        }
        const bool occupied =
            target != nullptr &&
            std::any_of(entities.begin(), entities.end(), [&](const KREntity* e) {
                return e != player && e->blocks && e->x == target->x && e->y == target->y;
            });
        if (target == nullptr || occupied) {
            Note(occupied ? "use (stairs occupied, stayed)" : "use (no stairs that way)");
            Frame(ActionUse);
            return;
        }
        if (playerMarked) {
            theMap->TileAt(player->x, player->y)->blocked = false;
        }
        player->x = target->x;
        player->y = target->y;
        playerMarked = false;
        const bool exit = target->name == "Exit";
        if (exit) {
            QueueKey(SDL_SCANCODE_RETURN); // the closing message box
        }
        const int floor = theMap->currentFloor;
        const int wins = tally["wins"];
        Note(exit ? "use the exit" : up ? "stairs onward" : "stairs back");
        Frame(ActionUse);
        if (exit) {
            EXPECT_EQ(tally["wins"], wins + 1) << "the exit did not end the game\n" << Context();
            return;
        }
        EXPECT_EQ(theMap->currentFloor, floor + (up ? 1 : -1)) << Context();
    }

    void Weaken() {
        KRFighter* f = player->fighter;
        if (f->hp > 0) {
            f->hp = std::min(f->hp, RandomGetInt(1, 8));
            Note("player weakened to " + std::to_string(f->hp));
        }
    }

    // Experience near the next threshold, so the level-up choice comes up
    // often enough despite the many defeats.
    void Train() {
        KRFighter* f = player->fighter;
        f->xp = std::max(0, LevelUpThreshold(f->level) + RandomGetInt(-40, 40));
        Note("experience set to " + std::to_string(f->xp));
    }

    void SaveAndLoad() {
        const Snapshot before = TakeSnapshot();
        ASSERT_TRUE(SaveGame());
        ++tally["saves"];
        std::string version;
        ASSERT_EQ(LoadGame(version), 0) << version;
        ++tally["loads"];
        playerMarked = true; // the loader marks every fighter's cell
        UpdateView();
        Render();
        const Snapshot after = TakeSnapshot();
        EXPECT_TRUE(before == after)
            << "a save did not load back as it was\nbefore:\n"
            << Join(before.entities) << Join(before.inventory) << Join(before.shownLog)
            << "after:\n"
            << Join(after.entities) << Join(after.inventory) << Join(after.shownLog);
        Note("saved and loaded");
    }

    // A defeated player accepts no command: no dialog opens, nothing moves.
    void DeadCommand() {
        const auto action = static_cast<KRActionTypes>(RandomGetInt(0, ActionCount - 1));
        const std::string before = Describe(player);
        const std::size_t carried = inventory.size();
        Note("key " + std::to_string(action) + " on the defeated player");
        Frame(action);
        EXPECT_EQ(Describe(player), before) << Context();
        EXPECT_EQ(inventory.size(), carried) << Context();
    }

    void RandomCommand() {
        if (gameState == GameStatePlayerDead) {
            // A few ignored key presses, then the main menu starts a new game.
            if (++deadCommands > 3) {
                Note("new game after defeat");
                NewGameAsMenuDoes();
            } else {
                DeadCommand();
            }
            return;
        }
        if (Chance(10)) {
            const int px = RandomGetInt(0, 639);
            const SDL_Point at = vlotest::PictureToWindow(px, RandomGetInt(0, 399));
            mouseMotion = {vlotest::MouseMotion(at.x, at.y)};
        }
        const int r = RandomGetInt(1, 1000);
        if (r <= 555) {
            Move();
        } else if (r <= 557) {
            Train();
            Move();
        } else if (r <= 600) {
            PutItemUnderPlayer();
            TakeCommand();
        } else if (r <= 620) {
            TakeCommand();
        } else if (r <= 660) {
            GiveItem();
            InventoryCommand(true);
        } else if (r <= 780) {
            InventoryCommand(true);
        } else if (r <= 840) {
            InventoryCommand(false);
        } else if (r <= 850) {
            InfoBox();
        } else if (r <= 920) {
            Stairs();
        } else if (r <= 994) {
            Summon();
            Move();
        } else {
            Weaken();
            Move();
        }
    }

    // Every check of the game's bookkeeping; empty when all hold.
    std::string Violation() const {
        std::ostringstream out;
        std::map<const KREntity*, int> seen;
        for (const KREntity* e : entities) {
            ++seen[e];
        }
        for (const KREntity* e : inventory) {
            seen[e] += 100;
            if (e->item == nullptr) {
                out << "carried entity without an item component: " << Describe(e) << "\n";
            }
        }
        for (const auto& [e, count] : seen) {
            if (count != 1 && count != 100) {
                out << "entity listed " << count % 100 << "x on the floor and " << count / 100
                    << "x in the inventory: " << Describe(e) << "\n";
            }
        }
        if (seen[player] != 1) {
            out << "the player is not listed exactly once on the floor\n";
        }
        if (inventory.size() > InventoryLimit) {
            out << "inventory holds " << inventory.size() << " items\n";
        }

        std::vector<int> blockers(MapWidth * MapHeight, 0);
        for (const KREntity* e : entities) {
            if (!KRMap::InBounds(e->x, e->y)) {
                out << "entity off the map: " << Describe(e) << "\n";
                continue;
            }
            if (e->fighter != nullptr) {
                const KRFighter* f = e->fighter;
                if (f->hp < 0 || f->hp > f->GetMaxHP(true)) {
                    out << "hit points out of range: " << Describe(e) << "\n";
                }
            }
            if (e->blocks && e->fighter != nullptr && (e != player || playerMarked)) {
                ++blockers[e->y * MapWidth + e->x];
            }
        }
        for (const KREntity* a : entities) {
            for (const KREntity* b : entities) {
                if (a < b && a->blocks && b->blocks && a->fighter != nullptr &&
                    b->fighter != nullptr && a->x == b->x && a->y == b->y) {
                    out << "two blocking fighters share a cell: " << Describe(a) << " and "
                        << Describe(b) << "\n";
                }
            }
        }
        for (int y = 0; y < MapHeight; ++y) {
            for (int x = 0; x < MapWidth; ++x) {
                const KRTile* t = theMap->TileAt(x, y);
                const bool expected = t->blockSight || blockers[y * MapWidth + x] > 0;
                if (t->blocked != expected) {
                    out << "tile " << x << "," << y << " blocked=" << t->blocked << " but expected "
                        << expected << (t->blockSight ? " (wall)" : "") << "\n";
                }
            }
        }

        const KREquipment* eq = player->equipment;
        if (eq == nullptr) {
            out << "the player has no equipment\n";
        } else {
            for (const KREntity* worn : {eq->mainHand, eq->offHand}) {
                if (worn != nullptr &&
                    std::find(inventory.begin(), inventory.end(), worn) == inventory.end()) {
                    out << "a worn item is not in the inventory\n";
                }
            }
            for (int slot : {0, 1}) {
                const KREntity* worn = slot == 0 ? eq->mainHand : eq->offHand;
                if (worn != nullptr &&
                    (worn->equippable == nullptr || worn->equippable->slot != slot)) {
                    out << (slot == 0 ? "main" : "off") << " hand holds " << worn->name << "\n";
                }
            }
        }
        if (KRMap::InBounds(player->x, player->y) && !theMap->IsVisible(player->x, player->y)) {
            out << "the player's own cell is not in view\n";
        }
        if (gameState != GameStatePlaying && gameState != GameStatePlayerDead) {
            out << "gameState " << gameState << " during a game\n";
        }
        return out.str();
    }
};

TEST_F(RandomPlayTest, TwentyThousandCommandsKeepTheWorldConsistent) {
    NewGameAsMenuDoes();
    const Uint32 start = SDL_GetTicks();
    for (int i = 1; i <= CommandCount; ++i) {
        SDL_FlushEvents(SDL_FIRSTEVENT, SDL_LASTEVENT);
        const int stateBefore = gameState;
        RandomCommand();
        if (stateBefore == GameStatePlaying && gameState == GameStatePlayerDead) {
            ++tally["deaths"];
        }
        if (i % SaveLoadEvery == 0) {
            SaveAndLoad();
        }
        lastProgress = SDL_GetTicks();
        ASSERT_FALSE(stalled) << "command " << i << " sat in a dialog nobody answered\n"
                              << Context();
        ASSERT_EQ(LeftoverInput(), "") << "command " << i << " left queued input unread\n"
                                       << Context();
        const std::string broken = Violation();
        ASSERT_TRUE(broken.empty()) << "after command " << i << ":\n" << broken << Context();
        if (HasFailure()) {
            FAIL() << "stopped at command " << i;
        }
    }
    const Uint32 elapsed = SDL_GetTicks() - start;

    std::ostringstream summary;
    summary << CommandCount << " commands in " << elapsed << " ms:";
    for (const auto& [what, count] : tally) {
        summary << " " << what << " " << count << ",";
    }
    std::cout << summary.str() << std::endl;
    RecordProperty("summary", summary.str());

    // The run must have gone everywhere it claims to.
    std::vector<std::string> done = {"moves",     "attacks",      "takes",    "drops",
                                     "aimedHits", "aimedCancels", "floorsUp", "floorsDown",
                                     "deaths",    "levelUps"};
    for (int k = 0; k < KindCount; ++k) {
        done.push_back(Used(k));
    }
    for (const std::string& what : done) {
        EXPECT_GT(tally[what], 0) << what << " never happened";
    }
    EXPECT_EQ(tally["saves"], CommandCount / SaveLoadEvery);
    EXPECT_EQ(tally["loads"], CommandCount / SaveLoadEvery);
}

} // namespace

// Found by the long run: a player who has not yet moved on a floor stands on
// an unmarked cell, and a confused guard's random diagonal step went straight
// onto it; the two then shared a cell, and the first of them to leave cleared
// the other's occupancy mark.
TEST_F(RandomPlayTest, ConfusedGuardNeverStepsOntoAPlayerWhoHasNotMovedYet) {
    int tries = 0;
    for (int round = 0; round < 40; ++round) {
        NewGameAsMenuDoes();
        for (int dy : {-1, 1}) {
            for (int dx : {-1, 1}) {
                const int x = player->x + dx;
                const int y = player->y + dy;
                if (theMap->IsBlocking(x, y, entities)) {
                    continue;
                }
                KREntity* guard = NewGuard(GuardKind, x, y, theMap, funcVec[0]);
                theMap->TileAt(x, y)->blocked = true;
                auto* confused = new KRConfusedEnemy();
                confused->Init(guard->ai, 10);
                confused->owner = guard;
                guard->ai = confused;
                entities.push_back(guard);
                // One staggering step: diagonal, so it aims at the player's
                // cell one time in four.
                guard->ai->TakeTurn(player, message);
                ++tries;
                ASSERT_FALSE(guard->x == player->x && guard->y == player->y)
                    << "after " << tries << " tries the guard stands on the player's cell";
            }
        }
    }
    EXPECT_GT(tries, 20) << "too few free cells beside the player to test this";
}
