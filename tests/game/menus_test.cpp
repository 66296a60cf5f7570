// The dialogs on the real font: the titled box's geometry, highlight and
// placement, its one-event answers, and the lettered inventory box with its
// choices and refusals.
#include <gtest/gtest.h>

#include <list>
#include <optional>
#include <string>
#include <vector>

#include "entity.h"
#include "equipment.h"
#include "floors.h"
#include "font.h"
#include "game.h"
#include "game_env.h"
#include "glyph_probe.h"
#include "menus.h"
#include "scripted_input.h"
#include "surfaces.h"
#include "test_floor.h"

namespace {

using vlotest::FindText;
using vlotest::GlyphAt;
using vlotest::KeyDown;
using vlotest::TextAt;

// Runs a blocking call with `events` already queued; a call that never
// returns fails the test instead of hanging it.
template <class F> auto WithEvents(std::vector<SDL_Event> events, F call) {
    EXPECT_TRUE(vlotest::PushAll(std::move(events)));
    decltype(call()) result{};
    vlotest::ScriptedInput guard;
    EXPECT_TRUE(guard.Run([&] { result = call(); })) << guard.Failures();
    return result;
}

// Key and mouse events still waiting (window events come and go on their own).
int InputQueued() {
    return SDL_PeepEvents(nullptr, 0, SDL_PEEKEVENT, SDL_KEYDOWN, SDL_MOUSEWHEEL);
}

class MenuTest : public vlotest::GameEnv {
protected:
    void SetUp() override {
        GameEnv::SetUp();
        gameState = GameStateNoGame;
    }
    DialogResult last;
    // One pass of the titled box answering `key`; true when it was answered.
    bool Titled(const std::string& title, std::list<std::string> lines, int wrap, int& selected,
                bool anyKey, SDL_Event e, Backdrop backdrop = Backdrop::Screen) {
        last =
            WithEvents({e}, [&] { return Menu(title, lines, wrap, selected, anyKey, backdrop); });
        return last.Answered();
    }
    bool Titled(const std::string& title, std::list<std::string> lines, int wrap, int selected,
                SDL_Scancode key = SDL_SCANCODE_X) {
        return Titled(title, std::move(lines), wrap, selected, false, KeyDown(key));
    }
};

// ---- titled box ---------------------------------------------------------------

TEST_F(MenuTest, TitledBoxIsSizedByItsLongestLineWithAWhiteTitleBar) {
    // E = 26 * 8 = 208, W = 240, height 8 + 24 + 2 * 8 = 48.
    Titled(" Test ", {"short", "a much longer line of text"}, 464, 1);
    SDL_Surface* box = inventoryPanel;
    ASSERT_EQ(box->w, 240);
    ASSERT_EQ(box->h, 48);
    EXPECT_TRUE(GlyphAt(box, 0, 0, 201, White));
    EXPECT_TRUE(GlyphAt(box, 8, 0, 205, White));
    for (int x = 16; x < 224; x += 8) {
        if (x < 96 || x >= 144) {
            EXPECT_TRUE(GlyphAt(box, x, 0, 219, White)) << "title bar at x " << x;
        }
    }
    EXPECT_TRUE(TextAt(box, 96, 0, " Test ", Black, White)) << "title centred in black";
    EXPECT_TRUE(GlyphAt(box, 224, 0, 205, White));
    EXPECT_TRUE(GlyphAt(box, 232, 0, 187, White));
    for (int y = 8; y <= 32; y += 8) {
        EXPECT_TRUE(GlyphAt(box, 0, y, 186, White)) << "left side at y " << y;
        EXPECT_TRUE(GlyphAt(box, 232, y, 186, White)) << "right side at y " << y;
    }
    EXPECT_TRUE(GlyphAt(box, 0, 40, 200, White));
    for (int x = 8; x < 232; x += 8) {
        EXPECT_TRUE(GlyphAt(box, x, 40, 205, White)) << "bottom at x " << x;
    }
    EXPECT_TRUE(GlyphAt(box, 232, 40, 188, White));
    EXPECT_TRUE(TextAt(box, 100, 16, "short", White));
    EXPECT_TRUE(TextAt(box, 16, 24, "a much longer line of text", Cyan)) << "the highlighted line";

    // Outside a game the box is centred on the window.
    EXPECT_TRUE(GlyphAt(screen, 200, 176, 201, White));
    EXPECT_TRUE(TextAt(screen, 216, 200, "a much longer line of text", Cyan));
}

TEST_F(MenuTest, WidthComesFromTheWrappedLinesAndAnUntitledBoxHasNoTopRow) {
    // At 120 pixels lines hold 14 characters: three lines, the longest 13.
    Titled("", {"one two three four five six seven"}, 120, -1);
    SDL_Surface* box = inventoryPanel;
    ASSERT_EQ(box->w, 13 * 8 + 32);
    ASSERT_EQ(box->h, 24 + 3 * 8);
    EXPECT_TRUE(GlyphAt(box, 0, 0, 186, White)) << "sides replace the top corners";
    EXPECT_TRUE(GlyphAt(box, 128, 0, 186, White));
    EXPECT_TRUE(TextAt(box, 16, 8, "one two three", White));
    EXPECT_TRUE(TextAt(box, 16, 16, "four five six", White));
    EXPECT_TRUE(TextAt(box, 48, 24, "seven", White));
    EXPECT_TRUE(GlyphAt(box, 0, 40, 200, White));

    Titled(" A rather long title ", {"x"}, 464, -1);
    EXPECT_EQ(inventoryPanel->w, 21 * 8 + 32) << "a title wider than every line";
}

TEST_F(MenuTest, LineWithLeadingMarkupIsCentredOnTheTextAfterIt) {
    Titled("", {"^C4|Red words", "plain text here"}, 464, -1);
    // E = 15 * 8, W = 152; the marked line counts 13 - 3 characters.
    ASSERT_EQ(inventoryPanel->w, 152);
    EXPECT_TRUE(TextAt(inventoryPanel, 36, 8, "Red words", Red));
    EXPECT_TRUE(TextAt(inventoryPanel, 16, 16, "plain text here", White));
}

TEST_F(MenuTest, DuringAGameTheBoxIsCentredOverTheMap) {
    gameState = GameStatePlaying;
    vlotest::FillSurface(screen, Black);
    Titled(" Test ", {"short", "a much longer line of text"}, 464, -1);
    EXPECT_TRUE(GlyphAt(screen, 200, (400 - 48 - 80) / 2, 201, White));

    gameState = GameStatePlayerDead;
    vlotest::FillSurface(screen, Black);
    Titled(" Test ", {"short", "a much longer line of text"}, 464, -1);
    EXPECT_TRUE(GlyphAt(screen, 200, (400 - 48) / 2, 201, White)) << "a dead player's box";
}

TEST_F(MenuTest, DownAndUpWrapOverEntriesNotWrappedLines) {
    const std::list<std::string> lines = {"first", "second entry that wraps over lines"};
    int selected = 1;
    EXPECT_FALSE(Titled("", lines, 120, selected, false, KeyDown(SDL_SCANCODE_DOWN)));
    EXPECT_EQ(selected, 0) << "two entries, though four wrapped lines";
    EXPECT_FALSE(Titled("", lines, 120, selected, false, KeyDown(SDL_SCANCODE_UP)));
    EXPECT_EQ(selected, 1);
    EXPECT_FALSE(Titled("", lines, 120, selected, false, KeyDown(SDL_SCANCODE_UP)));
    EXPECT_EQ(selected, 0);

    int none = -1;
    EXPECT_FALSE(Titled("", lines, 120, none, false, KeyDown(SDL_SCANCODE_DOWN)));
    EXPECT_EQ(none, -1) << "no highlight stays no highlight";
}

TEST_F(MenuTest, ReturnConfirmsOnlyAHighlightedEntry) {
    int none = -1;
    EXPECT_FALSE(Titled(" T ", {"a", "b"}, 464, none, false, KeyDown(SDL_SCANCODE_RETURN)));
    int second = 1;
    EXPECT_TRUE(Titled(" T ", {"a", "b"}, 464, second, false, KeyDown(SDL_SCANCODE_RETURN)));
    EXPECT_EQ(second, 1);
    std::list<std::string> note = {"hello"};
    EXPECT_FALSE(WithEvents({KeyDown(SDL_SCANCODE_RETURN)}, [&] {
                     return MSGBox(" N ", note, 320);
                 }).Answered());
    EXPECT_TRUE(FindText(inventoryPanel, "hello", White).has_value())
        << "no highlight in a message box";
}

// A finger's tap (SDL's touch mouse) on an entry chooses it; a desktop click
// anywhere, a tap off the entries or in a box of wrapped entries is waited out.
TEST_F(MenuTest, ATapOnAnEntryChoosesItAndAClickDoesNot) {
    const auto tapAt = [](int y, bool touch) {
        const SDL_Point p = vlotest::PictureToWindow(320, y);
        SDL_Event e = vlotest::MouseButton(p.x, p.y, SDL_BUTTON_LEFT);
        e.button.which = touch ? SDL_TOUCH_MOUSEID : 0;
        return e;
    };
    // Three one-line entries: the box is 56 high, its first line at 172 + 16.
    const std::list<std::string> three = {"a", "b", "c"};
    const struct {
        int y;
        bool touch;
        bool wrapped;
        int chosen; // -1: waited out until Return chose entry 0
    } cases[] = {{188 + 16 + 3, true, false, 2}, {188, true, false, 0},
                 {188 + 16, false, false, -1},   {188 - 8, true, false, -1},
                 {188 + 24, true, false, -1},    {192 + 2, true, true, -1}};
    for (const auto& c : cases) {
        std::list<std::string> lines =
            c.wrapped ? std::list<std::string>{"a a a a", "b", "c"} : three;
        int selected = 0;
        const DialogResult r = WithEvents({tapAt(c.y, c.touch), KeyDown(SDL_SCANCODE_RETURN)}, [&] {
            return Menu(" T ", lines, c.wrapped ? 24 : 464, selected, false);
        });
        EXPECT_EQ(r.outcome, DialogOutcome::Chosen) << "y " << c.y;
        EXPECT_EQ(r.index, c.chosen < 0 ? 0 : c.chosen) << "y " << c.y << " touch " << c.touch;
        EXPECT_EQ(InputQueued(), c.chosen < 0 ? 0 : 1) << "y " << c.y;
        SDL_FlushEvents(SDL_FIRSTEVENT, SDL_LASTEVENT);
    }
}

TEST_F(MenuTest, WindowCloseReturnsFalseAndOtherEventsAreWaitedOut) {
    int selected = 0;
    EXPECT_FALSE(Titled(" T ", {"a", "b"}, 464, selected, false, vlotest::QuitEvent()));
    EXPECT_FALSE(Titled(" T ", {"a", "b"}, 464, selected, true, vlotest::QuitEvent()));

    const bool chosen =
        WithEvents({vlotest::MouseMotion(10, 10), KeyDown(SDL_SCANCODE_RETURN)}, [&] {
            std::list<std::string> lines = {"a", "b"};
            return Menu(" T ", lines, 464, selected, false).Answered();
        });
    EXPECT_TRUE(chosen) << "mouse motion is not an answer";
    EXPECT_EQ(InputQueued(), 0);
}

TEST_F(MenuTest, AnyKeyModeStoresTheKeyAndF2OnlyTogglesTheMouseMode) {
    int none = -1;
    EXPECT_TRUE(Titled(" Key ", {"Please press a key"}, 320, none, true, KeyDown(SDL_SCANCODE_H)));
    EXPECT_EQ(last.key, SDL_SCANCODE_H);

    const SDL_bool before = SDL_GetRelativeMouseMode();
    EXPECT_FALSE(
        Titled(" Key ", {"Please press a key"}, 320, none, true, KeyDown(SDL_SCANCODE_F2)));
    EXPECT_EQ(last.outcome, DialogOutcome::MouseToggled) << "F2 is not captured";
    EXPECT_NE(SDL_GetRelativeMouseMode(), before);

    int selected = 0;
    EXPECT_FALSE(Titled(" T ", {"a"}, 320, selected, false, KeyDown(SDL_SCANCODE_F2)));
    EXPECT_EQ(SDL_GetRelativeMouseMode(), before) << "toggled back";
}

TEST_F(MenuTest, LevelUpBoxRestoresThePictureBehindIt) {
    vlotest::FillSurface(screen, Green);
    CopyOfSurface();
    vlotest::FillSurface(screen, Brown);
    int first = 0;
    Titled(" Level up! Select a stat to improve: ", {"> Vitality <"}, 464, first, false,
           KeyDown(SDL_SCANCODE_X), Backdrop::Snapshot);
    EXPECT_TRUE(vlotest::AreaIs(screen, 0, 0, 8, 8, Green)) << "the snapshot is under the box";

    Titled(" Character Information ", {"Experience: 0"}, 320, -1);
    EXPECT_TRUE(vlotest::AreaIs(screen, 0, 0, 8, 8, Green)) << "other boxes draw over the screen";
    vlotest::FillSurface(screen, Brown);
    Titled(" Character Information ", {"Experience: 0"}, 320, -1);
    EXPECT_TRUE(vlotest::AreaIs(screen, 0, 0, 8, 8, Brown));
}

// ---- inventory box ------------------------------------------------------------

class InventoryMenuTest : public MenuTest {
protected:
    KREntity* baton = nullptr;
    KREntity* aid = nullptr;
    KREntity* taser = nullptr;

