// The options screen driven by scripted keys and read back from the screen:
// the list and its live values, rebinding, the volume screen, fullscreen and
// the three ways out.
#include <SDL_mixer.h>

#include <gtest/gtest.h>

#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "commands.h"
#include "default_options.h"
#include "game.h"
#include "game_env.h"
#include "glyph_probe.h"
#include "options.h"
#include "scripted_input.h"

namespace {

using vlotest::DefaultOptionLines;
using vlotest::FindText;

using OptionsTest = vlotest::GameEnv;

// The fifteen lines, one under the other, the highlighted one marked in cyan.
bool ListShows(int selected, const std::vector<std::string>& items) {
    int y0 = 0;
    for (int i = 0; i < static_cast<int>(items.size()); ++i) {
        const bool lit = i == selected;
        const auto at =
            FindText(screen, lit ? "> " + items[i] + " <" : items[i], lit ? Cyan : White);
        if (!at || (i > 0 && at->y != y0 + 8 * i)) {
            return false;
        }
        if (i == 0) {
            y0 = at->y;
        }
    }
    return FindText(screen, " Options ", Black, White).has_value();
}

std::function<bool()> Lit(const std::string& text) {
    return [text] { return FindText(screen, "> " + text + " <", Cyan).has_value(); };
}

std::function<bool()> VolumeShows(const std::string& percent, int volume) {
    return [percent, volume] {
        return musicVolume == volume && Mix_VolumeMusic(-1) == volume &&
               FindText(screen, "< " + percent + " >", White).has_value() &&
               FindText(screen, " Change Music Volume ", Black, White).has_value();
    };
}

bool CaptureBoxShown(const std::string& action) {
    return FindText(screen, " Change " + action + " Key ", Black, White).has_value() &&
           FindText(screen, "Please press a key", White).has_value();
}

SDL_Scancode Bound(KRActionTypes action) {
    return FindBinding(keyboard, action)->second.scancode;
}

// The settings text holds the member "key": value (any spacing).
bool MemberHolds(const std::string& text, const std::string& key, const std::string& value) {
    const std::string quoted = "\"" + key + "\"";
    for (std::size_t at = text.find(quoted); at != std::string::npos;
         at = text.find(quoted, at + 1)) {
        std::size_t i = at + quoted.size();
        auto skipBlanks = [&] {
            while (i < text.size() && std::isspace(static_cast<unsigned char>(text[i]))) {
                ++i;
            }
        };
        skipBlanks();
        if (i >= text.size() || text[i] != ':') {
            continue;
        }
        ++i;
        skipBlanks();
        if (text.compare(i, value.size(), value) == 0 &&
            (i + value.size() >= text.size() ||
             !std::isalnum(static_cast<unsigned char>(text[i + value.size()])))) {
            return true;
        }
    }
    return false;
}

// Down `n` times in the list.
vlotest::ScriptedInput& Down(vlotest::ScriptedInput& s, int n) {
    for (int i = 0; i < n; ++i) {
        s.Key(SDL_SCANCODE_DOWN);
    }
    return s;
}
vlotest::ScriptedInput& Up(vlotest::ScriptedInput& s, int n) {
    for (int i = 0; i < n; ++i) {
        s.Key(SDL_SCANCODE_UP);
    }
    return s;
}

TEST_F(OptionsTest, OpeningListsTheCurrentValuesAndTheHighlightWraps) {
    vlotest::ScriptedInput script;
    script.Expect("the default list", [] { return ListShows(0, DefaultOptionLines); })
        .Key(SDL_SCANCODE_UP)
        .Expect("Up on the first entry highlights the last",
                [] { return ListShows(14, DefaultOptionLines); })
        .Key(SDL_SCANCODE_DOWN)
        .Expect("Down on the last highlights the first", Lit("Move / Attack Up: Up"))
        .Key(SDL_SCANCODE_UP)
        .Key(SDL_SCANCODE_RETURN);
    EXPECT_TRUE(script.Run([] { OptionsMenu(); })) << script.Failures();
}

TEST_F(OptionsTest, FullscreenEntryReportsTheWindowNotTheSetting) {
    SetFullscreen(false);
    ASSERT_TRUE(fullscreen);
    vlotest::ScriptedInput script;
    script
        .Expect("Fullscreen: No",
                [] { return FindText(screen, "Fullscreen: No", White).has_value(); })
        .Key(SDL_SCANCODE_UP)
        .Key(SDL_SCANCODE_RETURN);
    EXPECT_TRUE(script.Run([] { OptionsMenu(); })) << script.Failures();
    EXPECT_NE(SDL_GetWindowFlags(window) & SDL_WINDOW_FULLSCREEN_DESKTOP, 0u)
        << "discarding applies the kept setting to the window";
}

TEST_F(OptionsTest, RebindingTakeThenDiscardingRestoresG) {
    vlotest::ScriptedInput script;
    Down(script, 4)
        .Expect("Take highlighted", Lit("Take: G"))
        .Key(SDL_SCANCODE_RETURN)
        .Expect("the key capture box", [] { return CaptureBoxShown("Take"); })
        .Key(SDL_SCANCODE_H)
        .Expect("Take shows H", Lit("Take: H"));
    Up(script, 5).Expect("Discard Changes", Lit("Discard Changes")).Key(SDL_SCANCODE_RETURN);
    EXPECT_TRUE(script.Run([] { OptionsMenu(); })) << script.Failures();
    EXPECT_EQ(Bound(ActionTake), SDL_SCANCODE_G);
    EXPECT_FALSE(std::filesystem::exists("game.cfg"));
}

TEST_F(OptionsTest, SavingWritesTheNewKeyUnderItsAction) {
    vlotest::ScriptedInput script;
    Down(script, 4)
        .Key(SDL_SCANCODE_RETURN)
        .Key(SDL_SCANCODE_H)
        .Expect("Take shows H", Lit("Take: H"));
    Up(script, 6).Expect("Save Changes", Lit("Save Changes")).Key(SDL_SCANCODE_RETURN);
    EXPECT_TRUE(script.Run([] { OptionsMenu(); })) << script.Failures();
    EXPECT_EQ(Bound(ActionTake), SDL_SCANCODE_H);
    const std::string cfg = vlotest::ReadFile("game.cfg");
    EXPECT_TRUE(MemberHolds(cfg, "4", "11")) << cfg;
    EXPECT_TRUE(MemberHolds(cfg, "0", "82")) << cfg;
}

TEST_F(OptionsTest, TwoActionsMayShareOneKey) {
    vlotest::ScriptedInput script;
    Down(script, 4)
        .Key(SDL_SCANCODE_RETURN)
        .Expect("the key capture box", [] { return CaptureBoxShown("Take"); })
        .Key(SDL_SCANCODE_UP)
        .Expect("both entries show Up", [] {
            return Lit("Take: Up")() && FindText(screen, "Move / Attack Up: Up", White).has_value();
        });
    Up(script, 6).Key(SDL_SCANCODE_RETURN);
    EXPECT_TRUE(script.Run([] { OptionsMenu(); })) << script.Failures();
    EXPECT_EQ(Bound(ActionTake), SDL_SCANCODE_UP);
    EXPECT_EQ(Bound(ActionMoveAttackUp), SDL_SCANCODE_UP);
}

TEST_F(OptionsTest, VolumeScreenStopsAtItsBoundsAndShowsTruncatedPercentages) {
    ASSERT_EQ(musicVolume, 96);
    vlotest::ScriptedInput script;
    Down(script, 11)
        .Expect("the volume entry", Lit("Music Volume: 75%"))
        .Key(SDL_SCANCODE_RETURN)
        .Expect("75%", VolumeShows("75%", 96));
    // presses (negative: Left), then the volume and what the screen shows
    const struct {
        int presses, volume;
        const char* shown;
    } steps[] = {{-96, 0, "0%"},  {-1, 0, "0%"},    {1, 1, "0%"},     {1, 2, "1%"},
                 {94, 96, "75%"}, {31, 127, "99%"}, {1, 128, "100%"}, {1, 128, "100%"}};
    for (const auto& step : steps) {
        const SDL_Scancode key = step.presses < 0 ? SDL_SCANCODE_LEFT : SDL_SCANCODE_RIGHT;
        script.Burst(key, std::abs(step.presses))
            .Expect(std::to_string(step.volume) + " shows " + step.shown,
                    VolumeShows(step.shown, step.volume));
    }
    script.Key(SDL_SCANCODE_ESCAPE)
        .Expect("the list with the new value", Lit("Music Volume: 100%"));
    Down(script, 3).Key(SDL_SCANCODE_RETURN);
    EXPECT_TRUE(script.Run([] { OptionsMenu(); })) << script.Failures();
    EXPECT_EQ(musicVolume, 96) << "discarded";
    EXPECT_EQ(Mix_VolumeMusic(-1), 96);
}

TEST_F(OptionsTest, FullscreenToggledTwiceReturnsToTheFirstMode) {
    const bool wasFullscreen = (SDL_GetWindowFlags(window) & SDL_WINDOW_FULLSCREEN_DESKTOP) != 0;
    ASSERT_TRUE(wasFullscreen);
    vlotest::ScriptedInput script;
    Down(script, 9)
        .Key(SDL_SCANCODE_RETURN)
        .Expect("windowed, at the picture's size: the game started fullscreen",
                [] {
                    int w = 0, h = 0;
                    SDL_GetWindowSize(window, &w, &h);
                    return !fullscreen &&
                           (SDL_GetWindowFlags(window) & SDL_WINDOW_FULLSCREEN_DESKTOP) == 0 &&
                           w == 640 && h == 400 && Lit("Fullscreen: No")();
                })
        .Key(SDL_SCANCODE_RETURN)
        .Expect("fullscreen again", [] { return fullscreen && Lit("Fullscreen: Yes")(); });
    Down(script, 4).Key(SDL_SCANCODE_RETURN);
    EXPECT_TRUE(script.Run([] { OptionsMenu(); })) << script.Failures();
    EXPECT_TRUE(fullscreen);
    EXPECT_NE(SDL_GetWindowFlags(window) & SDL_WINDOW_FULLSCREEN_DESKTOP, 0u);

    // A window the player sized comes back as it was.
    SetFullscreen(false);
    SDL_SetWindowSize(window, 900, 500);
    SetFullscreen(true);
    SetFullscreen(false);
    int w = 0, h = 0;
    SDL_GetWindowSize(window, &w, &h);
    EXPECT_EQ(std::make_pair(w, h), std::make_pair(900, 500));
}

TEST_F(OptionsTest, RestoringDefaultsAfterARebindingKeepsTheDefaultsLive) {
    vlotest::ScriptedInput script;
    Down(script, 4)
        .Key(SDL_SCANCODE_RETURN)
        .Key(SDL_SCANCODE_H)
        .Expect("Take shows H", Lit("Take: H"));
    Down(script, 8).Expect("Restore Default Settings", Lit("Restore Default Settings"));
    script.Key(SDL_SCANCODE_RETURN);
    EXPECT_TRUE(script.Run([] { OptionsMenu(); })) << script.Failures();
    EXPECT_EQ(Bound(ActionTake), SDL_SCANCODE_G);
    EXPECT_FALSE(std::filesystem::exists("game.cfg")) << "restoring does not write the file";

    vlotest::ScriptedInput again;
    again.Expect("reopened with the defaults", [] { return ListShows(0, DefaultOptionLines); })
        .Key(SDL_SCANCODE_UP)
        .Key(SDL_SCANCODE_RETURN);
    EXPECT_TRUE(again.Run([] { OptionsMenu(); })) << again.Failures();
}

// F2 and a close request end the key-capture and volume boxes without a key:
// the action keeps its key (not a stale one from an earlier box) and the
// volume takes no step. In the list a close request is ignored.
TEST_F(OptionsTest, F2OrACloseRequestLeaveTheKeyAndTheVolumeAsTheyWere) {
    const struct {
        const char* what;
        SDL_Event event;
    } enders[] = {{"F2", vlotest::KeyDown(SDL_SCANCODE_F2)}, {"close", vlotest::QuitEvent()}};
    for (const auto& ender : enders) {
        SCOPED_TRACE(ender.what);
        selectedKey = SDL_SCANCODE_K;
        const int volume = musicVolume + 1;
        vlotest::ScriptedInput script;
        script.Events({ender.event}, ender.what)
            .Expect("the list stays", Lit("Move / Attack Up: Up"));
        Down(script, 4)
            .Key(SDL_SCANCODE_RETURN)
            .Expect("the key capture box", [] { return CaptureBoxShown("Take"); })
            .Events({ender.event}, ender.what)
            .Expect("Take keeps G", Lit("Take: G"));
        Down(script, 7)
            .Key(SDL_SCANCODE_RETURN)
            .Key(SDL_SCANCODE_RIGHT)
            .Expect("one step", [volume] { return musicVolume == volume; })
            .Events({ender.event}, ender.what)
            .Expect("no second step",
                    [volume] {
                        return musicVolume == volume &&
                               FindText(screen, " Change Music Volume ", Black, White).has_value();
                    })
            .Key(SDL_SCANCODE_ESCAPE);
        Down(script, 2).Expect("Save Changes", Lit("Save Changes")).Key(SDL_SCANCODE_RETURN);
        EXPECT_TRUE(script.Run([] { OptionsMenu(); })) << script.Failures();
        EXPECT_EQ(Bound(ActionTake), SDL_SCANCODE_G);
        EXPECT_EQ(musicVolume, volume);
    }
}

TEST_F(OptionsTest, AFailedSaveIsToldAndTheScreenStaysOpen) {
    std::filesystem::create_directory("game.cfg"); // no file can be moved over a folder
    vlotest::ScriptedInput script;
    Up(script, 2)
        .Key(SDL_SCANCODE_RETURN)
        .Expect("the reason in a box",
                [] {
                    return FindText(screen, " Saving the settings failed ", Black, White) &&
                           FindText(screen, "regular file.", White) &&
                           FindText(screen, "Press any key to return to options.", White);
                })
        .Key(SDL_SCANCODE_X)
        .Expect("the list again", Lit("Save Changes"))
        .Key(SDL_SCANCODE_DOWN)
        .Key(SDL_SCANCODE_RETURN);
    EXPECT_TRUE(script.Run([] { OptionsMenu(); })) << script.Failures();
    EXPECT_TRUE(std::filesystem::is_directory("game.cfg"));
}

} // namespace
