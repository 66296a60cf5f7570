// Escaping of keys and strings by the writer: named escapes, \u forms for
// control and non-ASCII characters, surrogate pairs, and invalid UTF-8.
#include <gtest/gtest.h>

#include <string>

#include "korjson/korjson_test_util.h"

using namespace korJSON;
using vlotest::Raised;

namespace {

std::string Escaped(const std::string& s) {
    korJSONStream stream;
    return stream.ConvertToEscapedString(s);
}

} // namespace

TEST(KorJSONEscapeTest, ControlCharactersUseNamedOrHexEscapes) {
    EXPECT_EQ(Escaped("\b\t\n\v\f\r"), "\\b\\t\\n\\v\\f\\r");
    EXPECT_EQ(Escaped("\"\\"), "\\\"\\\\");
    EXPECT_EQ(Escaped(std::string("\x00\x01\x1F", 3)), "\\u0000\\u0001\\u001f");
    EXPECT_EQ(Escaped("a/b\x7F ~"), "a/b\x7F ~") << "slash and DEL stay as they are";
}

TEST(KorJSONEscapeTest, NonAsciiBecomesLowercaseHexEscapes) {
    EXPECT_EQ(Escaped("\xC3\xA9"), "\\u00e9");
    EXPECT_EQ(Escaped("\xE2\x82\xAC"), "\\u20ac");
    EXPECT_EQ(Escaped("\xEF\xBF\xBF"), "\\uffff");
    EXPECT_EQ(Escaped("\xF0\x9F\x98\x80"), "\\ud83d\\ude00");
    EXPECT_EQ(Escaped("\xF4\x8F\xBF\xBF"), "\\udbff\\udfff");
    EXPECT_EQ(Escaped("\xF4\x90\x80\x80"), "\\u110000") << "beyond U+10FFFF: all its digits";
    EXPECT_EQ(Escaped("\xC0\x80"), "\\u0000") << "overlong forms are not rejected";
    EXPECT_EQ(Escaped("\xED\xA0\x80"), "\\ud800");
}

TEST(KorJSONEscapeTest, MalformedUtf8IsRefused) {
    for (const std::string bad : {"\x80", "\xBF", "\xF8\x80\x80\x80\x80", "\xFF", "\xC3",
                                  "\xE2\x82", "\xC3\x41", "\xE2\x82\xC0", "ok\xF0\x9F\x98"}) {
        EXPECT_EQ(Raised([&] { Escaped(bad); }), "runtime_error: Invalid UTF-8 sequence!")
            << testing::PrintToString(bad);
    }
}

TEST(KorJSONEscapeTest, WriterEscapesKeysAndStringsButNotOtherPayloads) {
    korJSONData root(Object);
    root.insert("k\xC3\xA9\t", vlotest::Node(std::string("\xF0\x9F\x98\x80\x1F"), String));
    EXPECT_EQ(vlotest::Write(root, false), R"({"k\u00e9\t":"\ud83d\ude00\u001f"})");
}

TEST(KorJSONEscapeTest, EscapedTextReadsBackToTheSameBytes) {
    const std::string original = "tab\tquote\"back\\slash/\x01\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80";
    korJSONData root(Array);
    root.push_back(vlotest::Node(original, String));
    const std::string text = vlotest::Write(root);
    for (const char c : text) {
        EXPECT_LT(static_cast<unsigned char>(c), 0x80u) << "the output is pure ASCII";
    }
    korJSONData back;
    ASSERT_TRUE(vlotest::ParseText(text, back));
    EXPECT_EQ(back[0].toString(), original);
}
