// korJSON number text: the standard conversions with 32-bit `long` semantics on
// every platform, fast paths for the short canonical decimals documents are made
// of, and locale-free formatting. Standard library only.
#pragma once

#include <cctype>
#include <cerrno>
#include <charconv>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <stdexcept>
#include <string>
#include <system_error>

namespace korJSON {
namespace detail {

// Reads at most nine decimal digits (so the value fits 32 bits unchecked) from
// [first, last) with an optional leading '-'. Returns false when the text is
// anything else; callers then fall back to the full standard conversion.
inline bool ParseShortDecimal(const char* first, const char* last, bool& negative,
                              std::uint32_t& magnitude) {
    negative = first != last && *first == '-';
    if (negative) {
        ++first;
    }
    const std::ptrdiff_t digits = last - first;
    if (digits < 1 || digits > 9) {
        return false;
    }
    std::uint32_t value = 0;
    for (; first != last; ++first) {
        const unsigned d = static_cast<unsigned char>(*first) - static_cast<unsigned>('0');
        if (d > 9) {
            return false;
        }
        value = value * 10 + d;
    }
    magnitude = value;
    return true;
}

// std::stoul as it behaves where `unsigned long` is 32 bits: white space and a
// sign are accepted, "-N" wraps modulo 2^32, anything above 4294967295 in
// magnitude is out of range. The messages are those of the standard function.
inline std::uint32_t Stoul32(const std::string& s) {
    const char* p = s.c_str();
    while (std::isspace(static_cast<unsigned char>(*p))) {
        ++p;
    }
    const bool negative = *p == '-';
    char* end = nullptr;
    const int savedErrno = errno;
    errno = 0;
    const unsigned long long v = std::strtoull(s.c_str(), &end, 10);
    const bool range = errno == ERANGE;
    errno = savedErrno;
    if (end == s.c_str()) {
        throw std::invalid_argument("stoul");
    }
    const unsigned long long magnitude = negative ? 0ULL - v : v;
    if (range || magnitude > 0xFFFFFFFFULL) {
        throw std::out_of_range("stoul");
    }
    const auto m = static_cast<std::uint32_t>(magnitude);
    return negative ? 0u - m : m;
}

// std::stol where `long` is 32 bits.
inline std::int32_t Stol32(const std::string& s) {
    char* end = nullptr;
    const int savedErrno = errno;
    errno = 0;
    const long long v = std::strtoll(s.c_str(), &end, 10);
    const bool range = errno == ERANGE;
    errno = savedErrno;
    if (end == s.c_str()) {
        throw std::invalid_argument("stol");
    }
    if (range || v < INT32_MIN || v > INT32_MAX) {
        throw std::out_of_range("stol");
    }
    return static_cast<std::int32_t>(v);
}

// True when [first, last) is a number in the strict JSON grammar. For such text
// std::from_chars and std::strtod agree on every finite normal result, so the
// fast conversion can be used and the standard one is kept for the rest.
inline bool IsStrictJSONNumber(const char* p, const char* last) {
    if (p != last && *p == '-') {
        ++p;
    }
    if (p == last || !std::isdigit(static_cast<unsigned char>(*p))) {
        return false;
    }
    while (p != last && std::isdigit(static_cast<unsigned char>(*p))) {
        ++p;
    }
    if (p != last && *p == '.') {
        ++p;
        if (p == last || !std::isdigit(static_cast<unsigned char>(*p))) {
            return false;
        }
        while (p != last && std::isdigit(static_cast<unsigned char>(*p))) {
            ++p;
        }
    }
    if (p != last && (*p == 'e' || *p == 'E')) {
        ++p;
        if (p != last && (*p == '+' || *p == '-')) {
            ++p;
        }
        if (p == last || !std::isdigit(static_cast<unsigned char>(*p))) {
            return false;
        }
        while (p != last && std::isdigit(static_cast<unsigned char>(*p))) {
            ++p;
        }
    }
    return p == last;
}

inline bool IsZeroMantissa(const char* p, const char* last) {
    for (; p != last && *p != 'e' && *p != 'E'; ++p) {
        if (*p >= '1' && *p <= '9') {
            return false;
        }
    }
    return true;
}

// Floating-point std::to_chars and std::from_chars are missing from some
// standard libraries (emscripten's libc++ for the browser build). There the
// printf and strtod family stand in: the same text and the same values, only
// slower.
#if defined(__cpp_lib_to_chars)
#define KORJSON_FLOAT_CHARCONV 1
#else
#define KORJSON_FLOAT_CHARCONV 0
#endif

// Writes `value` in fixed notation with `precision` digits after the point,
// as printf("%.*f") gives it in the C locale; returns the end of the text.
inline char* FormatFixed(char* first, char* last, double value, int precision) {
#if KORJSON_FLOAT_CHARCONV
    return std::to_chars(first, last, value, std::chars_format::fixed, precision).ptr;
#else
    const int n =
        std::snprintf(first, static_cast<std::size_t>(last - first), "%.*f", precision, value);
    return n < 0 || n >= last - first ? first : first + n;
#endif
}

// std::stod, with the same result, exceptions and messages, but without the
// slow path for the plain decimals documents hold.
inline double Stod(const std::string& s) {
#if KORJSON_FLOAT_CHARCONV
    const char* first = s.data();
    const char* last = first + s.size();
    if (IsStrictJSONNumber(first, last)) {
        double v = 0.0;
        const auto r = std::from_chars(first, last, v);
        const double magnitude = v < 0 ? -v : v;
        if (r.ec == std::errc() && r.ptr == last) {
            if (magnitude >= 2.2250738585072014e-308 && magnitude <= 1.7976931348623157e308) {
                return v;
            }
            // A zero is only exact (and free of a range error) when every
            // digit of the mantissa is zero.
            if (v == 0.0 && IsZeroMantissa(first, last)) {
                return v;
            }
        }
    }
#endif
    return std::stod(s);
}

// Appends a value in fixed notation with `precision` digits after the point,
// as printf("%.*f") gives it in the C locale.
inline void AppendFixed(std::string& out, double value, int precision) {
    // The widest finite double in fixed notation: 309 integer digits, sign,
    // point and the fraction.
    char buffer[330 + 20];
    out.append(buffer, FormatFixed(buffer, buffer + sizeof buffer, value, precision));
}

template <typename Integer> inline void AppendInteger(std::string& out, Integer value) {
    char buffer[24];
    const auto r = std::to_chars(buffer, buffer + sizeof buffer, value);
    out.append(buffer, r.ptr);
}

template <typename Integer> inline std::string IntegerToString(Integer value) {
    std::string s;
    AppendInteger(s, value);
    return s;
}

} // namespace detail
} // namespace korJSON
