// The JSON text reader: number kinds and payloads, strings and escapes,
// literals, the token queue, tree building and its refusals, exact messages.
#include <gtest/gtest.h>

#include <deque>
#include <string>
#include <vector>

#include "korjson/korjson_test_util.h"

using namespace korJSON;
using vlotest::ParseText;
using vlotest::Raised;

namespace {

// The queue as text, e.g. "[ U:1 , S:a ]".
std::string Tokens(const std::string& text) {
    korJSONStream stream;
    stream.Tokenization(text);
    static const char* const names[] = {"?", "[", "{", "]",  "}",  ":",   ",", "N", "B",
                                        "I", "U", "L", "UL", "LL", "ULL", "D", "K", "S"};
    std::string out;
    for (const korJSONTokenValue& t : stream.tokens) {
        if (!out.empty()) {
            out += ' ';
        }
        out += names[t.token];
        if (t.text) {
            out += ":" + *t.text;
        }
    }
    return out;
}

korJSONData Parsed(const std::string& text) {
    korJSONData data;
    EXPECT_TRUE(ParseText(text, data)) << text;
    return data;
}

// The single string of a one-element array.
std::string StringOf(const std::string& body) {
    return Parsed("[\"" + body + "\"]")[0].toString();
}

std::string ParseRaised(const std::string& text) {
    return Raised([&] {
        korJSONData data;
        ParseText(text, data);
    });
}

} // namespace

TEST(KorJSONReaderTest, NumbersGetTheirKindFromTheirText) {
    korJSONData data = Parsed(
        R"({"u": 1, "i": -1, "ull": 4294967296, "ll": -2147483649, "d": 1.5, "e": 1e2,
            "umax": 4294967295, "imin": -2147483648, "big": 18446744073709551615})");
    // clang-format off
    const std::pair<const char*, korJSONDataType> expected[] = {
        {"u", UInt}, {"i", Int}, {"ull", ULongLong}, {"ll", LongLong}, {"d", Double},
        {"e", Double}, {"umax", UInt}, {"imin", Int}, {"big", ULongLong},
    };
    // clang-format on
    for (const auto& [key, kind] : expected) {
        EXPECT_EQ(data[key].type, kind) << key;
    }
    EXPECT_EQ(std::get<std::int64_t>(data["ll"].value), -2147483649LL);
    EXPECT_EQ(std::get<std::uint64_t>(data["big"].value), 18446744073709551615ULL);
    EXPECT_EQ(std::get<double>(data["e"].value), 100.0);
}

TEST(KorJSONReaderTest, NumberPayloadsAreCanonical) {
    EXPECT_EQ(Tokens("[007, +5, 12abc, -0, -007, 1.5, 1E1, .5]"),
              "[ U:7 , U:5 , U:12 , I:0 , I:-7 , D:1.500000000000000 , D:10.000000000000000 , "
              "D:0.500000000000000 ]");
}

TEST(KorJSONReaderTest, BadNumbersRaiseTheConversionErrors) {
    EXPECT_EQ(ParseRaised("[-]"), "invalid_argument: stoi");
    EXPECT_EQ(ParseRaised("[+]"), "invalid_argument: stoul");
    EXPECT_EQ(ParseRaised("[e5]"), "invalid_argument: stod");
    EXPECT_EQ(ParseRaised("[1e999]"), "out_of_range: stod");
    EXPECT_EQ(ParseRaised("[99999999999999999999]"), "out_of_range: stoull");
    EXPECT_EQ(ParseRaised("[-99999999999999999999]"), "out_of_range: stoll");
    EXPECT_EQ(ParseRaised("[1, :2]"), "invalid_argument: stoul") << "a colon starts a number";
}

TEST(KorJSONReaderTest, NumbersEndAtClosingBracketsWithoutWhiteSpace) {
    korJSONData array = Parsed("[1]");
    ASSERT_EQ(array.arraySize(), 1u);
    EXPECT_EQ(array[0].toString(), "1");
    korJSONData object = Parsed(R"({"a":[1],"b":2})");
    EXPECT_EQ(object["a"][0].toString(), "1");
    EXPECT_EQ(object["b"].toString(), "2");
}

TEST(KorJSONReaderTest, TokenQueueOfAnObject) {
    EXPECT_EQ(Tokens(R"({"k": [true, null], "s": "v"})"),
              "{ K:k : [ B:true , N:null ] , K:s : S:v }");
}

