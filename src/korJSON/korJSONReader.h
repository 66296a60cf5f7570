// korJSON text scanner: turns JSON text into the token queue, deciding the kind
// of every token (the numeric type of every number included). Standard library
// only; knows nothing of files or of the node tree.
#pragma once

#include <climits>
#include <cstddef>
#include <cstdint>
#include <cstring>
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

// Index of the first byte at or after `i` that is no separator (or `n`).
// Indentation comes in long runs of spaces, taken eight at a time.
inline std::size_t SkipSeparators(const std::string& text, std::size_t i) {
    static const struct Table {
        bool separator[256] = {};
        Table() {
            for (const char c : {' ', '\b', '\t', '\n', '\v', '\f', '\r', '/', '\\'}) {
                separator[static_cast<unsigned char>(c)] = true;
            }
        }
    } table;
    const std::size_t n = text.size();
    const char* p = text.data();
    for (;;) {
        while (i + 8 <= n) {
            std::uint64_t block = 0;
            std::memcpy(&block, p + i, 8);
            if (block != 0x2020202020202020ULL) {
                break;
            }
            i += 8;
        }
        if (i >= n || !table.separator[static_cast<unsigned char>(p[i])]) {
            return i;
        }
        ++i;
    }
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

// `pos` is on the opening quote; leaves it on the closing one. Appends the
// string to `out`: bytes as they are, escapes decoded (\u ones to UTF-8).
inline void ScanString(std::string& out, unsigned& pos, const std::string& text) {
    const std::size_t n = text.size();
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
            return;
        }
        if (i + 1 >= n) {
            throw std::runtime_error("Read beyond end of file!");
        }
        const char escape = text[i + 1];
        switch (escape) {
        case '"':
        case '/':
        case '\\':
            out += escape;
            i += 2;
            continue;
        case 'b':
            out += '\b';
            i += 2;
            continue;
        case 'f':
            out += '\f';
            i += 2;
            continue;
        case 'n':
            out += '\n';
            i += 2;
            continue;
        case 'r':
            out += '\r';
            i += 2;
            continue;
        case 't':
            out += '\t';
            i += 2;
            continue;
        case 'v':
            out += '\v';
            i += 2;
            continue;
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
                throw std::runtime_error("Invalid code point range for UTF-16 low surrogate pair!");
            }
            AppendCodePoint(out, (v - 0xD800) * 0x400 + (w - 0xDC00) + 0x10000);
            i = k;
            continue;
        }
        AppendCodePoint(out, v);
        i = j;
    }
}

inline korJSONTokenValue CheckForString(unsigned& pos, const std::string& text) {
    korJSONTokenValue token{StringValue, std::string()};
    ScanString(*token.text, pos, text);
    return token;
}

// Decides the kind of a number text and writes it with its payload into
// `token`: the canonical decimal of an integer, 15 fixed decimals of a double.
inline void NumberInto(korJSONTokenValue& token, std::string&& number) {
    if (number.find_first_of(".eE") != std::string::npos) {
        token.token = DoubleValue;
        token.text.emplace();
        AppendFixed(*token.text, Stod(number), 15);
        return;
    }
    bool negative = false;
    std::uint32_t magnitude = 0;
    const char* first = number.data();
    if (ParseShortDecimal(first, first + number.size(), negative, magnitude)) {
        const char lead = negative ? number[1] : number[0];
        const bool canonical = lead != '0' || number.size() == (negative ? 2u : 1u);
        token.token = negative ? IntValue : UIntValue;
        if (!canonical || (negative && magnitude == 0)) {
            token.text = negative ? IntegerToString(-static_cast<std::int64_t>(magnitude))
                                  : IntegerToString(magnitude);
        } else {
            token.text = std::move(number);
        }
        return;
    }
    // Longer plain decimals are classified without the exceptions of the
    // standard conversions, which would cost far more than the number itself.
    const bool minus = number[0] == '-';
    const std::size_t firstDigit = minus ? 1 : 0;
    if (number.size() > firstDigit && number.size() - firstDigit <= 20 &&
        number.find_first_not_of("0123456789", firstDigit) == std::string::npos) {
        std::uint64_t value = 0;
        bool overflow = false;
        for (std::size_t k = firstDigit; k < number.size(); ++k) {
            const auto d = static_cast<std::uint64_t>(number[k] - '0');
            if (value > (UINT64_MAX - d) / 10) {
                overflow = true;
                break;
            }
            value = value * 10 + d;
        }
        if (minus) {
            if (value <= 0x80000000ULL) {
                token.token = IntValue;
                token.text = IntegerToString(-static_cast<std::int64_t>(value));
                return;
            }
            if (!overflow && value <= 0x8000000000000000ULL) {
                token.token = LongLongValue;
                token.text = IntegerToString(static_cast<std::int64_t>(0 - value));
                return;
            }
            throw std::out_of_range("stoll");
        }
        if (overflow) {
            throw std::out_of_range("stoull");
        }
        token.token = value <= 0xFFFFFFFFULL ? UIntValue : ULongLongValue;
        token.text = IntegerToString(value);
        return;
    }
    // Anything else (a sign, trailing letters, no digits) goes through the
    // standard conversions with their exact rules and messages.
    if (minus) {
        try {
            token.text = IntegerToString(std::stoi(number));
            token.token = IntValue;
        } catch (const std::out_of_range&) {
            token.text = IntegerToString(std::stoll(number));
            token.token = LongLongValue;
        }
        return;
    }
    try {
        token.text = IntegerToString(Stoul32(number));
        token.token = UIntValue;
    } catch (const std::out_of_range&) {
        token.text = IntegerToString(std::stoull(number));
        token.token = ULongLongValue;
    }
}

