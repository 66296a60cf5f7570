// Reading files: what is refused before any reading (anything but a regular
// file within the limit), open and empty failures, byte-order marks and mark-less
// UTF-16/UTF-32 layouts with their notices, conversion to UTF-8 and its errors.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <string>

#include "korjson/korjson_test_util.h"

using namespace korJSON;
using testing::internal::CaptureStdout;
using testing::internal::GetCapturedStdout;
using vlotest::Raised;

namespace {

// The document used in every encoding: {"a": 1, "s": "é😀"}.
const std::u32string Document = U"{\"a\": 1, \"s\": \"\u00e9\U0001F600\"}";

std::string Utf16(const std::u32string& text, bool big) {
    std::string out;
    const auto unit = [&](std::uint32_t u) {
        const char hi = static_cast<char>(u >> 8);
        const char lo = static_cast<char>(u & 0xFF);
        out += big ? hi : lo;
        out += big ? lo : hi;
    };
    for (const char32_t c : text) {
        if (c >= 0x10000) {
            unit(0xD800 + ((c - 0x10000) >> 10));
            unit(0xDC00 + ((c - 0x10000) & 0x3FF));
        } else {
            unit(c);
        }
    }
    return out;
}

std::string Utf32(const std::u32string& text, bool big) {
    std::string out;
    for (const char32_t c : text) {
        for (int b = 0; b < 4; ++b) {
            out += static_cast<char>((c >> (8 * (big ? 3 - b : b))) & 0xFF);
        }
    }
    return out;
}

std::string Notice(const std::string& name) {
    return "File starts with " + name +
           " BOM! Please note that the BOM will be skipped, and removed in case the file gets "
           "saved!\n";
}

struct FileResult {
    bool ok = false;
    std::string printed;
    std::string raised = "nothing";
    korJSONData data{Bool};
};

FileResult ParseBytes(const std::string& bytes, korJSONType type = JSON) {
    vlotest::ScratchDir dir;
    const std::string file = dir.File("doc.json");
    vlotest::WriteBytes(file, bytes);
    FileResult r;
    CaptureStdout();
    r.raised = Raised([&] {
        korJSONStream stream;
        r.ok = stream.ParseFile(file, r.data, type);
    });
    r.printed = GetCapturedStdout();
    return r;
}

void ExpectDocument(FileResult& r) {
    ASSERT_TRUE(r.ok) << r.raised;
    EXPECT_EQ(r.data["a"].type, UInt);
    EXPECT_EQ(r.data["a"].toString(), "1");
    EXPECT_EQ(r.data["s"].toString(), "\xC3\xA9\xF0\x9F\x98\x80");
}

} // namespace

// The JSON side of a missing file is a case of the next test.
TEST(KorJSONEncodingTest, MissingBSONFileIsReportedAndGivesANullNode) {
    vlotest::ScratchDir dir;
    const std::string file = dir.File("absent.json");
    korJSONStream stream;
    korJSONData data(Object);
    CaptureStdout();
    EXPECT_FALSE(stream.ParseFile(file, data, BSON));
    EXPECT_EQ(GetCapturedStdout(), "Unable to parse BSON file: " + file + "\n");
    EXPECT_EQ(data.type, Null);
}

// Only a regular file within the limit is read: a folder, a named pipe or a
// device in the document's place is refused at once (neither waited on nor
// read for ever), and every refusal says why.
TEST(KorJSONEncodingTest, OnlyRegularFilesWithinTheLimitAreRead) {
    vlotest::ScratchDir dir;
    const std::string pipe = dir.File("pipe.json");
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    const std::string zeros = dir.File("zeros.json");
    ASSERT_EQ(::symlink("/dev/zero", zeros.c_str()), 0);
    vlotest::WriteBytes(dir.File("fits.json"), "[" + std::string(98, ' ') + "]");
    vlotest::WriteBytes(dir.File("over.json"), "[" + std::string(99, ' ') + "]");
    struct Case {
        std::string path;
        std::string reason; // empty: read
    };
    const Case cases[] = {
        {dir.File("absent.json"), "file not found"},
        {pipe, "not a regular file"},
        {zeros, "not a regular file"},
        {dir.path.string(), "not a regular file"},
        {dir.File("over.json"), "larger than 100 bytes"},
        // Measures 0 bytes but holds more: the reading itself stops at the limit.
        {"/proc/self/status", "larger than 100 bytes"},
        {dir.File("fits.json"), ""},
    };
    for (const Case& c : cases) {
        // A read that waits or never ends fails here instead of hanging.
        ::alarm(5);
        std::string bytes = "stale";
        std::string reason;
        const bool read = ReadRegularFile(c.path, bytes, 100, reason);
        korJSONStream stream;
        stream.maxFileBytes = 100;
        korJSONData data(Object);
        CaptureStdout();
        const bool parsed = stream.ParseFile(c.path, data, JSON);
        const std::string printed = GetCapturedStdout();
        ::alarm(0);

        const bool readable = c.reason.empty();
        EXPECT_EQ(read, readable) << c.path;
        EXPECT_EQ(reason, c.reason) << c.path;
        EXPECT_EQ(bytes.size(), readable ? 100u : 0u) << c.path;
        EXPECT_EQ(parsed, readable) << c.path;
        EXPECT_EQ(data.type, readable ? Array : Null) << c.path;
        EXPECT_EQ(stream.lastError, c.reason) << c.path;
        EXPECT_EQ(printed, readable ? "" : "Unable to parse JSON file: " + c.path + "\n");
    }
}