TEST(KorJSONReaderTest, StringEscapesAreDecoded) {
    EXPECT_EQ(StringOf(R"(\"\/\\\b\f\n\r\t\v)"), "\"/\\\b\f\n\r\t\v");
    EXPECT_EQ(StringOf(R"(\u00e9)"), "\xC3\xA9");
    EXPECT_EQ(StringOf(R"(\ud83d\ude00)"), "\xF0\x9F\x98\x80");
    EXPECT_EQ(StringOf(R"(\uD83D\uDE00)"), "\xF0\x9F\x98\x80");
    EXPECT_EQ(StringOf(R"(\ud83dx)"), "\xED\xA0\xBDx") << "a lone surrogate as three bytes";
    EXPECT_EQ(StringOf(R"(\u0041\u0042)"), "AB") << "a second escape that is no pair";
    EXPECT_EQ(StringOf(R"(\u12x)"), "u12x") << "a short escape is kept as letters";
    EXPECT_EQ(StringOf(R"(a\u0000b)"), "ab") << "code point 0 gives nothing";
    EXPECT_EQ(StringOf("raw\x01\xFF"), "raw\x01\xFF") << "other bytes are copied unchanged";
}

TEST(KorJSONReaderTest, StringErrorsHaveTheirMessages) {
    EXPECT_EQ(ParseRaised(R"(["\q"])"), "runtime_error: Invalid escape character!");
    EXPECT_EQ(ParseRaised(R"(["abc)"), "runtime_error: Invalid string value!");
    EXPECT_EQ(ParseRaised("[\"abc\\"), "runtime_error: Read beyond end of file!");
    EXPECT_EQ(ParseRaised(R"(["\u0041)"), "runtime_error: Read beyond end of file!");
    EXPECT_EQ(ParseRaised(R"(["\u00)"), "runtime_error: Read beyond end of file!");
    EXPECT_EQ(ParseRaised(R"(["\ud83d\ude0)"), "runtime_error: Read beyond end of file!");
    EXPECT_EQ(ParseRaised(R"(["\ud83d\uzzzz"])"),
              "runtime_error: Invalid code point for UTF-16 low surrogate pair!");
    EXPECT_EQ(ParseRaised(R"(["\ud83d\u0041"])"),
              "runtime_error: Invalid code point range for UTF-16 low surrogate pair!");
}

TEST(KorJSONReaderTest, AValueThatFailsIsNotLeftInTheQueue) {
    korJSONStream stream;
    EXPECT_EQ(Raised([&] { stream.Tokenization(R"([1, "abc)"); }),
              "runtime_error: Invalid string value!");
    ASSERT_EQ(stream.tokens.size(), 3u);
    EXPECT_EQ(stream.tokens.back().token, Comma);
    EXPECT_EQ(Raised([&] { stream.Tokenization("[1, 2e999]"); }), "out_of_range: stod");
    EXPECT_EQ(stream.tokens.back().token, Comma);
}

TEST(KorJSONReaderTest, LiteralsAreCheckedLetterByLetter) {
    EXPECT_EQ(ParseRaised("[tru"), "runtime_error: Invalid literal value!");
    EXPECT_EQ(ParseRaised("[trUe]"), "runtime_error: Literal value invalid: true");
    EXPECT_EQ(ParseRaised("[fals]"), "runtime_error: Literal value invalid: false");
    EXPECT_EQ(ParseRaised(R"({"a": nul})"), "runtime_error: Literal value invalid: null");
    korJSONData data = Parsed("[nullx, false]");
    ASSERT_EQ(data.arraySize(), 2u) << "the letter after null is skipped";
    EXPECT_EQ(data[0].type, Null);
    EXPECT_EQ(data[1].type, Bool);
}

TEST(KorJSONReaderTest, DuplicateKeysKeepTheFirstMember) {
    korJSONData data = Parsed(R"({"a": 1, "a": 2, "b": [1], "b": [2, 3], "c": {"x": 1}, "c": 5})");
    EXPECT_EQ(data["a"].toString(), "1");
    EXPECT_EQ(data["b"].arraySize(), 1u);
    EXPECT_TRUE(data["c"].contains("x"));
}

TEST(KorJSONReaderTest, DocumentsWithoutContainerRootGiveANullNode) {
    for (const char* text : {"5", "\"s\"", "true", "}"}) {
        korJSONData data(Object);
        EXPECT_FALSE(ParseText(text, data)) << text;
        EXPECT_EQ(data.type, Null) << text;
    }
    korJSONStream stream;
    EXPECT_FALSE(stream.Tokenization("  \n\t"));
    EXPECT_FALSE(stream.Tokenization(""));
    korJSONData data(Object);
    EXPECT_FALSE(stream.ParseJSONContents(data)) << "an empty queue builds nothing";
    EXPECT_EQ(data.type, Null);
}

TEST(KorJSONReaderTest, BadTokenOrdersAreRefused) {
    for (const char* text :
         {"{]", "[}", "[1]]", "[1] [2]", R"({"a"})", R"({"a" 1})", R"({"a":})", "[:]"}) {
        korJSONData data(Object);
        const std::string raised = Raised([&] { EXPECT_FALSE(ParseText(text, data)) << text; });
        if (raised == "nothing") {
            EXPECT_EQ(data.type, Null) << text;
        }
    }
    EXPECT_EQ(ParseRaised(R"({"a": 1, 2})"), "nothing") << "a value in an object is skipped";
    EXPECT_EQ(ParseRaised(R"([1] 2)"), "nothing");
}

TEST(KorJSONReaderTest, MissingClosingBracketsAtTheEndAreTolerated) {
    korJSONData data = Parsed(R"({"a": [1, {"b": 2)");
    EXPECT_EQ(data["a"][1]["b"].toString(), "2");
}

TEST(KorJSONReaderTest, BuilderRaisesForEntriesInTheWrongContainer) {
    korJSONStream stream;
    korJSONData data(Bool);
    stream.tokens = {{ObjectBegin, {}}, {StringValue, std::string("x")}};
    EXPECT_EQ(Raised([&] { stream.ParseJSONContents(data); }),
              "runtime_error: Invalid token! Expected array!");
    stream.tokens = {{ArrayBegin, {}}, {NullValue, std::string("null")}, {Key, std::string("k")}};
    EXPECT_EQ(Raised([&] { stream.ParseJSONContents(data); }),
              "runtime_error: Invalid token! Expected object!");
    stream.tokens = {{ArrayBegin, {}}, {StringValue, {}}};
    EXPECT_EQ(Raised([&] { stream.ParseJSONContents(data); }), "bad_optional_access");
    EXPECT_EQ(data.type, Bool) << "exceptions leave the target untouched";
    EXPECT_TRUE(stream.tokens.empty()) << "the queue is consumed whatever the outcome";
    EXPECT_EQ(ParseRaised("[u]"), "bad_optional_access") << "u is a string without text";
}

TEST(KorJSONReaderTest, BuilderRefusesTheFixedBadPairs) {
    korJSONStream stream;
    korJSONData data;
    const std::vector<std::deque<korJSONTokenValue>> queues = {
        {{ObjectBegin, {}}, {ArrayEnd, {}}},
        {{ArrayBegin, {}}, {ObjectEnd, {}}},
        {{ArrayBegin, {}}, {Colon, {}}},
        {{ArrayBegin, {}}, {Key, std::string("k")}},
        {{ObjectBegin, {}},
         {Key, std::string("k")},
         {Colon, {}},
         {ArrayBegin, {}},
         {Key, std::string("j")}},
    };
    for (const auto& queue : queues) {
        stream.tokens = queue;
        EXPECT_FALSE(stream.ParseJSONContents(data));
        EXPECT_EQ(data.type, Null);
    }
}

TEST(KorJSONReaderTest, BuilderTakesWriterOnlyLongTokens) {
    korJSONStream stream;
    korJSONData data;
    stream.tokens = {
        {ArrayBegin, {}}, {LongValue, std::string("-5")}, {ULongValue, std::string("7")}};
    ASSERT_TRUE(stream.ParseJSONContents(data));
    EXPECT_EQ(data[0].type, Long);
    EXPECT_EQ(static_cast<int>(std::get<korJSONLong>(data[0].value)), -5);
    EXPECT_EQ(data[1].type, ULong);
    stream.tokens = {{ArrayBegin, {}}, {IntValue, std::string("2147483648")}};
    EXPECT_EQ(Raised([&] { stream.ParseJSONContents(data); }), "out_of_range: stol")
        << "Int payloads are read with a 32-bit stol";
}

TEST(KorJSONReaderTest, ExceptionsLeaveTheTargetUntouched) {
    korJSONData data(Object);
    data.insert("kept", vlotest::Node(1, Int));
    EXPECT_EQ(Raised([&] { ParseText(R"({"a": [1, "x)", data); }),
              "runtime_error: Invalid string value!");
    EXPECT_TRUE(data.contains("kept"));
}

TEST(KorJSONReaderTest, ScannerHelpersLeaveTheIndexOnTheLastByteConsumed) {
    korJSONStream stream;
    unsigned pos = 0;
    EXPECT_EQ(*stream.CheckForString(pos, "\"ab\" x").text, "ab");
    EXPECT_EQ(pos, 3u);
    pos = 1;
    EXPECT_EQ(*stream.CheckForNumber(pos, "[-12,", '-').text, "-12");
    EXPECT_EQ(pos, 3u);
    pos = 0;
    EXPECT_EQ(stream.CheckForLiteral(pos, "nullx", "null"), "null");
    EXPECT_EQ(pos, 3u);
    pos = 0;
    EXPECT_EQ(stream.CheckTypeToken(ObjectBegin, pos, "  ").token, ObjectBegin)
        << "an object context at the end of the text gives its own kind";
    pos = 0;
    const korJSONTokenValue key = stream.CheckTypeToken(ObjectBegin, pos, " \"k\"");
    EXPECT_EQ(key.token, Key);
    EXPECT_EQ(pos, 3u);
    pos = 0;
    EXPECT_EQ(stream.CheckTypeToken(ArrayBegin, pos, "\t{").token, ObjectBegin);
    ASSERT_EQ(stream.tokens.size(), 1u) << "an opening bracket is queued by the helper";
    EXPECT_EQ(stream.tokens.back().token, ObjectBegin);
}

TEST(KorJSONReaderTest, CodePointToStringEncodesUtf8) {
    korJSONStream stream;
    EXPECT_EQ(stream.CodePointToString(0), "");
    EXPECT_EQ(stream.CodePointToString(0x41), "A");
    EXPECT_EQ(stream.CodePointToString(0x7FF), "\xDF\xBF");
    EXPECT_EQ(stream.CodePointToString(0xFFFF), "\xEF\xBF\xBF");
    EXPECT_EQ(stream.CodePointToString(0x10FFFF), "\xF4\x8F\xBF\xBF");
    EXPECT_EQ(stream.CodePointToString(0x110000), "");
}

TEST(KorJSONReaderTest, SlashesAndBackslashesAreSeparatorsNotComments) {
    korJSONData data = Parsed("{\"a\": 1, // \"b\": 2\n\"c\": 3 \\ }");
    EXPECT_TRUE(data.contains("a"));
    EXPECT_TRUE(data.contains("b")) << "the member after // is read";
    EXPECT_EQ(data["c"].toString(), "3");
}

// Regression: the scanner used to lose track of the enclosing container when
// white space came before a closing bracket (as in every pretty-written file)
// or when an array root opened a container directly, and then skipped values.
TEST(KorJSONReaderTest, ValueAfterAnObjectInAnArraySurvivesWhiteSpace) {
    korJSONData data = Parsed("{\"e\": [ {\"x\": 1 }, 5 ], \"f\": [ {\"y\": { } }, \"s\" ]}");
    ASSERT_EQ(data["e"].arraySize(), 2u);
    EXPECT_EQ(data["e"][1].toString(), "5");
    ASSERT_EQ(data["f"].arraySize(), 2u);
    EXPECT_EQ(data["f"][1].toString(), "s");
}

TEST(KorJSONReaderTest, ArrayRootWithDirectlyNestedContainersKeepsAll) {
    korJSONData data = Parsed(R"([{"a": [{"b": 1}, 2]}, [[3], 4]])");
    ASSERT_EQ(data.arraySize(), 2u);
    ASSERT_EQ(data[0]["a"].arraySize(), 2u);
    EXPECT_EQ(data[0]["a"][1].toString(), "2");
    ASSERT_EQ(data[1].arraySize(), 2u);
    EXPECT_EQ(data[1][1].toString(), "4");
}
