// The message log: word wrapping, the order of wrapped messages, replacing,
// and the six fading lines as they land on a surface (drawn with a coded
// sheet, so the pixels decode back to text and colour).
#include <gtest/gtest.h>

#include <filesystem>
#include <list>
#include <string>

#include "font.h"
#include "message.h"
#include "synthetic_font.h"

namespace {

std::list<std::string> Wrap(const std::string& text, unsigned width = 464) {
    KRMessage log;
    std::list<std::string> lines;
    log.WordWarp(text, lines, width, true);
    return lines;
}

class MessageLogTest : public vlotest::CodedFontEnv {
protected:
    KRMessage log;
    SDL_Surface* target = nullptr;

    void SetUp() override {
        CodedFontEnv::SetUp();
        ASSERT_FALSE(HasFatalFailure());
        target = SDL_CreateRGBSurfaceWithFormat(0, 640, 80, 32, SDL_PIXELFORMAT_ARGB8888);
        ASSERT_NE(target, nullptr);
        SDL_FillRect(target, nullptr, Background());
        ASSERT_TRUE(log.Init(target));
    }
    void TearDown() override {
        SDL_FreeSurface(target);
        CodedFontEnv::TearDown();
    }
    Uint32 Background() const { return SDL_MapRGB(target->format, 10, 20, 30); }

