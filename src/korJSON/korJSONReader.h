// korJSON text scanner: turns JSON text into the token queue, deciding the kind
// of every token (the numeric type of every number included). Standard library
// only; knows nothing of files or of the node tree.
#pragma once

#include <climits>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "korJSONNumbers.h"
#include "korJSONToken.h"
#include "korJSONUnicode.h"

namespace korJSON {
namespace detail {

// Skipped between tokens everywhere. '/' and '\' are in the set: there are no
// comments, a "//" is just two separators.
inline bool IsSeparator(char c) {
    switch (c) {
    case ' ':
    case '\b':
    case '\t':
    case '\n':
    case '\v':
    case '\f':
    case '\r':
    case '/':
    case '\\': return true;
    default: return false;
    }
}

inline bool EndsNumber(char c) {
    return IsSeparator(c) || c == ',' || c == ']' || c == '}';
}

inline int HexValue(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

inline std::string CodePointToString(unsigned codePoint) {
    std::string s;
    AppendCodePoint(s, codePoint);
    return s;
}

// `pos` is on the literal's first letter, already matched; leaves it on the
// literal's last letter. Nothing after the literal is examined.
inline std::string CheckForLiteral(unsigned& pos, const std::string& text,
                                   const std::string& literal) {
    const std::size_t n = text.size();
    for (std::size_t k = 1; k < literal.size(); ++k) {
        const std::size_t at = static_cast<std::size_t>(pos) + k;
        if (at >= n) {
            throw std::runtime_error("Invalid literal value!");
        }
        if (text[at] != literal[k]) {
            throw std::runtime_error("Literal value invalid: " + literal);
        }
    }
    pos += static_cast<unsigned>(literal.empty() ? 0 : literal.size() - 1);
    return literal;
}

// `pos` is on the opening quote; leaves it on the closing one. Bytes are copied
// as they are; escapes are decoded, \u ones to UTF-8.
inline korJSONTokenValue CheckForString(unsigned& pos, const std::string& text) {
    const std::size_t n = text.size();
    std::string out;
    std::size_t i = static_cast<std::size_t>(pos) + 1;
    for (;;) {
        std::size_t run = i;
        while (run < n && text[run] != '"' && text[run] != '\\') {
            ++run;
        }
        out.append(text, i, run - i);
        i = run;
        if (i >= n) {
            throw std::runtime_error("Invalid string value!");
        }
        if (text[i] == '"') {
            pos = static_cast<unsigned>(i);
            return korJSONTokenValue{StringValue, std::move(out)};
        }
        if (i + 1 >= n) {
            throw std::runtime_error("Read beyond end of file!");
        }
        const char escape = text[i + 1];
        switch (escape) {
        case '"':
        case '/':
        case '\\': out += escape; i += 2; continue;
        case 'b': out += '\b'; i += 2; continue;
        case 'f': out += '\f'; i += 2; continue;
        case 'n': out += '\n'; i += 2; continue;
        case 'r': out += '\r'; i += 2; continue;
        case 't': out += '\t'; i += 2; continue;
        case 'v': out += '\v'; i += 2; continue;
        case 'u': break;
        default: throw std::runtime_error("Invalid escape character!");
        }
        std::size_t j = i + 2;
        std::uint32_t v = 0;
        int digits = 0;
        while (digits < 4 && j < n && HexValue(text[j]) >= 0) {
            v = v * 16 + static_cast<std::uint32_t>(HexValue(text[j]));
            ++j;
            ++digits;
        }
        if (digits < 4) {
            if (j >= n) {
                throw std::runtime_error("Read beyond end of file!");
            }
            // Not an escape after all: keep the letter and the digits, drop
            // the backslash, and go on with the byte that broke it off.
            out += 'u';
            out.append(text, i + 2, static_cast<std::size_t>(digits));
            i = j;
            continue;
        }
        if (j >= n) {
            throw std::runtime_error("Read beyond end of file!");
        }
        if (text[j] == '\\' && j + 1 < n && text[j + 1] == 'u') {
            std::size_t k = j + 2;
            std::uint32_t w = 0;
            for (int d = 0; d < 4; ++d, ++k) {
                if (k >= n) {
                    throw std::runtime_error("Read beyond end of file!");
                }
                const int h = HexValue(text[k]);
                if (h < 0) {
                    throw std::runtime_error("Invalid code point for UTF-16 low surrogate pair!");
                }
                w = w * 16 + static_cast<std::uint32_t>(h);
            }
            if (v < 0xD800 || v > 0xDBFF) {
                // Not a pair: the second escape is read again on its own.
                AppendCodePoint(out, v);
                i = j;
                continue;
            }
            if (w < 0xDC00 || w > 0xDFFF) {
                throw std::runtime_error(
                    "Invalid code point range for UTF-16 low surrogate pair!");
            }
            AppendCodePoint(out, (v - 0xD800) * 0x400 + (w - 0xDC00) + 0x10000);
            i = k;
            continue;
        }
        AppendCodePoint(out, v);
        i = j;
    }
}

// Decides the kind of a number text and gives its payload: the canonical
// decimal of an integer, 15 fixed decimals of a double.
inline korJSONTokenValue NumberToken(std::string number) {
    if (number.find_first_of(".eE") != std::string::npos) {
        std::string payload;
        AppendFixed(payload, Stod(number), 15);
        return korJSONTokenValue{DoubleValue, std::move(payload)};
    }
    bool negative = false;
    std::uint32_t magnitude = 0;
    const char* first = number.data();
    if (ParseShortDecimal(first, first + number.size(), negative, magnitude)) {
        const char lead = negative ? number[1] : number[0];
        const bool canonical = lead != '0' || number.size() == (negative ? 2u : 1u);
        if (negative) {
            if (!canonical || magnitude == 0) {
                number = IntegerToString(-static_cast<std::int64_t>(magnitude));
            }
            return korJSONTokenValue{IntValue, std::move(number)};
        }
        if (!canonical) {
            number = IntegerToString(magnitude);
        }
        return korJSONTokenValue{UIntValue, std::move(number)};
    }
    if (number[0] == '-') {
        try {
            return korJSONTokenValue{IntValue, IntegerToString(std::stoi(number))};
        } catch (const std::out_of_range&) {
            return korJSONTokenValue{LongLongValue, IntegerToString(std::stoll(number))};
        }
    }
    try {
        return korJSONTokenValue{UIntValue, IntegerToString(Stoul32(number))};
    } catch (const std::out_of_range&) {
        return korJSONTokenValue{ULongLongValue, IntegerToString(std::stoull(number))};
    }
}

// The number text is `first` and every byte after `pos` up to a separator, a
// comma, a closing bracket or the end. Leaves `pos` on its last byte.
inline korJSONTokenValue CheckForNumber(unsigned& pos, const std::string& text, char first) {
    const std::size_t n = text.size();
    std::size_t end = static_cast<std::size_t>(pos) + 1;
    while (end < n && !EndsNumber(text[end])) {
        ++end;
    }
    std::string number;
    number.reserve(end - pos);
    number += first;
    if (end > static_cast<std::size_t>(pos) + 1) {
        number.append(text, static_cast<std::size_t>(pos) + 1, end - pos - 1);
    }
    pos = static_cast<unsigned>(end - 1);
    return NumberToken(std::move(number));
}

// Reads the next token in a value position (or a member name in an object,
// context ObjectBegin), skipping separators first. An opening bracket is queued
// and returned. Closing brackets, commas and colons are left for the caller:
// `pos` stays just before them, so the scanner's own nesting sees every
// bracket. Other bytes that start nothing give None and are consumed. At the
// end of the text an object context gives ObjectBegin, any other None.
inline korJSONTokenValue CheckTypeToken(std::deque<korJSONTokenValue>& tokens,
                                        korJSONToken context, unsigned& pos,
                                        const std::string& text) {
    const std::size_t n = text.size();
    std::size_t i = pos;
    while (i < n && IsSeparator(text[i])) {
        ++i;
    }
    if (i >= n) {
        pos = n == 0 ? 0u : static_cast<unsigned>(n - 1);
        return korJSONTokenValue{context == ObjectBegin ? ObjectBegin : None, {}};
    }
    pos = static_cast<unsigned>(i);
    const char c = text[i];
    switch (c) {
    case '[':
        tokens.push_back(korJSONTokenValue{ArrayBegin, {}});
        return korJSONTokenValue{ArrayBegin, {}};
    case '{':
        tokens.push_back(korJSONTokenValue{ObjectBegin, {}});
        return korJSONTokenValue{ObjectBegin, {}};
    case ']':
    case '}':
    case ',':
        if (pos > 0) {
            --pos;
        }
        return korJSONTokenValue{None, {}};
    case '"':
        if (context == ObjectBegin) {
            korJSONTokenValue key = CheckForString(pos, text);
            key.token = Key;
            return key;
        }
        return CheckForString(pos, text);
    default: break;
    }
    if (context == ObjectBegin) {
        if (c == ':' && pos > 0) {
            --pos;
        }
        return korJSONTokenValue{None, {}};
    }
    switch (c) {
    case ':':
        if (context == ArrayBegin) {
            return CheckForNumber(pos, text, c);
        }
        if (pos > 0) {
            --pos;
        }
        return korJSONTokenValue{None, {}};
    case '+':
    case '-':
    case '.':
    case 'e':
    case 'E':
    case '0':
    case '1':
    case '2':
    case '3':
    case '4':
    case '5':
    case '6':
    case '7':
    case '8':
    case '9': return CheckForNumber(pos, text, c);
    case 't': return korJSONTokenValue{BoolValue, CheckForLiteral(pos, text, "true")};
    case 'f': return korJSONTokenValue{BoolValue, CheckForLiteral(pos, text, "false")};
    case 'n': return korJSONTokenValue{NullValue, CheckForLiteral(pos, text, "null")};
    case 'u': return korJSONTokenValue{StringValue, {}};
    default: return korJSONTokenValue{None, {}};
    }
}

// Clears `tokens` and scans `text` into it. The container context of the
// scanner is always the innermost open container (the root's kind once it has
// closed), so member names and values are told apart however the text is laid
// out. Returns true when at least one token was queued.
inline bool Tokenize(std::deque<korJSONTokenValue>& tokens, const std::string& text) {
    tokens.clear();
    // Positions are unsigned; a text they cannot address is not read at all.
    if (text.size() >= static_cast<std::size_t>(UINT_MAX)) {
        return false;
    }
    const unsigned n = static_cast<unsigned>(text.size());
    korJSONToken context = None;
    std::vector<korJSONToken> nesting;
    const auto open = [&](korJSONToken kind) {
        nesting.push_back(kind);
        context = kind;
    };
    const auto close = [&]() {
        if (!nesting.empty()) {
            const korJSONToken closed = nesting.back();
            nesting.pop_back();
            context = nesting.empty() ? closed : nesting.back();
        }
    };
    for (unsigned i = 0; i < n; ++i) {
        korJSONTokenValue result;
        switch (text[i]) {
        case '[':
            tokens.push_back(korJSONTokenValue{ArrayBegin, {}});
            open(ArrayBegin);
            continue;
        case '{':
            tokens.push_back(korJSONTokenValue{ObjectBegin, {}});
            open(ObjectBegin);
            continue;
        case ']':
            tokens.push_back(korJSONTokenValue{ArrayEnd, {}});
            close();
            continue;
        case '}':
            tokens.push_back(korJSONTokenValue{ObjectEnd, {}});
            close();
            continue;
        case ':':
            tokens.push_back(korJSONTokenValue{Colon, {}});
            ++i;
            result = CheckTypeToken(tokens, Colon, i, text);
            break;
        case ',':
            tokens.push_back(korJSONTokenValue{Comma, {}});
            ++i;
            result = CheckTypeToken(tokens, context, i, text);
            break;
        default: result = CheckTypeToken(tokens, context, i, text); break;
        }
        switch (result.token) {
        case None: break;
        case ArrayBegin:
        case ObjectBegin: open(result.token); break;
        default: tokens.push_back(std::move(result)); break;
        }
    }
    return !tokens.empty();
}

} // namespace detail
} // namespace korJSON