    void SetUp() override {
        MenuTest::SetUp();
        if (HasFatalFailure()) {
            return;
        }
        vlotest::MakeRoom();
        baton = vlotest::AddWearable("Baton");
        player->equipment->mainHand = baton;
        aid = vlotest::AddItem(0, 0, "First Aid Kit", inventory);
        taser = vlotest::AddItem(0, 0, "Taser", inventory);
        showInventory = true;
    }
    void TearDown() override {
        showInventory = false;
        MenuTest::TearDown();
    }
    KRItem* Choose(std::vector<SDL_Event> events) {
        return WithEvents(std::move(events), [] {
            std::list<std::string> prompt = {"Pick one.", ""};
            return InventoryMenu(prompt);
        });
    }
};

TEST_F(InventoryMenuTest, ListsTheInventoryInReverseWithCapitalLetters) {
    EXPECT_EQ(Choose({KeyDown(SDL_SCANCODE_B)}), aid->item);
    SDL_Surface* box = inventoryPanel;
    // Two prompt lines and three entries.
    ASSERT_EQ(box->w, 464);
    ASSERT_EQ(box->h, 16 + 5 * 8 + 16);
    EXPECT_TRUE(TextAt(box, (464 - 72) / 2, 16, "PICK ONE.", White));
    EXPECT_TRUE(TextAt(box, (464 - 72) / 2, 32, "(A) TASER", White));
    EXPECT_TRUE(TextAt(box, (464 - 136) / 2, 40, "(B) FIRST AID KIT", White));
    EXPECT_TRUE(TextAt(box, (464 - 160) / 2, 48, "(C) BATON (EQUIPPED)", White));
    // The frame (content 160 wide, box 192) is centred in the canvas.
    EXPECT_TRUE(GlyphAt(box, 136, 0, 201, White));
    EXPECT_TRUE(GlyphAt(box, 320, 0, 187, White));
    EXPECT_TRUE(TextAt(box, 136 + (192 - 72) / 2, 0, "Inventory", Black, White));
    EXPECT_TRUE(GlyphAt(box, 136, 56, 186, White));
    EXPECT_TRUE(GlyphAt(box, 136, 64, 200, White));
    EXPECT_TRUE(GlyphAt(box, 320, 64, 188, White));
    // Shown over the map while the game picture is redrawn.
    EXPECT_TRUE(TextAt(screen, 88 + (464 - 72) / 2, (400 - 72 - 80) / 2 + 32, "(A) TASER", White));
}

TEST_F(InventoryMenuTest, ListedLettersChooseAndEverythingElseCancels) {
    EXPECT_EQ(Choose({KeyDown(SDL_SCANCODE_A)}), taser->item) << "(a) is the last entity";
    EXPECT_EQ(Choose({KeyDown(SDL_SCANCODE_C)}), baton->item);
    EXPECT_EQ(Choose({KeyDown(SDL_SCANCODE_D)}), nullptr) << "a letter past the list";
    EXPECT_EQ(Choose({KeyDown(SDL_SCANCODE_1)}), nullptr);
    EXPECT_EQ(Choose({KeyDown(SDL_SCANCODE_ESCAPE)}), nullptr);
    EXPECT_EQ(Choose({vlotest::QuitEvent()}), nullptr);
    EXPECT_EQ(Choose({vlotest::MouseMotion(50, 60), KeyDown(SDL_SCANCODE_B)}), aid->item)
        << "mouse motion neither cancels nor selects";
    // A tap on a listed line chooses it; on the prompt, or a desktop click,
    // neither chooses nor cancels. Lines start at (400 - 72 - 80) / 2 + 16.
    const auto tap = [](int line, bool touch) {
        const SDL_Point p = vlotest::PictureToWindow(320, 124 + 16 + 8 * line + 4);
        SDL_Event e = vlotest::MouseButton(p.x, p.y, SDL_BUTTON_LEFT);
        e.button.which = touch ? SDL_TOUCH_MOUSEID : 0;
        return e;
    };
    EXPECT_EQ(Choose({tap(4, true), KeyDown(SDL_SCANCODE_A)}), baton->item) << "(C) BATON";
    EXPECT_EQ(Choose({tap(0, true), tap(3, false), KeyDown(SDL_SCANCODE_A)}), taser->item);
    SDL_FlushEvents(SDL_FIRSTEVENT, SDL_LASTEVENT);
    EXPECT_EQ(inventory.size(), 3u);
}

TEST_F(InventoryMenuTest, AnEmptyInventorySaysSoAndReturnsNothing) {
    DestroyEntities();
    vlotest::PlacePlayer(15, 15);
    EXPECT_EQ(Choose({KeyDown(SDL_SCANCODE_A)}), nullptr);
    EXPECT_TRUE(TextAt(inventoryPanel, (464 - 8 * 19) / 2, 32, "INVENTORY IS EMPTY.", White));
}

TEST_F(InventoryMenuTest, MoreThanTwentySixOptionsAreRefused) {
    for (int i = 0; i < 24; ++i) {
        vlotest::AddItem(0, 0, "First Aid Kit", inventory);
    }
    ASSERT_EQ(inventory.size(), 27u);
    ::testing::internal::CaptureStdout();
    KRItem* chosen = WithEvents({KeyDown(SDL_SCANCODE_A)}, [] {
        std::list<std::string> prompt = {"Pick one."};
        return InventoryMenu(prompt);
    });
    const std::string out = ::testing::internal::GetCapturedStdout();
    EXPECT_EQ(chosen, nullptr);
    EXPECT_EQ(out, "Can't have a menu with more than 26 options!\n");
    EXPECT_EQ(InputQueued(), 1) << "refused without waiting for a key";
    SDL_FlushEvents(SDL_FIRSTEVENT, SDL_LASTEVENT);

    option.assign(27, "entry");
    std::list<std::string> lines;
    ::testing::internal::CaptureStdout();
    EXPECT_EQ(Menu(lines).outcome, DialogOutcome::Failed);
    EXPECT_EQ(::testing::internal::GetCapturedStdout(),
              "Can't have a menu with more than 26 options!\n");
}

} // namespace
