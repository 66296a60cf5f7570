// Write-then-read over varied trees: every value comes back (integers by value,
// since kinds follow the text), and writing what was read gives the same text.
#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <string>

#include "korjson/korjson_test_util.h"

using namespace korJSON;
using vlotest::Container;
using vlotest::Node;

namespace {

class TreeMaker {
public:
    explicit TreeMaker(unsigned seed) : rng_(seed) {}

    std::shared_ptr<korJSONData> Container(int depth) {
        auto node = vlotest::Container(Pick(2) ? Object : Array);
        const int count = Pick(depth > 3 ? 3 : 7);
        for (int i = 0; i < count; ++i) {
            auto child = depth < 5 && Pick(4) == 0 ? Container(depth + 1) : Scalar();
            if (node->type == Array) {
                node->push_back(child);
            } else {
                node->insert(Text(), child);
            }
        }
        return node;
    }

private:
    int Pick(int n) { return std::uniform_int_distribution<int>(0, n - 1)(rng_); }

    std::string Text() {
        // ASCII with the characters that need escaping, and 2-, 3- and 4-byte
        // UTF-8; never NUL, which \u0000 does not bring back.
        // clang-format off
        static const char* const pieces[] = {"a", "Z", " ", "\"", "\\", "/", "\t", "\n", "\x1F",
            "\x7F", "\xC3\xA9", "\xE2\x82\xAC", "\xF0\x9F\x98\x80", "key", "0"};
        // clang-format on
        std::string s;
        const int n = Pick(6);
        for (int i = 0; i < n; ++i) {
            s += pieces[Pick(15)];
        }
        return s;
    }

    std::shared_ptr<korJSONData> Scalar() {
        std::uniform_int_distribution<std::int64_t> wide(INT64_MIN, INT64_MAX);
        const std::int64_t r = wide(rng_);
        switch (Pick(10)) {
        case 0: return vlotest::Container(Null);
        case 1: return Node(Pick(2) == 1, Bool);
        case 2: return Node(static_cast<int>(r), Int);
        case 3: return Node(static_cast<unsigned>(r), UInt);
        case 4: return Node(korJSONLong{static_cast<std::int32_t>(r)}, Long);
        case 5: return Node(korJSONULong{static_cast<std::uint32_t>(r)}, ULong);
        case 6: return Node(r, LongLong);
        case 7: return Node(static_cast<std::uint64_t>(r), ULongLong);
        case 8: return Node(static_cast<double>(r % 100000000) / 64.0, Double);
        default: return Node(Text(), String);
        }
    }