TEST(KorJSONEncodingTest, EmptyFileIsReportedAndGivesANullNode) {
    FileResult json = ParseBytes("");
    EXPECT_FALSE(json.ok);
    EXPECT_EQ(json.printed, "JSON file is empty!\n");
    EXPECT_EQ(json.data.type, Null);
    FileResult bson = ParseBytes("", BSON);
    EXPECT_FALSE(bson.ok);
    EXPECT_EQ(bson.printed, "BSON file is empty!\n");
}

TEST(KorJSONEncodingTest, PlainUtf8NeedsNoNotice) {
    std::string utf8 = "{\"a\": 1, \"s\": \"\xC3\xA9\xF0\x9F\x98\x80\"}";
    FileResult r = ParseBytes(utf8);
    ExpectDocument(r);
    EXPECT_EQ(r.printed, "");
}

TEST(KorJSONEncodingTest, EveryMarkAndLayoutIsDetectedAndConverted) {
    const std::string utf8 = "{\"a\": 1, \"s\": \"\xC3\xA9\xF0\x9F\x98\x80\"}";
    // clang-format off
    struct Row { const char* what; std::string bytes; const char* name; };
    const Row rows[] = {
        {"UTF-8 mark",           "\xEF\xBB\xBF" + utf8,                     "UTF-8"},
        {"UTF-16 BE mark",       "\xFE\xFF" + Utf16(Document, true),        "UTF-16 Big Endian"},
        {"UTF-16 LE mark",       std::string("\xFF\xFE") + Utf16(Document, false), "UTF-16 Little Endian"},
        {"UTF-32 LE mark",       vlotest::Bytes({0xFF, 0xFE, 0, 0}) + Utf32(Document, false), "UTF-32 Little Endian"},
        {"UTF-32 BE mark",       vlotest::Bytes({0, 0, 0xFE, 0xFF}) + Utf32(Document, true),  "UTF-32 Big Endian"},
        {"UTF-32 BE, no mark",   Utf32(Document, true),                     "UTF-32 Big Endian"},
        {"UTF-16 BE, no mark",   Utf16(Document, true),                     "UTF-16 Big Endian"},
        {"UTF-32 LE, no mark",   Utf32(Document, false),                    "UTF-32 Little Endian"},
        {"UTF-16 LE, no mark",   Utf16(Document, false),                    "UTF-16 Little Endian"},
    };
    // clang-format on
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        FileResult r = ParseBytes(row.bytes);
        ExpectDocument(r);
        EXPECT_EQ(r.printed, Notice(row.name));
    }
}

TEST(KorJSONEncodingTest, AlmostMarksAreReadAsPlainBytes) {
    // EF BB without BF, and 00 00 FE without FF: no encoding, no notice; the
    // stray bytes start nothing and are skipped.
    FileResult a = ParseBytes("\xEF\xBB{\"a\": 1}");
    EXPECT_TRUE(a.ok);
    EXPECT_EQ(a.printed, "");
    FileResult b = ParseBytes(vlotest::Bytes({0, 0, 0xFE, 0x41}) + "[1]");
    EXPECT_TRUE(b.ok);
    EXPECT_EQ(b.printed, "");
    FileResult small = ParseBytes("[1]");
    EXPECT_TRUE(small.ok) << "files below four bytes are not classified";
}

TEST(KorJSONEncodingTest, UnpairedSurrogatesRaiseTheConversionError) {
    // {"s":"<D800>x"} in UTF-16 LE with a mark, and a lone low surrogate.
    std::string high =
        "\xFF\xFE" + Utf16(U"[\"", false) + vlotest::Bytes({0x00, 0xD8}) + Utf16(U"x\"]", false);
    FileResult r = ParseBytes(high);
    EXPECT_EQ(r.raised, "range_error: wstring_convert::to_bytes");
    EXPECT_EQ(r.data.type, Bool) << "exceptions leave the target untouched";
    std::string low =
        "\xFE\xFF" + Utf16(U"[\"", true) + vlotest::Bytes({0xDC, 0x00}) + Utf16(U"\"]", true);
    EXPECT_EQ(ParseBytes(low).raised, "range_error: wstring_convert::to_bytes");
    std::string atEnd = "\xFE\xFF" + Utf16(U"[1]", true) + vlotest::Bytes({0xD8, 0x00});
    EXPECT_EQ(ParseBytes(atEnd).raised, "range_error: wstring_convert::to_bytes");
    std::string beyond = vlotest::Bytes({0, 0, 0xFE, 0xFF}) + Utf32(U"[", true) +
                         vlotest::Bytes({0x00, 0x11, 0x00, 0x00});
    EXPECT_EQ(ParseBytes(beyond).raised, "range_error: wstring_convert::to_bytes");
}

TEST(KorJSONEncodingTest, TrailingPartialUnitsAreDropped) {
    FileResult odd = ParseBytes("\xFF\xFE" + Utf16(U"[7]", false) + "\x01");
    ASSERT_TRUE(odd.ok) << odd.raised;
    EXPECT_EQ(odd.data[0].toString(), "7");
    FileResult partial = ParseBytes(Utf32(U"[7]", false) + "\x01\x02\x03");
    ASSERT_TRUE(partial.ok) << partial.raised;
    EXPECT_EQ(partial.data[0].toString(), "7");
}

TEST(KorJSONEncodingTest, Utf32SurrogateValuesBecomeThreeByteForms) {
    FileResult r =
        ParseBytes(Utf32(U"[\"", true) + vlotest::Bytes({0, 0, 0xD8, 0x00}) + Utf32(U"\"]", true));
    ASSERT_TRUE(r.ok) << r.raised;
    EXPECT_EQ(r.data[0].toString(), "\xED\xA0\x80");
}
