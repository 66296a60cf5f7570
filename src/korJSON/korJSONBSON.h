// korJSON BSON input: translates a BSON document into JSON text for the text
// reader. Every read is bounds-checked against the declared document length.
// Standard library only; knows nothing of files or the node tree.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <deque>
#include <stdexcept>
#include <string>

#include "korJSONNumbers.h"
#include "korJSONUnicode.h"

namespace korJSON {

// One open array of the conversion.
struct korJSONBSONTypeValue {
    std::uint8_t type = 4;     // element type code of the open container: always 4
    std::int32_t consumed = 4; // bytes of the array read so far (its length field)
    std::int32_t length = 0;   // the array's declared total size
};

namespace detail {

// Raised whenever a length or the document's end would make the conversion
// read past the data.
[[noreturn]] inline void BSONBeyondData() {
    throw std::runtime_error("BSON length points beyond the end of the data!");
}

// Little-endian reads within [0, limit).
class BSONCursor {
public:
    BSONCursor(const std::string& bytes, std::size_t limit) : bytes_(bytes), limit_(limit) {}

    std::size_t pos = 0;

    std::uint64_t Unsigned(std::size_t width) {
        Need(width);
        std::uint64_t v = 0;
        for (std::size_t k = 0; k < width; ++k) {
            v |= static_cast<std::uint64_t>(static_cast<unsigned char>(bytes_[pos + k])) << (8 * k);
        }
        pos += width;
        return v;
    }
    std::int32_t Int32() {
        return static_cast<std::int32_t>(static_cast<std::uint32_t>(Unsigned(4)));
    }
    std::int64_t Int64() { return static_cast<std::int64_t>(Unsigned(8)); }
    unsigned char Byte() { return static_cast<unsigned char>(Unsigned(1)); }
    double Double() {
        const std::uint64_t bits = Unsigned(8);
        double d = 0.0;
        std::memcpy(&d, &bits, sizeof d);
        return d;
    }
    // A length that must be non-negative.
    std::int32_t Size() {
        const std::int32_t size = Int32();
        if (size < 0) {
            throw std::runtime_error("Value size can't be negative!");
        }
        return size;
    }
    // The zero-terminated name starting at `pos`; leaves `pos` after the zero.
    std::string Name() {
        const std::size_t start = pos;
        while (pos < limit_ && bytes_[pos] != '\0') {
            ++pos;
        }
        if (pos >= limit_) {
            BSONBeyondData();
        }
        return bytes_.substr(start, pos++ - start);
    }
    void Need(std::size_t count) const {
        if (pos > limit_ || count > limit_ - pos) {
            BSONBeyondData();
        }
    }
    const char* Data() const { return bytes_.data() + pos; }

private:
    const std::string& bytes_;
    std::size_t limit_;
};

inline std::string BSONMemberPrefix(const std::string& name) {
    std::string key = "\"";
    AppendEscaped(key, name.data(), name.size());
    key += "\": ";
    return key;
}

// `pos` is on an element's type byte. Returns the element's name as a JSON
// member prefix: quote, escaped name, quote, colon and space; leaves `pos` just
// after the name's terminating zero.
inline std::string GetBSONKey(const std::string& bytes, int& pos) {
    if (pos < 0) {
        BSONBeyondData();
    }
    BSONCursor cursor(bytes, bytes.size());
    cursor.pos = static_cast<std::size_t>(pos) + 1;
    const std::string name = cursor.Name();
    pos = static_cast<int>(cursor.pos);
    return BSONMemberPrefix(name);
}

// Renders the value of an element of type `type` at the cursor. An array only
// opens: its entry is pushed on `arrays` and its elements follow.
inline void RenderBSONValue(unsigned char type, BSONCursor& in, std::string& out,
                            std::deque<korJSONBSONTypeValue>& arrays) {
    switch (type) {
    case 1: AppendFixed(out, in.Double(), 15); return;
    case 2:
    case 13: {
        const std::int32_t length = in.Size();
        in.Need(static_cast<std::size_t>(length));
        // The string ends at its first zero byte, at the latest after `length`.
        const char* text = in.Data();
        const void* zero = std::memchr(text, 0, static_cast<std::size_t>(length));
        const std::size_t used =
            zero ? static_cast<std::size_t>(static_cast<const char*>(zero) - text)
                 : static_cast<std::size_t>(length);
        out += '"';
        AppendEscaped(out, text, used);
        out += '"';
        in.pos += static_cast<std::size_t>(length);
        return;
    }
    case 4: {
        const std::size_t start = in.pos;
        const std::int32_t size = in.Size();
        in.pos = start;
        in.Need(static_cast<std::size_t>(size));
        in.pos = start + 4;
        out += '[';
        korJSONBSONTypeValue entry;
        entry.type = 4;
        entry.consumed = 4;
        entry.length = size;
        arrays.push_back(entry);
        return;
    }
    case 5: {
        const std::int32_t length = in.Size();
        const unsigned char subtype = in.Byte();
        if (subtype >= 0x80) {
            throw std::runtime_error("User defined subtypes are unsupported!");
        }
        if (subtype != 0 && subtype != 2) {
            throw std::runtime_error("Unsupported subtype!");
        }
        in.Need(static_cast<std::size_t>(length));
        const char* data = in.Data();
        out += '[';
        for (std::int32_t k = 0; k < length; ++k) {
            if (k > 0) {
                out += ", ";
            }
            AppendInteger(out, static_cast<unsigned>(static_cast<unsigned char>(data[k])));
        }
        out += ']';
        in.pos += static_cast<std::size_t>(length);
        return;
    }
    case 8: out += in.Byte() == 0 ? "false" : "true"; return;
    case 9:
    case 18: AppendInteger(out, in.Int64()); return;
    case 10: out += "null"; return;
    case 16: AppendInteger(out, in.Int32()); return;
    case 17: AppendInteger(out, in.Unsigned(8)); return;
    default: throw std::runtime_error("Unsupported type!");
    }
}

// The whole BSON document in, JSON text out: an object of the top-level
// members, arrays as bracketed lists. Raises std::runtime_error with the
// messages of the format's errors, and "BSON length points beyond the end of
// the data!" when a length would take it past the data.
inline std::string ConvertBSONToJSON(const std::string& bytes) {
    BSONCursor header(bytes, bytes.size());
    const std::int32_t total = header.Size();
    if (static_cast<std::size_t>(total) > bytes.size()) {
        BSONBeyondData();
    }
    // Everything is read within the declared document.
    BSONCursor in(bytes, static_cast<std::size_t>(total));
    in.pos = 4;
    std::deque<korJSONBSONTypeValue> arrays;
    std::string out = "{";
    bool firstMember = true;

    // After an element of an open array: count it, then write the comma or
    // close the array, and the arrays it completes in turn.
    const auto finishArrayElement = [&](std::int64_t elementSize) {
        while (!arrays.empty()) {
            korJSONBSONTypeValue& top = arrays.back();
            const std::int64_t consumed = top.consumed + elementSize;
            if (consumed > top.length) {
                throw std::runtime_error("BSON type value index is greater than total length!");
            }
            top.consumed = static_cast<std::int32_t>(consumed);
            if (consumed + 1 < top.length) {
                out += ", ";
                return;
            }
            // consumed + 1 == length: only the array's terminator is left.
            out += ']';
            in.Need(1);
            ++in.pos;
            const std::int64_t closedLength = top.length;
            arrays.pop_back();
            elementSize = closedLength;
        }
    };

    while (in.pos + 1 < static_cast<std::size_t>(total)) {
        const std::size_t elementStart = in.pos;
        const unsigned char type = in.Byte();
        if (arrays.empty()) {
            if (!firstMember) {
                out += ", ";
            }
            firstMember = false;
            out += BSONMemberPrefix(in.Name());
        } else {
            in.Name(); // array element names are indices; not written
        }
        const std::size_t valueStart = in.pos;
        const std::size_t openArrays = arrays.size();
        RenderBSONValue(type, in, out, arrays);
        if (arrays.size() > openArrays) {
            // A nested array opened: its header counts in the enclosing array
            // now, its whole size when it closes.
            if (openArrays > 0) {
                korJSONBSONTypeValue& parent = arrays[openArrays - 1];
                const std::int64_t consumed =
                    parent.consumed + static_cast<std::int64_t>(valueStart - elementStart);
                if (consumed > parent.length) {
                    throw std::runtime_error("BSON type value index is greater than total length!");
                }
                parent.consumed = static_cast<std::int32_t>(consumed);
            }
            const korJSONBSONTypeValue& opened = arrays.back();
            if (opened.consumed + 1 == opened.length) {
                // An empty array: close it at once.
                finishArrayElement(0);
            } else if (opened.consumed + 1 > opened.length) {
                throw std::runtime_error("BSON type value index is greater than total length!");
            }
        } else if (!arrays.empty()) {
            finishArrayElement(static_cast<std::int64_t>(in.pos - elementStart));
        }
    }
    if (!arrays.empty()) {
        // The document ended inside an array: its length pointed past it.
        BSONBeyondData();
    }
    if (in.pos >= static_cast<std::size_t>(total) || bytes[in.pos] != '\0') {
        throw std::runtime_error("EOO not found!");
    }
    out += '}';
    return out;
}

} // namespace detail
} // namespace korJSON
