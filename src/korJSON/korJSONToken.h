// korJSON tokens: the kinds the scanner queues and the writer flattens a tree
// into, and the input formats of the reader. Standard library only.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace korJSON {

// Token kind, one unsigned byte. Kinds 7-17 carry a text payload.
enum korJSONToken : std::uint8_t {
    None = 0,
    ArrayBegin = 1,
    ObjectBegin = 2,
    ArrayEnd = 3,
    ObjectEnd = 4,
    Colon = 5,
    Comma = 6,
    NullValue = 7,
    BoolValue = 8,
    IntValue = 9,
    UIntValue = 10,
    LongValue = 11,  // made only by the writer
    ULongValue = 12, // made only by the writer
    LongLongValue = 13,
    ULongLongValue = 14,
    DoubleValue = 15,
    Key = 16,
    StringValue = 17
};

struct korJSONTokenValue {
    korJSONToken token = None;
    std::optional<std::string> text; // engaged for kinds 7-17 only
};

// Input format of korJSONStream::ParseFile.
enum korJSONType : std::uint8_t { JSON = 0, BSON = 1 };

namespace detail {

// Null .. Double and String: the tokens that stand for one scalar value.
inline bool IsValueToken(korJSONToken t) {
    return (t >= NullValue && t <= DoubleValue) || t == StringValue;
}

} // namespace detail
} // namespace korJSON
