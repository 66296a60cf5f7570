// BSON input: each document is written out byte by byte (length, type, name,
// value, terminator), converted to JSON text, and read back where it matters.
#include <gtest/gtest.h>

#include <string>

#include "korjson/korjson_test_util.h"

using namespace korJSON;
using testing::internal::CaptureStdout;
using testing::internal::GetCapturedStdout;
using vlotest::Bytes;
using vlotest::Raised;

namespace {

std::string ToJSON(const std::string& bytes) {
    korJSONStream stream;
    return stream.ConvertBSONToJSON(bytes);
}

std::string ToJSONRaised(const std::string& bytes) {
    return Raised([&] { ToJSON(bytes); });
}

std::string Int32(std::int32_t v) {
    const auto u = static_cast<std::uint32_t>(v);
    return Bytes({int(u & 0xFF), int((u >> 8) & 0xFF), int((u >> 16) & 0xFF), int(u >> 24)});
}

// A document around already encoded elements: length, elements, terminator.
std::string Document(const std::string& elements) {
    return Int32(static_cast<std::int32_t>(4 + elements.size() + 1)) + elements + '\0';
}

// What opens an element: its type byte and its zero-ended name.
std::string Head(char type, const std::string& name) {
    return std::string(1, type) + name + '\0';
}

std::string Int32Element(const std::string& name, std::int32_t v) {
    return Head(0x10, name) + Int32(v);
}

std::string ArrayElement(const std::string& name, const std::string& elements) {
    return Head(0x04, name) + Document(elements);
}

// Reads a BSON file through ParseFile.
korJSONData ParseBSONFile(const std::string& bytes, std::string* printed = nullptr) {
    vlotest::ScratchDir dir;
    const std::string file = dir.File("doc.bson");
    vlotest::WriteBytes(file, bytes);
    korJSONStream stream;
    korJSONData data;
    CaptureStdout();
    EXPECT_TRUE(stream.ParseFile(file, data, BSON));
    const std::string out = GetCapturedStdout();
    if (printed) {
        *printed = out;
    }
    return data;
}

} // namespace

TEST(KorJSONBSONTest, OneInt32MemberReadsAsUInt) {
    // clang-format off
    const std::string doc = Bytes({
        0x0C, 0x00, 0x00, 0x00,     // total length 12
        0x10, 'a', 0x00,            // int32 "a"
        0x05, 0x00, 0x00, 0x00,     // 5
        0x00,                       // end of document
    });
    // clang-format on
    EXPECT_EQ(ToJSON(doc), R"({"a": 5})");
    korJSONData data = ParseBSONFile(doc);
    EXPECT_EQ(data["a"].type, UInt);
    EXPECT_EQ(data["a"].toString(), "5");
}

TEST(KorJSONBSONTest, MembersAreSeparatedByACommaAndASpace) {
    // clang-format off
    const std::string doc = Bytes({
        0x10, 0x00, 0x00, 0x00,     // total length 16
        0x10, 'a', 0x00,            // int32 "a"
        0x05, 0x00, 0x00, 0x00,     // 5
        0x08, 'b', 0x00,            // boolean "b"
        0x01,                       // true
        0x00,                       // end of document
    });
    // clang-format on
    EXPECT_EQ(ToJSON(doc), R"({"a": 5, "b": true})");
}

TEST(KorJSONBSONTest, ArrayOfDoublesUsesFifteenDecimals) {
    // clang-format off
    const std::string doc = Bytes({
        0x23, 0x00, 0x00, 0x00,                             // total length 35
        0x04, 'v', 0x00,                                    // array "v"
        0x1B, 0x00, 0x00, 0x00,                             //   array length 27
        0x01, '0', 0x00,                                    //   double "0"
        0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0xF8, 0x3F,     //   1.5
        0x01, '1', 0x00,                                    //   double "1"
        0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x40,     //   2.0
        0x00,                                               //   end of array
        0x00,                                               // end of document
    });
    // clang-format on
    EXPECT_EQ(ToJSON(doc), R"({"v": [1.500000000000000, 2.000000000000000]})");
    korJSONData data = ParseBSONFile(doc);
    EXPECT_EQ(data["v"][0].type, Double);
    EXPECT_EQ(std::get<double>(data["v"][1].value), 2.0);
}

