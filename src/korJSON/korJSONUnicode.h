// korJSON character work: UTF-8 encoding of code points, UTF-16/UTF-32 input
// converted to UTF-8, UTF-8 paths for the wide file API, and the ASCII escaping
// of the writer. Standard library only.
#pragma once

#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>

namespace korJSON {
namespace detail {

// Appends the UTF-8 form of a code point. 0 and anything above 10FFFFh append
// nothing; surrogate code points are encoded like any other (three bytes).
inline void AppendCodePoint(std::string& out, std::uint32_t cp) {
    if (cp == 0 || cp > 0x10FFFF) {
        return;
    }
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

// Same, but a code point 0 gives the byte 0: decoded files may hold NUL
// characters, which the text keeps as they are.
inline void AppendDecodedCodePoint(std::string& out, std::uint32_t cp) {
    if (cp == 0) {
        out += '\0';
    } else {
        AppendCodePoint(out, cp);
    }
}

// UTF-16 code units (already assembled in the file's byte order) to UTF-8.
// This stands in for std::wstring_convert over the char16_t code-conversion
// facet, which is deprecated since C++17, and keeps what callers see of it: a
// surrogate without its partner (also a high one at the very end) raises
// std::range_error("wstring_convert::to_bytes").
inline std::string Utf16ToUtf8(const std::u16string& units) {
    std::string out;
    out.reserve(units.size());
    for (std::size_t i = 0; i < units.size(); ++i) {
        const std::uint32_t u = units[i];
        if (u < 0x80) {
            out += static_cast<char>(u);
        } else if (u >= 0xD800 && u <= 0xDBFF) {
            if (i + 1 >= units.size() || units[i + 1] < 0xDC00 || units[i + 1] > 0xDFFF) {
                throw std::range_error("wstring_convert::to_bytes");
            }
            const std::uint32_t low = units[++i];
            AppendCodePoint(out, 0x10000 + ((u - 0xD800) << 10) + (low - 0xDC00));
        } else if (u >= 0xDC00 && u <= 0xDFFF) {
            throw std::range_error("wstring_convert::to_bytes");
        } else {
            AppendCodePoint(out, u);
        }
    }
    return out;
}

// UTF-32 code units to UTF-8, standing in for std::wstring_convert over the
// char32_t facet: values above 10FFFFh raise std::range_error
// ("wstring_convert::to_bytes"); surrogate values are encoded as three bytes,
// as the standard facet does.
inline std::string Utf32ToUtf8(const std::u32string& units) {
    std::string out;
    out.reserve(units.size());
    for (const char32_t c : units) {
        const auto u = static_cast<std::uint32_t>(c);
        if (u > 0x10FFFF) {
            throw std::range_error("wstring_convert::to_bytes");
        }
        AppendDecodedCodePoint(out, u);
    }
    return out;
}

// UTF-8 to UTF-16 for file names handed to a wide-character file API. Broken
// sequences become U+FFFD, so a bad name fails to open instead of throwing.
inline std::u16string Utf8ToUtf16(const std::string& s) {
    std::u16string out;
    out.reserve(s.size());
    std::size_t i = 0;
    while (i < s.size()) {
        const auto b = static_cast<unsigned char>(s[i]);
        std::uint32_t cp = 0xFFFD;
        std::size_t length = 1;
        if (b < 0x80) {
            cp = b;
        } else if ((b & 0xE0) == 0xC0) {
            length = 2;
            cp = b & 0x1F;
        } else if ((b & 0xF0) == 0xE0) {
            length = 3;
            cp = b & 0x0F;
        } else if ((b & 0xF8) == 0xF0) {
            length = 4;
            cp = b & 0x07;
        }
        if (i + length > s.size()) {
            length = 1;
            cp = 0xFFFD;
        }
        for (std::size_t k = 1; k < length; ++k) {
            const auto c = static_cast<unsigned char>(s[i + k]);
            if ((c & 0xC0) != 0x80) {
                length = k;
                cp = 0xFFFD;
                break;
            }
            cp = (cp << 6) | (c & 0x3F);
        }
        if (cp >= 0x10000 && cp <= 0x10FFFF) {
            out += static_cast<char16_t>(0xD800 + ((cp - 0x10000) >> 10));
            out += static_cast<char16_t>(0xDC00 + (cp & 0x3FF));
        } else {
            out += static_cast<char16_t>(cp > 0x10FFFF ? 0xFFFD : cp);
        }
        i += length;
    }
    return out;
}

// Output of the escaper: a string appended to.
struct StringOutput {
    std::string& text;
    void Put(char c) { text += c; }
    void Put(const char* p, std::size_t n) { text.append(p, n); }
};

// \u and the value in lowercase hex, at least four digits.
template <typename Output> void PutHexEscape(Output& out, std::uint32_t value) {
    static const char digits[] = "0123456789abcdef";
    char reversed[8];
    int n = 0;
    do {
        reversed[n++] = digits[value & 0xF];
        value >>= 4;
    } while (value != 0);
    char buffer[12] = {'\\', 'u', '0', '0', '0', '0'};
    const int width = n < 4 ? 4 : n;
    for (int k = 0; k < n; ++k) {
        buffer[2 + width - 1 - k] = reversed[k];
    }
    out.Put(buffer, static_cast<std::size_t>(2 + width));
}

// Writes the escaped body of a string: the named escapes for the usual
// control characters, \u with four lowercase hex digits for the other bytes
// below 20h and for every non-ASCII character (above FFFFh as a surrogate
// pair, above 10FFFFh with all its digits). Bytes that are not well-formed
// UTF-8 raise std::runtime_error("Invalid UTF-8 sequence!"); overlong forms
// pass.
template <typename Output> void PutEscaped(Output& out, const char* s, std::size_t n) {
    std::size_t i = 0;
    while (i < n) {
        // Copy the run of bytes that need no escape in one go.
        std::size_t run = i;
        while (run < n) {
            const auto c = static_cast<unsigned char>(s[run]);
            if (c < 0x20 || c >= 0x80 || c == '"' || c == '\\') {
                break;
            }
            ++run;
        }
        if (run > i) {
            out.Put(s + i, run - i);
        }
        i = run;
        if (i >= n) {
            break;
        }
        const auto c = static_cast<unsigned char>(s[i]);
        const char* named = nullptr;
        switch (c) {
        case 0x08: named = "\\b"; break;
        case 0x09: named = "\\t"; break;
        case 0x0A: named = "\\n"; break;
        case 0x0B: named = "\\v"; break;
        case 0x0C: named = "\\f"; break;
        case 0x0D: named = "\\r"; break;
        case '"': named = "\\\""; break;
        case '\\': named = "\\\\"; break;
        default: break;
        }
        if (named) {
            out.Put(named, 2);
            ++i;
            continue;
        }
        if (c < 0x20) {
            PutHexEscape(out, c);
            ++i;
            continue;
        }
        std::size_t length = 0;
        std::uint32_t cp = 0;
        if ((c & 0xE0) == 0xC0) {
            length = 2;
            cp = c & 0x1F;
        } else if ((c & 0xF0) == 0xE0) {
            length = 3;
            cp = c & 0x0F;
        } else if ((c & 0xF8) == 0xF0) {
            length = 4;
            cp = c & 0x07;
        } else {
            throw std::runtime_error("Invalid UTF-8 sequence!");
        }
        for (std::size_t k = 1; k < length; ++k) {
            if (i + k >= n) {
                throw std::runtime_error("Invalid UTF-8 sequence!");
            }
            const auto f = static_cast<unsigned char>(s[i + k]);
            if (f < 0x80 || f > 0xBF) {
                throw std::runtime_error("Invalid UTF-8 sequence!");
            }
            cp = (cp << 6) | (f & 0x3F);
        }
        if (cp >= 0x10000 && cp <= 0x10FFFF) {
            PutHexEscape(out, 0xD800 + ((cp - 0x10000) >> 10));
            PutHexEscape(out, 0xDC00 + (cp & 0x3FF));
        } else {
            PutHexEscape(out, cp);
        }
        i += length;
    }
}

inline void AppendEscaped(std::string& out, const char* s, std::size_t n) {
    StringOutput output{out};
    PutEscaped(output, s, n);
}

} // namespace detail
} // namespace korJSON