    // `text` is drawn from (x, y) in colour `c`, and the cell after it is empty.
    ::testing::AssertionResult LineAt(int x, int y, const std::string& text, KRColors c) {
        const Uint32 ink =
            SDL_MapRGB(target->format, EGAColors[c].r, EGAColors[c].g, EGAColors[c].b);
        for (std::size_t i = 0; i < text.size(); ++i) {
            const vlotest::DecodedCell cell =
                vlotest::DecodeCell(target, x + 8 * static_cast<int>(i), y, Background());
            if (cell.code != static_cast<unsigned char>(text[i]) || cell.ink != ink) {
                return ::testing::AssertionFailure()
                       << "\"" << text << "\" at y " << y << ": glyph " << i << " decodes to code "
                       << cell.code << " in colour " << vlotest::PaletteIndex(target, cell.ink);
            }
        }
        if (!vlotest::DecodeCell(target, x + 8 * static_cast<int>(text.size()), y, Background())
                 .blank) {
            return ::testing::AssertionFailure() << "\"" << text << "\" continues";
        }
        return ::testing::AssertionSuccess();
    }
};

// ---- wrapping -----------------------------------------------------------------

TEST(WordWarpTest, FiftyEightCharactersFitAndTheFiftyNinthMovesTheLastWord) {
    const std::string nine = "aaaaa bbbbb ccccc ddddd eeeee fffff ggggg hhhhh iiiii"; // 53
    const std::string fits = nine + " jjjj";
    ASSERT_EQ(fits.size(), 58u);
    EXPECT_EQ(Wrap(fits), std::list<std::string>{fits});

    const std::string over = nine + " jjjjj";
    ASSERT_EQ(over.size(), 59u);
    EXPECT_EQ(Wrap(over), (std::list<std::string>{nine, "jjjjj"}));
}

TEST(WordWarpTest, AWordLongerThanTheWidthStandsAloneUnbroken) {
    const std::string word(70, 'w');
    EXPECT_EQ(Wrap(word), std::list<std::string>{word});
    EXPECT_EQ(Wrap("ab " + word + " cd"), (std::list<std::string>{"ab", word, "cd"}));
}

TEST(WordWarpTest, RunsOfBlanksSeparateWordsAndBlankTextAddsNothing) {
    EXPECT_EQ(Wrap("two  words"), std::list<std::string>{"two words"});
    EXPECT_EQ(Wrap("  lead\tand\ntrail  "), std::list<std::string>{"lead and trail"});
    EXPECT_TRUE(Wrap("").empty());
    EXPECT_TRUE(Wrap(" \t \n ").empty());
}

TEST(WordWarpTest, BackslashNBecomesALineBreakInsideTheLine) {
    EXPECT_EQ(Wrap("ab\\ncd ef"), std::list<std::string>{"ab\ncd ef"});
    EXPECT_EQ(Wrap("\\n"), std::list<std::string>{"\n"}) << "the menus' blank-line marker";
}

TEST(WordWarpTest, NarrowWidthsHoldWidthOverEightMinusOneCharacters) {
    // 320 pixels: 39 characters.
    const std::string text = "No saved game to load or saved game corrupted.";
    EXPECT_EQ(Wrap(text, 320),
              (std::list<std::string>{"No saved game to load or saved game", "corrupted."}));
}

TEST(ReplaceAllTest, ResumesAfterTheInsertedText) {
    std::string s = "aa";
    KRMessage::ReplaceAll(s, "a", "aa");
    EXPECT_EQ(s, "aaaa");
    s = "abab";
    KRMessage::ReplaceAll(s, "ab", "xaby");
    EXPECT_EQ(s, "xabyxaby");
    s = "xyz";
    KRMessage::ReplaceAll(s, "y", "");
    EXPECT_EQ(s, "xz");
    s = "abc";
    KRMessage::ReplaceAll(s, "", "q");
    EXPECT_EQ(s, "abc") << "an empty pattern changes nothing and terminates";
}

// ---- the log ------------------------------------------------------------------

// A wrapped message used to land upside down (its last line on top).
TEST_F(MessageLogTest, WrappedMessageReadsTopDownUnderNewestFirst) {
    log.SetMessage("first one", false);
    const std::string words = "alphaaaaa bravoaaaa charliaaa deltaaaaa echoaaaaa "
                              "foxtrotaa golfaaaaa hotelaaaa indiaaaaa julietaaa";
    log.SetMessage(words, false);
    const std::list<std::string> expected = {"ALPHAAAAA BRAVOAAAA CHARLIAAA DELTAAAAA ECHOAAAAA",
                                             "FOXTROTAA GOLFAAAAA HOTELAAAA INDIAAAAA JULIETAAA",
                                             "FIRST ONE"};
    EXPECT_EQ(log.messages, expected);
    log.SetMessage("newest", false);
    EXPECT_EQ(log.messages.front(), "NEWEST");

    std::list<std::string> appended = {"kept"};
    log.WordWarp(words, appended, 464, true);
    ASSERT_EQ(appended.size(), 3u);
    EXPECT_EQ(appended.back(), "foxtrotaa golfaaaaa hotelaaaa indiaaaaa julietaaa");
}

TEST_F(MessageLogTest, SevenMessagesShowTheNewestSixInFadingColours) {
    for (int i = 0; i < 7; ++i) {
        log.SetMessage("line " + std::to_string(i), false);
    }
    log.GetMessages(176, 24, &sheetFont, Black, true);
    const KRColors fade[6] = {White, White, LightGray, LightGray, DarkGray, DarkGray};
    for (int row = 0; row < 6; ++row) {
        EXPECT_TRUE(LineAt(176, 24 + 8 * row, "LINE " + std::to_string(6 - row), fade[row]));
    }
    EXPECT_TRUE(vlotest::DecodeCell(target, 176, 72, Background()).blank)
        << "the oldest message is not drawn";
}

TEST_F(MessageLogTest, WithoutFadeEveryLineUsesTheGivenColour) {
    for (int i = 0; i < 3; ++i) {
        log.SetMessage("m" + std::to_string(i), false);
    }
    log.GetMessages(8, 0, &sheetFont, Magenta, false);
    EXPECT_TRUE(LineAt(8, 0, "M2", Magenta));
    EXPECT_TRUE(LineAt(8, 8, "M1", Magenta));
    EXPECT_TRUE(LineAt(8, 16, "M0", Magenta));
}

TEST_F(MessageLogTest, BackslashNInAMessageIsDrawnAsALineBreak) {
    log.SetMessage("ab\\ncd", false);
    ASSERT_EQ(log.messages.front(), "AB\nCD");
    log.GetMessages(16, 0, &sheetFont, Black, true);
    EXPECT_TRUE(LineAt(16, 0, "AB", White));
    EXPECT_TRUE(LineAt(16, 16, "CD", White));
}

TEST(MessageInitTest, NullTargetIsRefusedWithAMessage) {
    KRMessage log;
    ::testing::internal::CaptureStdout();
    EXPECT_FALSE(log.Init(nullptr));
    EXPECT_EQ(::testing::internal::GetCapturedStdout(), "Source surface isn't initialized!\n");
    EXPECT_EQ(log.surface, nullptr);
}

} // namespace