TEST(KorJSONBSONTest, EveryScalarTypeIsRendered) {
    // clang-format off
    const std::string doc = Bytes({
        0x54, 0x00, 0x00, 0x00,                             // total length 84
        0x02, 's', 0x00,                                    // string "s"
        0x04, 0x00, 0x00, 0x00, 'h', 0xC3, 0xA9, 0x00,      //   length 4, "hé" and its zero
        0x0D, 'c', 0x00,                                    // JavaScript code "c"
        0x02, 0x00, 0x00, 0x00, 'x', 0x00,                  //   length 2, "x"
        0x0A, 'n', 0x00,                                    // null "n"
        0x08, 'f', 0x00, 0x00,                              // boolean "f": false
        0x12, 'L', 0x00,                                    // int64 "L"
        0xFE, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF,     //   -2
        0x09, 'd', 0x00,                                    // UTC date-time "d"
        0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,     //   1
        0x11, 't', 0x00,                                    // timestamp "t"
        0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF,     //   2^64 - 1, unsigned
        0x05, 'b', 0x00,                                    // binary "b"
        0x02, 0x00, 0x00, 0x00, 0x00,                       //   length 2, subtype 0 (generic)
        0x01, 0xFF,                                         //   bytes 1 and 255
        0x05, 'o', 0x00,                                    // binary "o"
        0x01, 0x00, 0x00, 0x00, 0x02,                       //   length 1, subtype 2 (old binary)
        0x07,                                               //   byte 7
        0x00,                                               // end of document
    });
    // clang-format on
    EXPECT_EQ(ToJSON(doc), R"({"s": "h\u00e9", "c": "x", "n": null, "f": false, "L": -2, )"
                           R"("d": 1, "t": 18446744073709551615, "b": [1, 255], "o": [7]})");
    korJSONData data = ParseBSONFile(doc);
    EXPECT_EQ(data["s"].toString(), "h\xC3\xA9");
    EXPECT_EQ(data["t"].type, ULongLong);
    EXPECT_EQ(data["L"].type, Int);
    EXPECT_EQ(data["b"].arraySize(), 2u);
}

TEST(KorJSONBSONTest, StringEndsAtItsFirstZeroByte) {
    // clang-format off
    const std::string doc = Bytes({
        0x11, 0x00, 0x00, 0x00,                             // total length 17
        0x02, 's', 0x00,                                    // string "s"
        0x05, 0x00, 0x00, 0x00, 'a', 0x00, 'b', 'c', 0x00,  //   length 5, "a", zero, "bc"
        0x00,                                               // end of document
    });
    // clang-format on
    EXPECT_EQ(ToJSON(doc), R"({"s": "a"})");
}

TEST(KorJSONBSONTest, NestedAndEmptyArraysCloseWhereTheirLengthsSay) {
    // clang-format off
    const std::string doc = Bytes({
        0x2B, 0x00, 0x00, 0x00,     // total length 43
        0x04, 'x', 0x00,            // array "x"
        0x1C, 0x00, 0x00, 0x00,     //   length 28
        0x04, '0', 0x00,            //   array "0"
        0x0C, 0x00, 0x00, 0x00,     //     length 12
        0x10, '0', 0x00,            //     int32 "0"
        0x01, 0x00, 0x00, 0x00,     //     1
        0x00,                       //     end of array "0"
        0x04, '1', 0x00,            //   array "1"
        0x05, 0x00, 0x00, 0x00,     //     length 5: empty
        0x00,                       //     end of array "1"
        0x00,                       //   end of array "x"
        0x10, 'y', 0x00,            // int32 "y"
        0x02, 0x00, 0x00, 0x00,     // 2
        0x00,                       // end of document
    });
    // clang-format on
    EXPECT_EQ(ToJSON(doc), R"({"x": [[1], []], "y": 2})");
}

TEST(KorJSONBSONTest, TwelveElementArrayConvertsCompletely) {
    std::string elements;
    for (int i = 0; i < 12; ++i) {
        elements += Int32Element(std::to_string(i), i);
    }
    const std::string doc = Document(ArrayElement("a", elements));
    EXPECT_EQ(ToJSON(doc), R"({"a": [0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11]})");
}

TEST(KorJSONBSONTest, EmptyDocumentIsAnEmptyObject) {
    EXPECT_EQ(ToJSON(Bytes({0x05, 0x00, 0x00, 0x00, 0x00})), "{}");
    korJSONData data = ParseBSONFile(Bytes({0x05, 0x00, 0x00, 0x00, 0x00}));
    EXPECT_EQ(data.type, Object);
}

TEST(KorJSONBSONTest, UnsupportedTypesAndSubtypesAreRefused) {
    // clang-format off
    const std::string embedded = Bytes({
        0x0D, 0x00, 0x00, 0x00,     // total length 13
        0x03, 'd', 0x00,            // embedded document "d"
        0x05, 0x00, 0x00, 0x00,     //   length 5
        0x00,                       //   end of embedded document
        0x00,                       // end of document
    });
    const std::string userSubtype = Bytes({
        0x0E, 0x00, 0x00, 0x00,     // total length 14
        0x05, 'b', 0x00,            // binary "b"
        0x01, 0x00, 0x00, 0x00,     //   length 1
        0x80, 0x00,                 //   subtype 80h (user defined), one byte
        0x00,                       // end of document
    });
    // clang-format on
    std::string uuidSubtype = userSubtype;
    uuidSubtype[11] = 0x04; // subtype 4 (UUID)
    std::string objectId = embedded;
    objectId[4] = 0x07; // ObjectId
    EXPECT_EQ(ToJSONRaised(embedded), "runtime_error: Unsupported type!");
    EXPECT_EQ(ToJSONRaised(objectId), "runtime_error: Unsupported type!");
    EXPECT_EQ(ToJSONRaised(userSubtype), "runtime_error: User defined subtypes are unsupported!");
    EXPECT_EQ(ToJSONRaised(uuidSubtype), "runtime_error: Unsupported subtype!");
}

