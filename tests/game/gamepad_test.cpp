// A virtual controller attached in process plays through the real frames:
// the main menu, a new game, a step with the stick (a push inside the dead
// zone is no step), Take, the inventory pick with its highlight, and back.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <thread>

#include "e2e/image.h"
#include "entity.h"
#include "fighter.h"
#include "game.h"
#include "game_env.h"
#include "glyph_probe.h"
#include "mainmenu.h"
#include "map.h"
#include "scripted_input.h"
#include "test_floor.h"

namespace {

class GamepadTest : public vlotest::GameEnv {
protected:
    void SetUp() override {
        // The dummy video driver never gives the window the focus, without
        // which SDL holds back a controller's events.
        SDL_SetHint(SDL_HINT_JOYSTICK_ALLOW_BACKGROUND_EVENTS, "1");
        GameEnv::SetUp();
        SDL_VirtualJoystickDesc desc;
        SDL_zero(desc);
        desc.version = SDL_VIRTUAL_JOYSTICK_DESC_VERSION;
        desc.type = SDL_JOYSTICK_TYPE_GAMECONTROLLER;
        desc.naxes = SDL_CONTROLLER_AXIS_MAX;
        desc.nbuttons = SDL_CONTROLLER_BUTTON_MAX;
        desc.name = "virtual pad";
        deviceIndex_ = SDL_JoystickAttachVirtualEx(&desc);
        ASSERT_GE(deviceIndex_, 0) << SDL_GetError();
        id_ = SDL_JoystickGetDeviceInstanceID(deviceIndex_);
        // The game's handle; the state of a virtual device is set through it.
        pad_ = SDL_JoystickOpen(deviceIndex_);
        ASSERT_NE(pad_, nullptr) << SDL_GetError();
    }
    void TearDown() override {
        SDL_JoystickClose(pad_);
        SDL_JoystickDetachVirtual(deviceIndex_);
        GameEnv::TearDown();
    }

    // A press of `button` held over two frames, then let go (the game reads
    // the state when it pumps events, once a frame at least).
    vlotest::ScriptedInput& Tap(SDL_GameControllerButton button, const std::string& what) {
        return Hold(what, [this, button](bool down) {
            SDL_JoystickSetVirtualButton(pad_, button, down ? 1 : 0);
        });
    }
    vlotest::ScriptedInput& Stick(Sint16 x, const std::string& what) {
        return Hold(what, [this, x](bool down) {
            SDL_JoystickSetVirtualAxis(pad_, SDL_CONTROLLER_AXIS_LEFTX, down ? x : 0);
        });
    }
    vlotest::ScriptedInput& Hold(const std::string& what, std::function<void(bool)> set) {
        return input_.Expect(what, [set] {
            set(true);
            std::this_thread::sleep_for(std::chrono::milliseconds(150));
            set(false);
            return true;
        });
    }

    // The topmost row of the inventory box lit in cyan, or -1.
    static int LitRow() {
        const Uint32 cyan = vlotest::ColorValue(inventoryPanel, Cyan);
        for (int y = 0; y < inventoryPanel->h; ++y) {
            for (int x = 0; x < inventoryPanel->w; ++x) {
                if (vlotest::PixelAt(inventoryPanel, x, y) == cyan) {
                    return y;
                }
            }
        }
        return -1;
    }

    // With VLO_UPDATE_SCREENSHOTS=1, as the end-to-end tests do: the screen
    // as docs/screenshots/<name>.png.
    static void Publish(const std::string& name) {
        const char* update = std::getenv("VLO_UPDATE_SCREENSHOTS");
        if (update == nullptr || std::string(update) != "1") {
            return;
        }
        vlotest::Image shot;
        shot.width = screen->w;
        shot.height = screen->h;
        for (int y = 0; y < screen->h; ++y) {
            for (int x = 0; x < screen->w; ++x) {
                Uint8 r = 0, g = 0, b = 0;
                SDL_GetRGB(vlotest::PixelAt(screen, x, y), screen->format, &r, &g, &b);
                shot.rgb.insert(shot.rgb.end(), {r, g, b});
            }
        }
        EXPECT_TRUE(vlotest::WritePng(shot, std::string(VLO_SOURCE_DIR) + "/docs/screenshots/" +
                                                name + ".png"));
    }

