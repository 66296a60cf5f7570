// The JSON text writer: flattening into tokens, the pretty layout byte for byte,
// compact output, value formatting, and writing files so that a failed write
// never costs the previous file.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "korjson/korjson_test_util.h"

using namespace korJSON;
using vlotest::Container;
using vlotest::Node;
using vlotest::Raised;
using vlotest::Write;

namespace {

korJSONData Read(const std::string& text) {
    korJSONData data;
    EXPECT_TRUE(vlotest::ParseText(text, data)) << text;
    return data;
}

std::string Rewrite(const std::string& text, bool pretty = true) {
    korJSONData data = Read(text);
    return Write(data, pretty);
}

bool TempFileLeft(const vlotest::ScratchDir& dir) {
    for (const auto& entry : std::filesystem::directory_iterator(dir.path)) {
        if (entry.path().filename().string().find(".tmp") != std::string::npos) {
            return true;
        }
    }
    return false;
}

} // namespace

TEST(KorJSONWriterTest, SettingsShapedObjectHasConventionalIndentation) {
    korJSONData root(Object);
    root.insert("MusicVolume", Node(64, Int));
    root.insert("Fullscreen", Node(false, Bool));
    EXPECT_EQ(Write(root), "{\n    \"Fullscreen\": false,\n    \"MusicVolume\": 64\n}");
}

TEST(KorJSONWriterTest, GameShapedDocumentIsLaidOutByteForByte) {
    const std::string text =
        R"({"Tiles": [[1, 2], [3]], "Name": "x", "Music": true, "List": [], "Empty": {},
            "Keyboard": [{"Key": 82, "Action": 0}, {"Action": 1, "Key": 81}]})";
    const std::string expected = "{\n"
                                 "    \"Empty\": {\n"
                                 "    },\n"
                                 "    \"Keyboard\": [\n"
                                 "        {\n"
                                 "            \"Action\": 0,\n"
                                 "            \"Key\": 82\n"
                                 "        },\n"
                                 "        {\n"
                                 "            \"Action\": 1,\n"
                                 "            \"Key\": 81\n"
                                 "        }\n"
                                 "    ],\n"
                                 "    \"List\": [\n"
                                 "    ],\n"
                                 "    \"Music\": true,\n"
                                 "    \"Name\": \"x\",\n"
                                 "    \"Tiles\": [\n"
                                 "        [\n"
                                 "            1,\n"
                                 "            2\n"
                                 "        ], [\n"
                                 "            3\n"
                                 "        ]]\n"
                                 "}";
    EXPECT_EQ(Rewrite(text), expected);
}

TEST(KorJSONWriterTest, ArrayElementsAfterContainersFollowTheTable) {
    EXPECT_EQ(Rewrite(R"([{"a": 1}, 5])"), "[\n    {\n        \"a\": 1\n    },\n\n 5\n]")
        << "a scalar after an object element: two line ends and a space";
    EXPECT_EQ(Rewrite("[{}, []]"), "[\n    {\n    },\n    [\n    ]]")
        << "an array after an object element starts its own line";
    EXPECT_EQ(Rewrite("[[], {}]"), "[\n    [\n    ], {\n    }\n]")
        << "an object after an array element stays on the line";
    EXPECT_EQ(Rewrite("[[[1]]]"), "[\n    [\n        [\n            1\n        ]]]");
    EXPECT_EQ(Rewrite("[1, \"s\", null]"), "[\n    1,\n    \"s\",\n    null\n]");
}

TEST(KorJSONWriterTest, EmptyRootsAreABracketALineEndAndABracket) {
    EXPECT_EQ(Write(*Container(Object)), "{\n}");
    EXPECT_EQ(Write(*Container(Array)), "[\n]");
    EXPECT_EQ(Write(*Container(Object), false), "{}");
}

