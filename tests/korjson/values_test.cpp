// The document node: kinds and their defaults, structure access, text and typed
// conversions, ownership of children.
#include <gtest/gtest.h>

#include <limits>
#include <memory>
#include <string>

#include "korjson/korjson_test_util.h"

using namespace korJSON;
using vlotest::Container;
using vlotest::Node;
using vlotest::Raised;

namespace {

std::shared_ptr<korJSONData> Str(const std::string& s) {
    return Node(s, String);
}

} // namespace

TEST(KorJSONValueTest, KindConstructorStoresTheDefaultOfEveryKind) {
    // clang-format off
    struct Row { korJSONDataType kind; std::size_t index; const char* text; };
    const Row rows[] = {
        {Null,      9, "null"}, {Bool,     0, "false"}, {Int,    1, "0"},  {UInt,   2, "0"},
        {Long,      3, "0"},    {ULong,    4, "0"},     {LongLong, 5, "0"}, {ULongLong, 6, "0"},
        {Double,    7, "0"},    {String,   9, ""},
    };
    // clang-format on
    for (const Row& row : rows) {
        const korJSONData node(row.kind);
        EXPECT_EQ(node.type, row.kind);
        EXPECT_EQ(node.value.index(), row.index) << "kind " << int(row.kind);
        EXPECT_EQ(node.toString(), row.text) << "kind " << int(row.kind);
    }
    EXPECT_EQ(korJSONData(Array).value.index(), 10u);
    EXPECT_EQ(korJSONData(Array).arraySize(), 0u);
    EXPECT_EQ(korJSONData(Object).value.index(), 11u);
    EXPECT_FALSE(korJSONData(Object).contains(""));
}

TEST(KorJSONValueTest, KindOutsideTheTableIsUnsupported) {
    EXPECT_EQ(Raised([] { korJSONData node(static_cast<korJSONDataType>(12)); }),
              "runtime_error: Unsupported type!");
    EXPECT_EQ(Raised([] { korJSONData node(static_cast<korJSONDataType>(255)); }),
              "runtime_error: Unsupported type!");
}

TEST(KorJSONValueTest, LongAlternativesDifferFromIntAndThirtyTwoBits) {
    static_assert(sizeof(korJSONLong) == 4 && sizeof(korJSONULong) == 4, "32-bit longs");
    const korJSONData asLong(korJSONValue(korJSONLong{-7}), Long);
    EXPECT_TRUE(std::holds_alternative<korJSONLong>(asLong.value));
    EXPECT_FALSE(std::holds_alternative<int>(asLong.value));
    EXPECT_EQ(asLong.toString(), "-7");
    const korJSONData asULong(korJSONValue(korJSONULong{4294967295u}), ULong);
    EXPECT_EQ(asULong.toString(), "4294967295");
    // Plain integers pick their own alternatives, never the long ones.
    EXPECT_EQ(korJSONValue(5).index(), 1u);
    EXPECT_EQ(korJSONValue(5u).index(), 2u);
    EXPECT_EQ(korJSONValue(std::int64_t{5}).index(), 5u);
    EXPECT_EQ(korJSONValue(std::uint64_t{5}).index(), 6u);
    EXPECT_EQ(korJSONValue(std::string("x")).index(), 9u);
}

TEST(KorJSONValueTest, ObjectMembersAreOrderedByKeyAndTheFirstInsertWins) {
    korJSONData object(Object);
    object.insert("b", Node(1, Int));
    object.insert("a", Node(2, Int));
    object.insert("a", Node(3, Int));
    object.insert("B", Node(4, Int));
    object.insert("ab", Node(5, Int));
    std::string order;
    for (const auto& member : std::get<korJSONObject>(object.value)) {
        order += member.first + ",";
    }
    EXPECT_EQ(order, "B,a,ab,b,") << "byte-wise order, shorter prefix first";
    EXPECT_EQ(object["a"].toString(), "2");
}

TEST(KorJSONValueTest, MissingKeyRaisesAndInsertsNothing) {
    korJSONData object(Object);
    object.insert("y", Node(1, Int));
    EXPECT_EQ(Raised([&] { object["x"]; }), "runtime_error: Key was not found in object!");
    EXPECT_FALSE(object.contains("x"));
    EXPECT_EQ(std::get<korJSONObject>(object.value).size(), 1u);
}