TEST(KorJSONBSONTest, MissingTerminatorIsReported) {
    std::string doc = Document(Int32Element("a", 5));
    doc.back() = 0x01;
    EXPECT_EQ(ToJSONRaised(doc), "runtime_error: EOO not found!");
}

TEST(KorJSONBSONTest, NegativeLengthsAreRefused) {
    const std::string negative = "Value size can't be negative!";
    // the document itself, a string, an array and a binary of length -1
    for (const std::string& doc :
         {Bytes({0xFF, 0xFF, 0xFF, 0xFF, 0x00}), Document(Head(0x02, "s") + Int32(-1)),
          Document(Head(0x04, "v") + Int32(-1)), Document(Head(0x05, "b") + Int32(-1) + '\0')}) {
        EXPECT_EQ(ToJSONRaised(doc), "runtime_error: " + negative);
    }
}

TEST(KorJSONBSONTest, ArrayOverrunningItsLengthIsReported) {
    // clang-format off
    const std::string doc = Bytes({
        0x14, 0x00, 0x00, 0x00,     // total length 20
        0x04, 'v', 0x00,            // array "v"
        0x08, 0x00, 0x00, 0x00,     //   declared length 8, but the element takes 7 more
        0x10, '0', 0x00,            //   int32 "0"
        0x01, 0x00, 0x00, 0x00,     //   1
        0x00,                       //   end of array
        0x00,                       // end of document
    });
    // clang-format on
    EXPECT_EQ(ToJSONRaised(doc),
              "runtime_error: BSON type value index is greater than total length!");
}

TEST(KorJSONBSONTest, LengthsPointingPastTheDataEndInAnError) {
    const std::string beyond = "runtime_error: BSON length points beyond the end of the data!";
    std::string longTotal = Document(Int32Element("a", 5));
    longTotal[0] = 100; // the document claims 100 bytes, 12 are there
    EXPECT_EQ(ToJSONRaised(longTotal), beyond);
    EXPECT_EQ(ToJSONRaised(Bytes({0x05, 0x00})), beyond) << "no room for the length itself";
    EXPECT_EQ(ToJSONRaised(""), beyond);
    // a string of 1000 bytes in a document of 16
    EXPECT_EQ(ToJSONRaised(Document(Head(0x02, "s") + Int32(1000) + "ab")), beyond);
    // an array of 200 bytes in a document of 16
    EXPECT_EQ(ToJSONRaised(Document(Head(0x04, "v") + Int32(200) + '\0')), beyond);
    // an int32 cut off by the document's end
    EXPECT_EQ(ToJSONRaised(Document(Head(0x10, "a") + "\x01\x02")), beyond);
    EXPECT_EQ(ToJSONRaised(Int32(9) + "\x10" + "abc"), beyond) << "a name without its zero";
    // an array whose length runs to the document's end, without room to close
    std::string open = Document(ArrayElement("v", Int32Element("0", 1)));
    open[7] = static_cast<char>(open[7] + 1);
    EXPECT_NE(ToJSONRaised(open), "nothing");
}

TEST(KorJSONBSONTest, GetBSONKeyGivesTheMemberPrefix) {
    korJSONStream stream;
    const std::string bytes = Head(0x10, "name") + "rest";
    int pos = 0;
    EXPECT_EQ(stream.GetBSONKey(bytes, pos), "\"name\": ");
    EXPECT_EQ(pos, 6);
    const std::string accented = Head(0x10, "\xC3\xA9");
    pos = 0;
    EXPECT_EQ(stream.GetBSONKey(accented, pos), "\"\\u00e9\": ");
}

TEST(KorJSONBSONTest, BSONFilesAreNeverCheckedForAMark) {
    // A document of 0xFEFF bytes starts FF FE 00 00, the UTF-32 LE mark.
    const std::string text(65266, 'x');
    const std::string doc = Document(Head(0x02, "s") + Int32(65267) + text + '\0');
    ASSERT_EQ(doc.size(), 0xFEFFu);
    std::string printed;
    korJSONData data = ParseBSONFile(doc, &printed);
    EXPECT_EQ(printed, "");
    EXPECT_EQ(data["s"].toString(), text);
}