    std::mt19937 rng_;
};

struct IntegerValue {
    bool negative = false;
    std::uint64_t magnitude = 0;
    bool operator==(const IntegerValue& o) const {
        return negative == o.negative && magnitude == o.magnitude;
    }
};

bool IsInteger(korJSONDataType t) {
    return t >= Int && t <= ULongLong;
}

IntegerValue ValueOf(const korJSONData& n) {
    std::int64_t s = 0;
    switch (n.type) {
    case Int: s = std::get<int>(n.value); break;
    case Long: s = static_cast<std::int32_t>(std::get<korJSONLong>(n.value)); break;
    case LongLong: s = std::get<std::int64_t>(n.value); break;
    case UInt: return {false, std::get<unsigned>(n.value)};
    case ULong: return {false, static_cast<std::uint32_t>(std::get<korJSONULong>(n.value))};
    default: return {false, std::get<std::uint64_t>(n.value)};
    }
    return s < 0 ? IntegerValue{true, 0 - static_cast<std::uint64_t>(s)}
                 : IntegerValue{false, static_cast<std::uint64_t>(s)};
}

// Equal as documents: integers by value, everything else exactly.
::testing::AssertionResult Same(const korJSONData& a, const korJSONData& b,
                                const std::string& at = "$") {
    if (IsInteger(a.type) && IsInteger(b.type)) {
        if (ValueOf(a) == ValueOf(b)) {
            return ::testing::AssertionSuccess();
        }
        return ::testing::AssertionFailure()
               << at << ": " << a.toString() << " vs " << b.toString();
    }
    if (a.type != b.type) {
        return ::testing::AssertionFailure()
               << at << ": kind " << int(a.type) << " vs " << int(b.type);
    }
    if (a.type == Array) {
        if (a.arraySize() != b.arraySize()) {
            return ::testing::AssertionFailure() << at << ": sizes differ";
        }
        for (unsigned i = 0; i < a.arraySize(); ++i) {
            auto r = Same(a[int(i)], b[int(i)], at + "[" + std::to_string(i) + "]");
            if (!r) {
                return r;
            }
        }
        return ::testing::AssertionSuccess();
    }
    if (a.type == Object) {
        const auto& am = std::get<korJSONObject>(a.value);
        const auto& bm = std::get<korJSONObject>(b.value);
        if (am.size() != bm.size()) {
            return ::testing::AssertionFailure() << at << ": member counts differ";
        }
        for (const auto& [key, child] : am) {
            if (!b.contains(key)) {
                return ::testing::AssertionFailure() << at << ": no member " << key;
            }
            auto r = Same(*child, b[key], at + "." + key);
            if (!r) {
                return r;
            }
        }
        return ::testing::AssertionSuccess();
    }
    if (a.toString() != b.toString()) {
        return ::testing::AssertionFailure()
               << at << ": " << a.toString() << " vs " << b.toString();
    }
    return ::testing::AssertionSuccess();
}

} // namespace

TEST(KorJSONRoundTripTest, VariedTreesComeBackFromTheirText) {
    const unsigned seed = std::random_device{}();
    SCOPED_TRACE("seed " + std::to_string(seed));
    TreeMaker maker(seed);
    for (int round = 0; round < 200; ++round) {
        auto tree = maker.Container(0);
        for (const bool pretty : {true, false}) {
            const std::string text = vlotest::Write(*tree, pretty);
            korJSONData back;
            ASSERT_TRUE(vlotest::ParseText(text, back)) << text;
            ASSERT_TRUE(Same(*tree, back)) << text;
            EXPECT_EQ(vlotest::Write(back, pretty), text)
                << "writing what was read changes nothing";
        }
    }
}

TEST(KorJSONRoundTripTest, SavedGameShapedFileComesBackThroughFiles) {
    korJSONData root(Object);
    root.insert("Signature", Node(std::string("VLOSG"), String));
    root.insert("CurrentFloor", Node(3, Int));
    auto tiles = Container(Array);
    for (int i = 0; i < 3200; ++i) {
        auto tile = Container(Object);
        tile->insert("Blocked", Node(i % 7 == 0, Bool));
        tile->insert("BlockSight", Node(i % 5 == 0, Bool));
        tile->insert("Explored", Node(i % 3 == 0, Bool));
        tiles->push_back(tile);
    }
    root.insert("Map", tiles);
    auto entities = Container(Array);
    for (int i = 0; i < 150; ++i) {
        auto e = Container(Object);
        e->insert("Name", Node("Guard " + std::to_string(i), String));
        e->insert("X", Node(i % 80, Int));
        e->insert("Y", Node(i % 40, Int));
        e->insert("HP", Node(-i, Int));
        entities->push_back(e);
    }
    root.insert("Entities", entities);
    auto log = Container(Array);
    log->push_back(Node(std::string("Welcome, prisoner."), String));
    log->push_back(Container(Object));
    log->push_back(Node(std::string("after an object"), String));
    root.insert("Messages", log);

    vlotest::ScratchDir dir;
    const std::string file = dir.File("game.sav");
    korJSONStream stream;
    std::string out;
    ASSERT_TRUE(stream.WriteJSONFile(file, root, out, true));
    korJSONData back;
    ASSERT_TRUE(stream.ParseFile(file, back, JSON));
    EXPECT_TRUE(Same(root, back));
    EXPECT_EQ(back["Messages"][2].toString(), "after an object");
}