TEST(KorJSONWriterTest, CompactOutputHasNoWhiteSpace) {
    korJSONData root(Object);
    auto list = Container(Array);
    list->push_back(Node(true, Bool));
    root.insert("b", list);
    root.insert("a", Node(1, Int));
    EXPECT_EQ(Write(root, false), R"({"a":1,"b":[true]})");
    EXPECT_EQ(Rewrite(R"([{"x": [1, {}]}, "y"])", false), R"([{"x":[1,{}]},"y"])");
}

TEST(KorJSONWriterTest, ScalarsAreFormattedByKind) {
    korJSONData root(Array);
    for (const auto& node :
         {Node(2.0, Double), Node(0.1234567, Double), Node(-0.5, Double), Node(1e20, Double),
          Node(-5, Int), Node(korJSONLong{-7}, Long), Node(korJSONULong{4294967295u}, ULong),
          Node(std::int64_t{-9223372036854775807LL - 1}, LongLong),
          Node(std::uint64_t{18446744073709551615ULL}, ULongLong), Container(Null)}) {
        root.push_back(node);
    }
    EXPECT_EQ(Write(root, false), "[2.000000,0.123457,-0.500000,100000000000000000000.000000,-5,"
                                  "-7,4294967295,-9223372036854775808,18446744073709551615,null]");
}

TEST(KorJSONWriterTest, WrittenNumbersReadBackByTheirText) {
    korJSONData root(Object);
    root.insert("d", Node(2.0, Double));
    root.insert("i", Node(5, Int));
    root.insert("n", Node(-5, Int));
    korJSONData back = Read(Write(root));
    EXPECT_EQ(back["d"].type, Double);
    EXPECT_EQ(back["i"].type, UInt) << "a positive Int reads back as UInt";
    EXPECT_EQ(back["i"].convertTo<int>(false, 0), 5);
    EXPECT_EQ(back["n"].type, Int);
}

TEST(KorJSONWriterTest, NonContainerRootsAreRefused) {
    std::string out = "kept";
    korJSONStream stream;
    for (korJSONDataType kind : {String, Null, Int, Double}) {
        korJSONData root(kind);
        EXPECT_EQ(Raised([&] { stream.ConvertJSONToString(root, out, true); }),
                  "runtime_error: Invalid token: Expected array or object as root node!");
    }
    EXPECT_EQ(out, "kept");
}

TEST(KorJSONWriterTest, MismatchedNodesRaiseAndLeaveTheOutputAsItWas) {
    korJSONData root(Array);
    root.push_back(Node(1, Int));
    root.push_back(Node(std::string("1"), Int));
    std::string out = "prefix";
    korJSONStream stream;
    EXPECT_EQ(Raised([&] { stream.ConvertJSONToString(root, out, true); }), "bad_variant_access");
    EXPECT_EQ(out, "prefix");
    korJSONData odd(Array);
    odd.push_back(Node(1, static_cast<korJSONDataType>(12)));
    EXPECT_EQ(Raised([&] { stream.ConvertJSONToString(odd, out, true); }),
              "runtime_error: Unsupported type!");
}

TEST(KorJSONWriterTest, ConvertAppendsToTheOutput) {
    korJSONStream stream;
    korJSONData root(Array);
    std::string out = "X";
    EXPECT_TRUE(stream.ConvertJSONToString(root, out, false));
    EXPECT_EQ(out, "X[]");
}

TEST(KorJSONWriterTest, TokenizeGivesContentsAndTheClosingToken) {
    korJSONStream stream;
    korJSONData root = Read(R"({"b": [1, -2.5], "a": {"k": "v"}})");
    std::deque<korJSONTokenValue> queue;
    stream.TokenizeObject(std::get<korJSONObject>(root.value), queue);
    std::string seen;
    for (const korJSONTokenValue& t : queue) {
        seen += std::to_string(t.token) + (t.text ? "=" + *t.text : "") + " ";
    }
    EXPECT_EQ(seen, "16=a 5 2 16=k 5 17=v 4 6 16=b 5 1 10=1 6 15=-2.500000 3 4 ");
    queue.clear();
    stream.TokenizeArray(std::get<korJSONArray>(root["b"].value), queue);
    ASSERT_EQ(queue.size(), 4u);
    EXPECT_EQ(queue.back().token, ArrayEnd);
}