TEST(KorJSONValueTest, StructureAccessOnTheWrongKindRaisesLibraryError) {
    korJSONData array(Array);
    korJSONData object(Object);
    korJSONData number(Int);
    EXPECT_EQ(Raised([&] { array["x"]; }), "runtime_error: Value is not an object!");
    EXPECT_EQ(Raised([&] { array.contains("x"); }), "runtime_error: Value is not an object!");
    EXPECT_EQ(Raised([&] { array.insert("x", Node(1, Int)); }),
              "runtime_error: Value is not an object!");
    EXPECT_EQ(Raised([&] { object.arraySize(); }), "runtime_error: Value is not an array!");
    EXPECT_EQ(Raised([&] { object[0]; }), "runtime_error: Value is not an array!");
    EXPECT_EQ(Raised([&] { object.push_back(Node(1, Int)); }),
              "runtime_error: Value is not an array!");
    EXPECT_EQ(Raised([&] { number.arraySize(); }), "runtime_error: Value is not an array!");
    EXPECT_EQ(Raised([&] { number["a"]; }), "runtime_error: Value is not an object!");
    EXPECT_EQ(array.arraySize(), 0u) << "a failed operation leaves the node unchanged";
    EXPECT_TRUE(std::get<korJSONObject>(object.value).empty());
}

TEST(KorJSONValueTest, ArrayIndexingReachesElementsAndRejectsOutOfRange) {
    korJSONData array(Array);
    array.push_back(Str("zero"));
    array.push_back(Node(true, Bool));
    ASSERT_EQ(array.arraySize(), 2u);
    EXPECT_EQ(array[0].toString(), "zero");
    EXPECT_EQ(array[1].toString(), "true");
    EXPECT_EQ(Raised([&] { array[2]; }), "out_of_range: Array index out of range!");
    EXPECT_EQ(Raised([&] { array[-1]; }), "out_of_range: Array index out of range!");
}

TEST(KorJSONValueTest, ToStringGivesTheTextOfEveryScalar) {
    EXPECT_EQ(Node(true, Bool)->toString(), "true");
    EXPECT_EQ(Node(-5, Int)->toString(), "-5");
    EXPECT_EQ(Node(std::numeric_limits<int>::min(), Int)->toString(), "-2147483648");
    EXPECT_EQ(Node(4294967295u, UInt)->toString(), "4294967295");
    EXPECT_EQ(Node(std::numeric_limits<std::int64_t>::min(), LongLong)->toString(),
              "-9223372036854775808");
    EXPECT_EQ(Node(std::numeric_limits<std::uint64_t>::max(), ULongLong)->toString(),
              "18446744073709551615");
    EXPECT_EQ(Node(0.5, Double)->toString(), "0.5");
    EXPECT_EQ(Node(1000000.0, Double)->toString(), "1e+06");
    EXPECT_EQ(Node(2.0, Double)->toString(), "2");
    EXPECT_EQ(Node(0.1234567, Double)->toString(), "0.123457");
    EXPECT_EQ(Str("text")->toString(), "text");
    EXPECT_EQ(Raised([] { korJSONData(Array).toString(); }), "runtime_error: Unsupported type!");
    EXPECT_EQ(Raised([] { korJSONData(Object).toString(); }), "runtime_error: Unsupported type!");
}

TEST(KorJSONValueTest, MismatchedAlternativeRaisesBadVariantAccess) {
    EXPECT_EQ(Raised([] { Node(5, String)->toString(); }), "bad_variant_access");
    EXPECT_EQ(Raised([] { Node("literal", String)->toString(); }), "bad_variant_access")
        << "a character pointer is its own alternative, never the string";
    EXPECT_EQ(Raised([] { Node(std::string("5"), Array)->arraySize(); }), "bad_variant_access");
    EXPECT_EQ(Str("s")->dataToString<std::string>(), "s");
    EXPECT_EQ(Raised([] { Node(1, Int)->dataToString<std::string>(); }), "bad_variant_access");
}