    int deviceIndex_ = -1;
    SDL_JoystickID id_ = -1;
    SDL_Joystick* pad_ = nullptr;
    vlotest::ScriptedInput input_;
};

TEST_F(GamepadTest, PlaysANewGameFromTheMenuThroughTheRealFrames) {
    int startX = 0;
    int litRow = -1;
    input_.Expect("the game opened the pad",
                  [this] { return SDL_GameControllerFromInstanceID(id_) != nullptr; });
    Tap(SDL_CONTROLLER_BUTTON_A, "South on New Game");
    input_.Expect("a game runs", [] { return gameState == GameStatePlaying && player != nullptr; });
    Tap(SDL_CONTROLLER_BUTTON_LEFTSHOULDER, "the shoulder opens the character sheet");
    input_.Expect("the sheet is open, so the world holds still", [&] {
        if (option.empty() || option.front().rfind("Experience: ", 0) != 0) {
            return false;
        }
        // The guards of the random floor are put out of the way, a free
        // cell made right of the player with a first aid kit on it, and
        // the player hurt enough for it to heal.
        for (KREntity* e : entities) {
            if (e != player && e->fighter != nullptr) {
                theMap->TileAt(e->x, e->y)->blocked = false;
                e->x = 0;
                e->y = 0;
                delete e->ai;
                e->ai = nullptr;
            }
        }
        startX = player->x;
        vlotest::OpenArea(startX + 1, player->y, startX + 2, player->y);
        vlotest::AddItem(startX + 1, player->y, "First Aid Kit")->item->useFunction = useFuncVec[0];
        player->fighter->hp = player->fighter->GetMaxHP(false) / 2;
        return true;
    });
    Tap(SDL_CONTROLLER_BUTTON_B, "East closes the sheet");
    Stick(9000, "the stick inside its dead zone");
    input_.Expect("no step", [&] { return player->x == startX && !showInventory; });
    Stick(30000, "the stick pushed right");
    input_.Expect("one step right", [&] { return player->x == startX + 1; });
    Tap(SDL_CONTROLLER_BUTTON_A, "South takes");
    input_.Expect("the kit is carried", [] {
        return std::any_of(inventory.begin(), inventory.end(),
                           [](const KREntity* e) { return e->name == "First Aid Kit"; });
    });
    Tap(SDL_CONTROLLER_BUTTON_X, "West opens the inventory");
    input_.Expect("the pad points at (a), the baton", [&] {
        litRow = showInventory ? LitRow() : -1;
        return litRow >= 0;
    });
    input_.Events({vlotest::MouseMotion(10, 10)}, "the mouse moves");
    input_.Expect("the plain box", [] { return showInventory && LitRow() == -1; });
    Tap(SDL_CONTROLLER_BUTTON_DPAD_DOWN, "the d-pad points further down");
    input_.Expect("(b), the kit, is lit", [&] {
        if (LitRow() != litRow + 8) {
            return false;
        }
        Publish("inventory-gamepad");
        return true;
    });
    Tap(SDL_CONTROLLER_BUTTON_A, "South picks it");
    input_.Expect("the kit healed and is gone", [] {
        return !showInventory && player->fighter->hp > player->fighter->GetMaxHP(false) / 2 &&
               std::none_of(inventory.begin(), inventory.end(),
                            [](const KREntity* e) { return e->name == "First Aid Kit"; });
    });
    Tap(SDL_CONTROLLER_BUTTON_START, "Start saves and leaves");
    input_.Expect("back in the main menu", [] { return gameState == GameStateNoGame; });
    Tap(SDL_CONTROLLER_BUTTON_DPAD_UP, "up from New Game wraps to Quit");
    Tap(SDL_CONTROLLER_BUTTON_A, "South on Quit");
    ASSERT_TRUE(input_.Run(MainMenu)) << input_.Failures();
    EXPECT_TRUE(std::filesystem::exists("game.sav")) << "Start saved the game";
}

} // namespace