TEST(KorJSONWriterTest, WriteFileStoresExactlyTheText) {
    vlotest::ScratchDir dir;
    const std::string file = dir.File("game.cfg");
    korJSONData root(Object);
    root.insert("Music", Node(true, Bool));
    std::string out;
    korJSONStream stream;
    EXPECT_TRUE(stream.WriteJSONFile(file, root, out, true));
    EXPECT_EQ(out, "{\n    \"Music\": true\n}");
    EXPECT_EQ(vlotest::ReadBytes(file), out) << "no mark, no final line end";
    EXPECT_FALSE(TempFileLeft(dir));

    root.insert("Fullscreen", Node(false, Bool));
    std::string second = "";
    EXPECT_TRUE(stream.WriteJSONFile(file, root, second, true));
    EXPECT_EQ(vlotest::ReadBytes(file), second) << "an existing file is replaced";
}

TEST(KorJSONWriterTest, WriteFileReportsAFolderThatDoesNotExist) {
    vlotest::ScratchDir dir;
    const std::string file = dir.File("missing/game.sav");
    EXPECT_EQ(vlotest::RefusedWrite(file), "Unable to write JSON file: " + file + "\n");
}

// Regression: the target used to be truncated before the text existed, so a
// failing conversion destroyed the previous saved game.
TEST(KorJSONWriterTest, FailedConversionKeepsThePreviousFile) {
    vlotest::ScratchDir dir;
    const std::string file = dir.File("game.sav");
    vlotest::WriteBytes(file, "previous");
    korJSONStream stream;
    std::string out;
    korJSONData badRoot(String);
    EXPECT_EQ(Raised([&] { stream.WriteJSONFile(file, badRoot, out, true); }),
              "runtime_error: Invalid token: Expected array or object as root node!");
    korJSONData badText(Object);
    badText.insert("name", Node(std::string("\xC3"), String));
    EXPECT_EQ(Raised([&] { stream.WriteJSONFile(file, badText, out, true); }),
              "runtime_error: Invalid UTF-8 sequence!");
    EXPECT_EQ(vlotest::ReadBytes(file), "previous");
    EXPECT_FALSE(TempFileLeft(dir));
}

TEST(KorJSONWriterTest, TargetThatCannotBeReplacedIsReportedAndCleanedUp) {
    vlotest::ScratchDir dir;
    const std::string target = dir.File("taken");
    std::filesystem::create_directory(target);
    vlotest::WriteBytes(target + "/inside", "x");
    EXPECT_EQ(vlotest::RefusedWrite(target, Array), "Unable to write JSON file: " + target + "\n");
    EXPECT_FALSE(TempFileLeft(dir));
    EXPECT_EQ(vlotest::ReadBytes(target + "/inside"), "x");
}

TEST(KorJSONWriterTest, TextLongerThanTheWritersChunksComesOutWhole) {
    std::string big;
    for (int i = 0; i < 5000; ++i) {
        big += "segment\t\xC3\xA9\"" + std::to_string(i);
    }
    korJSONData root(Array);
    root.push_back(Node(big, String));
    auto inner = Container(Array);
    root.push_back(inner);
    for (int i = 0; i < 3000; ++i) { // 12 000 spaces of indentation at the bottom
        auto next = Container(Array);
        inner->push_back(next);
        inner = next;
    }
    inner->push_back(Node(7, Int));
    const std::string text = Write(root);
    EXPECT_NE(text.find("\n" + std::string(4 * 3002, ' ') + "7\n"), std::string::npos);
    korJSONData back = Read(text);
    EXPECT_EQ(back[0].toString(), big);
    EXPECT_EQ(Write(back), text);
}