// The number text is `first` and every byte after `pos` up to a separator, a
// comma, a closing bracket or the end. Leaves `pos` on its last byte.
inline void ScanNumber(korJSONTokenValue& token, unsigned& pos, const std::string& text,
                       char first) {
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
    NumberInto(token, std::move(number));
}

inline korJSONTokenValue CheckForNumber(unsigned& pos, const std::string& text, char first) {
    korJSONTokenValue token;
    ScanNumber(token, pos, text, first);
    return token;
}

// Reads the next token in a value position (or a member name in an object,
// context ObjectBegin), skipping separators first, and queues it. Returns the
// kind queued, or None. An opening bracket is queued and returned; closing
// brackets, commas and colons are left for the caller (`pos` stays just before
// them, so the scanner's own nesting sees every bracket); other bytes that
// start nothing give None and are consumed. At the end of the text an object
// context returns ObjectBegin (nothing queued), any other None.
inline korJSONToken QueueTypeToken(std::deque<korJSONTokenValue>& tokens, korJSONToken context,
                                   unsigned& pos, const std::string& text) {
    const std::size_t n = text.size();
    const std::size_t i = SkipSeparators(text, pos);
    if (i >= n) {
        pos = n == 0 ? 0u : static_cast<unsigned>(n - 1);
        return context == ObjectBegin ? ObjectBegin : None;
    }
    pos = static_cast<unsigned>(i);
    const char c = text[i];
    // Values are built in their place in the queue; one that fails half-way
    // is taken out again before the exception leaves.
    const auto build = [&tokens](korJSONToken kind, auto&& fill) {
        tokens.push_back(korJSONTokenValue{kind, {}});
        try {
            fill(tokens.back());
        } catch (...) {
            tokens.pop_back();
            throw;
        }
        return tokens.back().token;
    };
    const auto leave = [&pos]() {
        if (pos > 0) {
            --pos;
        }
        return None;
    };
    switch (c) {
    case '[': tokens.push_back(korJSONTokenValue{ArrayBegin, {}}); return ArrayBegin;
    case '{': tokens.push_back(korJSONTokenValue{ObjectBegin, {}}); return ObjectBegin;
    case ']':
    case '}':
    case ',': return leave();
    case '"':
        return build(context == ObjectBegin ? Key : StringValue, [&](korJSONTokenValue& t) {
            t.text.emplace();
            ScanString(*t.text, pos, text);
        });
    default: break;
    }
    if (context == ObjectBegin) {
        return c == ':' ? leave() : None;
    }
    const auto number = [&](korJSONTokenValue& t) { ScanNumber(t, pos, text, c); };
    const auto literal = [&](const char* word) {
        return [&pos, &text, word](korJSONTokenValue& t) {
            t.text = CheckForLiteral(pos, text, word);
        };
    };
    switch (c) {
    case ':': return context == ArrayBegin ? build(None, number) : leave();
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
    case '9': return build(None, number);
    case 't': return build(BoolValue, literal("true"));
    case 'f': return build(BoolValue, literal("false"));
    case 'n': return build(NullValue, literal("null"));
    case 'u': tokens.push_back(korJSONTokenValue{StringValue, {}}); return StringValue;
    default: return None;
    }
}

// The scanner step for one position, returning the token rather than keeping
// it: only an opening bracket stays queued.
inline korJSONTokenValue CheckTypeToken(std::deque<korJSONTokenValue>& tokens, korJSONToken context,
                                        unsigned& pos, const std::string& text) {
    std::deque<korJSONTokenValue> scratch;
    const korJSONToken kind = QueueTypeToken(scratch, context, pos, text);
    if (scratch.empty()) {
        return korJSONTokenValue{kind, {}};
    }
    korJSONTokenValue token = std::move(scratch.back());
    if (kind == ArrayBegin || kind == ObjectBegin) {
        tokens.push_back(token);
    }
    return token;
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
    const auto close = [&]() {
        if (!nesting.empty()) {
            const korJSONToken closed = nesting.back();
            nesting.pop_back();
            context = nesting.empty() ? closed : nesting.back();
        }
    };
    for (unsigned i = 0; i < n; ++i) {
        korJSONToken kind = None;
        switch (text[i]) {
        case '[':
            tokens.push_back(korJSONTokenValue{ArrayBegin, {}});
            kind = ArrayBegin;
            break;
        case '{':
            tokens.push_back(korJSONTokenValue{ObjectBegin, {}});
            kind = ObjectBegin;
            break;
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
            kind = QueueTypeToken(tokens, Colon, i, text);
            break;
        case ',':
            tokens.push_back(korJSONTokenValue{Comma, {}});
            ++i;
            kind = QueueTypeToken(tokens, context, i, text);
            break;
        default: kind = QueueTypeToken(tokens, context, i, text); break;
        }
        if (kind == ArrayBegin || kind == ObjectBegin) {
            nesting.push_back(kind);
            context = kind;
        }
    }
    return !tokens.empty();
}

} // namespace detail
} // namespace korJSON
