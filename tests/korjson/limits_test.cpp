// Limits: very deep nesting through scanning, building, writing and freeing,
// shared subtrees surviving their parents, large values, deep BSON arrays.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "korjson/korjson_test_util.h"

using namespace korJSON;
using vlotest::Container;
using vlotest::Node;

namespace {

constexpr int Deep = 100000;

// The innermost node of a chain built by following element 0 / member "a".
const korJSONData* Innermost(const korJSONData& root, int& depth) {
    const korJSONData* node = &root;
    depth = 0;
    for (;;) {
        if (node->type == Array && node->arraySize() > 0) {
            node = &(*node)[0];
        } else if (node->type == Object && node->contains("a")) {
            node = &(*node)["a"];
        } else {
            return node;
        }
        ++depth;
    }
}

} // namespace

TEST(KorJSONLimitsTest, HundredThousandOpeningBracketsParseWriteAndFree) {
    const std::string text(Deep, '[');
    korJSONData data;
    ASSERT_TRUE(vlotest::ParseText(text, data)) << "missing closings at the end are tolerated";
    int depth = 0;
    Innermost(data, depth);
    EXPECT_EQ(depth, Deep - 1);
    const std::string compact = vlotest::Write(data, false);
    EXPECT_EQ(compact, std::string(Deep, '[') + std::string(Deep, ']'));
    data = korJSONData(Null); // frees the whole chain here
    EXPECT_EQ(data.type, Null);
    // Indentation makes pretty output grow with the square of the depth
    // (100 000 levels would be some 20 GB), so the layout is checked on a
    // chain that is deep but still writable.
    const int indentable = 3000;
    ASSERT_TRUE(vlotest::ParseText(std::string(indentable, '['), data));
    const std::string pretty = vlotest::Write(data, true);
    EXPECT_GT(pretty.size(), 2u * indentable);
    EXPECT_EQ(pretty.substr(0, 7), "[\n    [");
    data = korJSONData(Null);
    EXPECT_EQ(data.type, Null);
}

TEST(KorJSONLimitsTest, DeepObjectsRoundTrip) {
    std::string text;
    for (int i = 0; i < Deep; ++i) {
        text += "{\"a\":";
    }
    text += "1";
    text += std::string(Deep, '}');
    korJSONData data;
    ASSERT_TRUE(vlotest::ParseText(text, data));
    korJSONData again;
    ASSERT_TRUE(vlotest::ParseText(vlotest::Write(data, false), again));
    int depth = 0;
    const korJSONData* inner = Innermost(again, depth);
    EXPECT_EQ(depth, Deep);
    EXPECT_EQ(inner->toString(), "1");
}

TEST(KorJSONLimitsTest, HandBuiltChainIsFreedWithoutRecursion) {
    auto root = Container(Array);
    auto tail = root;
    std::shared_ptr<korJSONData> kept;
    for (int i = 0; i < Deep; ++i) {
        auto next = Container(i % 2 ? Array : Object);
        if (tail->type == Array) {
            tail->push_back(next);
        } else {
            tail->insert("a", next);
        }
        if (i == Deep / 2) {
            kept = next;
        }
        tail = next;
    }
    tail.reset();
    root.reset();
    ASSERT_EQ(kept.use_count(), 1) << "the shared subtree outlives its parents";
    int depth = 0;
    Innermost(*kept, depth);
    EXPECT_EQ(depth, Deep - Deep / 2 - 1) << "and keeps all of its own children";
}

TEST(KorJSONLimitsTest, ManyClosingBracketsAreRefused) {
    korJSONData data;
    EXPECT_FALSE(vlotest::ParseText(std::string(Deep, ']'), data));
    EXPECT_FALSE(vlotest::ParseText("[" + std::string(Deep, ']'), data));
}

TEST(KorJSONLimitsTest, WideArraysAndLongStringsAreKept) {
    std::string text = "[";
    for (int i = 0; i < Deep; ++i) {
        text += (i ? "," : "") + std::to_string(i);
    }
    text += ",\"" + std::string(1 << 20, 'x') + "\"]";
    korJSONData data;
    ASSERT_TRUE(vlotest::ParseText(text, data));
    ASSERT_EQ(data.arraySize(), static_cast<unsigned>(Deep + 1));
    EXPECT_EQ(data[Deep - 1].toString(), std::to_string(Deep - 1));
    EXPECT_EQ(data[Deep].toString().size(), 1u << 20);
}

TEST(KorJSONLimitsTest, DeepBSONArraysConvertAndParse) {
    // Arrays nested 20000 deep, each holding only the next one. Level i from
    // the inside is 5 + 8i bytes: length, the next element's type and name
    // "0", the next level, the terminator.
    constexpr int depth = 20000;
    const auto int32 = [](std::uint32_t v) {
        std::string s;
        for (int b = 0; b < 4; ++b) {
            s += static_cast<char>((v >> (8 * b)) & 0xFF);
        }
        return s;
    };
    const std::uint32_t outer = 5 + 8 * (depth - 1);
    std::string doc = int32(4 + 3 + outer + 1) + std::string{'\x04', 'a', '\0'};
    for (int i = depth - 1; i >= 1; --i) {
        doc += int32(5 + 8 * static_cast<std::uint32_t>(i)) + std::string{'\x04', '0', '\0'};
    }
    doc += int32(5) + std::string(1, '\0'); // the innermost, empty
    doc += std::string(depth - 1, '\0');    // the terminators of the others
    doc += std::string(1, '\0');            // end of document
    korJSONStream stream;
    const std::string text = stream.ConvertBSONToJSON(doc);
    EXPECT_EQ(text, "{\"a\": " + std::string(depth, '[') + std::string(depth, ']') + "}");
    korJSONData data;
    ASSERT_TRUE(vlotest::ParseText(text, data));
    int found = 0;
    Innermost(data, found);
    EXPECT_EQ(found, depth);
}