TEST(KorJSONValueTest, ConvertToBoolReadsTrueAndFalseWordsOnly) {
    EXPECT_TRUE(Node(true, Bool)->convertTo<bool>(false, false));
    EXPECT_TRUE(Str("true")->convertTo<bool>(false, false));
    EXPECT_TRUE(Str("trueish")->convertTo<bool>(false, false)) << "text beginning with true";
    EXPECT_FALSE(Str("false")->convertTo<bool>(false, true));
    EXPECT_FALSE(Node(1, Int)->convertTo<bool>(false, true)) << "the digit 1 is no word";
    EXPECT_FALSE(Str("True")->convertTo<bool>(false, true));
    EXPECT_FALSE(Str("")->convertTo<bool>(false, true));
}

TEST(KorJSONValueTest, ConvertToIntFollowsStoi) {
    EXPECT_EQ(Str("12abc")->convertTo<int>(false, 0), 12);
    EXPECT_EQ(Str("  -3")->convertTo<int>(false, 0), -3);
    EXPECT_EQ(Node(2.5, Double)->convertTo<int>(false, 0), 2);
    EXPECT_EQ(Node(7u, UInt)->convertTo<int>(false, 0), 7);
    EXPECT_EQ(Raised([] { Str("abc")->convertTo<int>(false, 0); }), "invalid_argument: stoi");
    EXPECT_EQ(Raised([] { Str("2147483648")->convertTo<int>(false, 0); }), "out_of_range: stoi");
    EXPECT_EQ(Raised([] { Node(true, Bool)->convertTo<int>(false, 0); }), "invalid_argument: stoi");
    EXPECT_EQ(Raised([] { korJSONData(Object).convertTo<int>(false, 0); }),
              "runtime_error: Unsupported type!");
}

TEST(KorJSONValueTest, ConvertToUnsignedFollowsAThirtyTwoBitStoul) {
    EXPECT_EQ(Node(7u, UInt)->convertTo<unsigned>(false, 0), 7u);
    EXPECT_EQ(Str("4294967295")->convertTo<unsigned>(false, 0), 4294967295u);
    EXPECT_EQ(Str("-1")->convertTo<unsigned>(false, 0), 4294967295u) << "negation modulo 2^32";
    EXPECT_EQ(Node(-2, Int)->convertTo<unsigned>(false, 0), 4294967294u);
    EXPECT_EQ(Raised([] { Str("4294967296")->convertTo<unsigned>(false, 0); }),
              "out_of_range: stoul");
    EXPECT_EQ(Raised([] { Str("-4294967296")->convertTo<unsigned>(false, 0); }),
              "out_of_range: stoul");
    EXPECT_EQ(Raised([] { Str("x1")->convertTo<unsigned>(false, 0); }), "invalid_argument: stoul");
}

TEST(KorJSONValueTest, ExactConversionNeedsTheExactAlternative) {
    EXPECT_EQ(Node(7u, UInt)->convertTo<int>(true, 7), 7);
    EXPECT_EQ(Node(9u, UInt)->convertTo<int>(true, -1), -1) << "UInt is not int";
    EXPECT_EQ(Node(3, Int)->convertTo<int>(true, -1), 3);
    EXPECT_EQ(Node(korJSONLong{3}, Long)->convertTo<int>(true, -1), -1);
    EXPECT_EQ(Node(std::int64_t{3}, LongLong)->convertTo<int>(true, -1), -1);
    EXPECT_EQ(Node(9u, UInt)->convertTo<unsigned>(true, 1), 9u);
    EXPECT_EQ(Node(korJSONULong{9}, ULong)->convertTo<unsigned>(true, 1), 1u);
    EXPECT_TRUE(Node(true, Bool)->convertTo<bool>(true, false));
    EXPECT_TRUE(Str("false")->convertTo<bool>(true, true)) << "no text conversion";
    EXPECT_EQ(korJSONData(Array).convertTo<int>(true, 4), 4) << "nothing is raised";
}

TEST(KorJSONValueTest, ChildrenAreSharedBetweenOwners) {
    auto child = Container(Array);
    {
        korJSONData parent(Object);
        parent.insert("list", child);
        korJSONData copy = parent;
        copy["list"].push_back(Node(1, Int));
        EXPECT_EQ(parent["list"].arraySize(), 1u) << "a copy holds the same children";
        EXPECT_EQ(child.use_count(), 3);
    }
    EXPECT_EQ(child.use_count(), 1) << "the other owner keeps the child alive";
    EXPECT_EQ((*child)[0].toString(), "1");
}
