// The public JSONTestSuite corpus read through ParseFile: every file ends in an
// orderly outcome (true, false or one of the reader's exceptions), every valid
// document with a container root is accepted, and a sample is checked value by
// value. Prints one tally line.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <iostream>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "korjson/korjson_test_util.h"

using namespace korJSON;
using testing::internal::CaptureStdout;
using testing::internal::GetCapturedStdout;

namespace {

namespace fs = std::filesystem;

const fs::path Corpus = fs::path(VLO_SOURCE_DIR "/../shared/conformance/JSONTestSuite");

struct Outcome {
    bool ok = false;
    std::string raised; // empty when nothing was raised
    korJSONData data;
};

Outcome Read(const fs::path& file) {
    Outcome o;
    korJSONStream stream;
    CaptureStdout();
    try {
        o.ok = stream.ParseFile(file.string(), o.data, JSON);
    } catch (const std::exception& e) {
        o.raised = e.what();
    }
    GetCapturedStdout();
    return o;
}

// The first byte that is no JSON white space.
char FirstSignificant(const fs::path& file) {
    for (const char c : vlotest::ReadBytes(file.string())) {
        if (c != ' ' && c != '\t' && c != '\n' && c != '\r') {
            return c;
        }
    }
    return '\0';
}

// Every message the reader and the conversions it uses may raise.
// clang-format off
const std::set<std::string> Listed = {
    "Literal value invalid: true", "Literal value invalid: false", "Literal value invalid: null",
    "Invalid literal value!", "Invalid string value!", "Read beyond end of file!",
    "Invalid escape character!", "Invalid code point for UTF-16 low surrogate pair!",
    "Invalid code point range for UTF-16 low surrogate pair!", "Invalid token! Expected object!",
    "Invalid token! Expected array!", "No root node found!", "wstring_convert::to_bytes",
    "stod", "stoi", "stoul", "stoll", "stoull", "stol", "bad optional access",
    "bad_optional_access"};
// clang-format on

std::vector<fs::path> CorpusFiles() {
    std::vector<fs::path> files;
    for (const char* folder : {"test_parsing", "test_transform"}) {
        const fs::path dir = Corpus / folder;
        if (!fs::is_directory(dir)) {
            continue;
        }
        for (const auto& entry : fs::directory_iterator(dir)) {
            if (entry.is_regular_file()) {
                files.push_back(entry.path());
            }
        }
    }
    std::sort(files.begin(), files.end());
    return files;
}

} // namespace

TEST(KorJSONConformanceTest, EveryCorpusFileEndsInAnOrderlyOutcome) {
    if (!fs::is_directory(Corpus)) {
        GTEST_SKIP() << "no corpus at " << Corpus;
    }
    const std::vector<fs::path> files = CorpusFiles();
    ASSERT_FALSE(files.empty());
    int accepted = 0;
    int refused = 0;
    std::map<std::string, int> raised;
    for (const fs::path& file : files) {
        const std::string name = file.filename().string();
        const Outcome o = Read(file);
        if (!o.raised.empty()) {
            ++raised[o.raised];
            EXPECT_TRUE(Listed.count(o.raised)) << name << " raised an unlisted " << o.raised;
        } else if (o.ok) {
            ++accepted;
            EXPECT_TRUE(o.data.type == Array || o.data.type == Object) << name;
        } else {
            ++refused;
            EXPECT_EQ(o.data.type, Null) << name;
        }
        const char first = FirstSignificant(file);
        if (name.rfind("y_", 0) == 0 && (first == '[' || first == '{')) {
            EXPECT_TRUE(o.ok && o.raised.empty()) << name << " must be accepted: " << o.raised;
        }
    }
    std::string tally = "korJSON corpus: " + std::to_string(files.size()) + " files, " +
                        std::to_string(accepted) + " accepted, " + std::to_string(refused) +
                        " refused, exceptions:";
    for (const auto& [message, count] : raised) {
        tally += " " + std::to_string(count) + " \"" + message + "\";";
    }
    std::cout << tally << std::endl;
}

TEST(KorJSONConformanceTest, SampleOfValidDocumentsReadsValueByValue) {
    if (!fs::is_directory(Corpus)) {
        GTEST_SKIP() << "no corpus at " << Corpus;
    }
    const fs::path dir = Corpus / "test_parsing";
    const auto read = [&](const char* name) {
        Outcome o = Read(dir / name);
        EXPECT_TRUE(o.ok) << name << " " << o.raised;
        return std::move(o.data);
    };

    korJSONData basic = read("y_object_basic.json");
    EXPECT_EQ(basic["asd"].toString(), "sdf");

    korJSONData mixed = read("y_array_heterogeneous.json");
    ASSERT_EQ(mixed.arraySize(), 4u);
    EXPECT_EQ(mixed[0].type, Null);
    EXPECT_EQ(mixed[1].type, UInt);
    EXPECT_EQ(mixed[2].type, String);
    EXPECT_EQ(mixed[2].toString(), "1");
    EXPECT_EQ(mixed[3].type, Object);

    EXPECT_EQ(read("y_string_accepted_surrogate_pair.json")[0].toString(), "\xF0\x90\x90\xB7");
    EXPECT_EQ(read("y_string_unicode_escaped_double_quote.json")[0].toString(), "\"");
    EXPECT_EQ(read("y_string_utf8.json")[0].toString(), "\xE2\x82\xAC\xF0\x9D\x84\x9E");
    EXPECT_EQ(read("y_number_negative_int.json")[0].toString(), "-123");
    EXPECT_EQ(std::get<double>(read("y_number_real_capital_e.json")[0].value), 1e22);
    EXPECT_EQ(std::get<double>(read("y_number_real_neg_exp.json")[0].value), 0.01);
    EXPECT_EQ(read("y_object_duplicated_key.json")["a"].toString(), "b") << "the first wins";

    korJSONData extreme = read("y_object_extreme_numbers.json");
    EXPECT_EQ(std::get<double>(extreme["min"].value), -1.0e28);
    EXPECT_EQ(std::get<double>(extreme["max"].value), 1.0e28);

    korJSONData spaced = read("y_array_arraysWithSpaces.json");
    ASSERT_EQ(spaced.arraySize(), 1u);
    EXPECT_EQ(spaced[0].arraySize(), 0u);

    korJSONData strings = read("y_object_long_strings.json");
    EXPECT_EQ(strings["id"].toString(), std::string(40, 'x'));
    EXPECT_EQ(strings["x"][0]["id"].toString(), std::string(40, 'x'));

    EXPECT_TRUE(read("y_object_escaped_null_in_key.json").contains("foobar"))
        << "\\u0000 adds nothing to the key";
}
