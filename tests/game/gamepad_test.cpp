// A virtual controller attached in process plays through the real frames:
// the main menu, a new game, a step with the stick (a push inside the dead
// zone is no step), Take, the inventory pick with its highlight, and back.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
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
        device_ = SDL_JoystickAttachVirtualEx(&desc);
        pad_ = SDL_JoystickOpen(device_); // a virtual device's state is set through a handle
        ASSERT_NE(pad_, nullptr) << SDL_GetError();
    }
    void TearDown() override {
        SDL_JoystickClose(pad_);
        SDL_JoystickDetachVirtual(device_);
        GameEnv::TearDown();
    }

    // A button, or with `stickX` the left stick pushed across, held over two
    // frames (the game reads the pad once a frame at least), then let go.
    void Press(const std::string& what, int button, Sint16 stickX = 0) {
        input_.Expect(what, [this, button, stickX] {
            for (int down = 1; down >= 0; --down) {
                if (stickX != 0) {
                    SDL_JoystickSetVirtualAxis(pad_, SDL_CONTROLLER_AXIS_LEFTX, down ? stickX : 0);
                } else {
                    SDL_JoystickSetVirtualButton(pad_, button, static_cast<Uint8>(down));
                }
                std::this_thread::sleep_for(std::chrono::milliseconds(150 * down));
            }
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
        if (std::getenv("VLO_UPDATE_SCREENSHOTS") == nullptr) {
            return;
        }
        vlotest::Image shot{screen->w, screen->h, {}};
        for (int y = 0; y < screen->h; ++y) {
            for (int x = 0; x < screen->w; ++x) {
                Uint8 r = 0, g = 0, b = 0;
                SDL_GetRGB(vlotest::PixelAt(screen, x, y), screen->format, &r, &g, &b);
                shot.rgb.insert(shot.rgb.end(), {r, g, b});
            }
        }
        EXPECT_TRUE(vlotest::WritePng(shot, VLO_SOURCE_DIR "/docs/screenshots/" + name + ".png"));
    }

    int device_ = -1;
    SDL_Joystick* pad_ = nullptr;
    vlotest::ScriptedInput input_;
};

TEST_F(GamepadTest, PlaysANewGameFromTheMenuThroughTheRealFrames) {
    int startX = 0;
    int litRow = -1;
    Press("South on New Game", SDL_CONTROLLER_BUTTON_A);
    input_.Expect("a game runs", [] { return gameState == GameStatePlaying && player != nullptr; });
    Press("the shoulder opens the character sheet", SDL_CONTROLLER_BUTTON_LEFTSHOULDER);
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
    Press("East closes the sheet", SDL_CONTROLLER_BUTTON_B);
    Press("the stick inside its dead zone", 0, 9000);
    input_.Expect("no step", [&] { return player->x == startX && !showInventory; });
    Press("the stick pushed right", 0, 30000);
    input_.Expect("one step right", [&] { return player->x == startX + 1; });
    Press("South takes", SDL_CONTROLLER_BUTTON_A);
    input_.Expect("the kit is carried", [] {
        return std::any_of(inventory.begin(), inventory.end(),
                           [](const KREntity* e) { return e->name == "First Aid Kit"; });
    });
    Press("West opens the inventory", SDL_CONTROLLER_BUTTON_X);
    input_.Expect("the pad points at (a), the baton", [&] {
        litRow = showInventory ? LitRow() : -1;
        return litRow >= 0;
    });
    input_.Events({vlotest::MouseMotion(10, 10)}, "the mouse moves");
    input_.Expect("the plain box", [] { return showInventory && LitRow() == -1; });
    Press("the d-pad points further down", SDL_CONTROLLER_BUTTON_DPAD_DOWN);
    input_.Expect("(b), the kit, is lit", [&] {
        if (LitRow() != litRow + 8) {
            return false;
        }
        Publish("inventory-gamepad");
        return true;
    });
    Press("South picks it", SDL_CONTROLLER_BUTTON_A);
    input_.Expect("the kit healed and is gone", [] {
        return !showInventory && player->fighter->hp > player->fighter->GetMaxHP(false) / 2 &&
               std::none_of(inventory.begin(), inventory.end(),
                            [](const KREntity* e) { return e->name == "First Aid Kit"; });
    });
    Press("Start saves and leaves", SDL_CONTROLLER_BUTTON_START);
    input_.Expect("back in the main menu", [] { return gameState == GameStateNoGame; });
    Press("up from New Game wraps to Quit", SDL_CONTROLLER_BUTTON_DPAD_UP);
    Press("South on Quit", SDL_CONTROLLER_BUTTON_A);
    ASSERT_TRUE(input_.Run(MainMenu)) << input_.Failures();
    EXPECT_TRUE(std::filesystem::exists("game.sav")) << "Start saved the game";
}

} // namespace
