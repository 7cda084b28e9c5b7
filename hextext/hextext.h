// Hexadecimal digits and ASCII case, for digests and the texts around them. Only ASCII letters
// change case: a name's other bytes are never touched.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace hextext {

inline constexpr char kUpperDigits[] = "0123456789ABCDEF";
inline constexpr char kLowerDigits[] = "0123456789abcdef";

constexpr char Lower(char c) {
    return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c;
}
constexpr char Upper(char c) {
    return c >= 'a' && c <= 'z' ? char(c - 'a' + 'A') : c;
}
inline std::string Lower(std::string_view s) {
    std::string out(s);
    for (char& c : out)
        c = Lower(c);
    return out;
}
inline std::string Upper(std::string_view s) {
    std::string out(s);
    for (char& c : out)
        c = Upper(c);
    return out;
}

// The value of one hexadecimal digit of either case, or -1.
constexpr int DigitValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}
constexpr bool IsDigit(char c) {
    return DigitValue(c) >= 0;
}
// Whether S is one or more hexadecimal digits.
constexpr bool IsHex(std::string_view s) {
    for (char c : s)
        if (!IsDigit(c)) return false;
    return !s.empty();
}

// Two digits per byte, most significant first.
inline std::string FromBytes(const uint8_t* p, size_t n, bool upper = true) {
    const char* digits = upper ? kUpperDigits : kLowerDigits;
    std::string s(2 * n, '0');
    for (size_t i = 0; i < n; ++i) {
        s[2 * i] = digits[p[i] >> 4];
        s[2 * i + 1] = digits[p[i] & 15];
    }
    return s;
}
// Digits digits of Value, most significant first, upper case.
inline std::string FromNumber(uint64_t value, int digits) {
    std::string s(size_t(digits), '0');
    for (int i = digits - 1; i >= 0; --i, value >>= 4)
        s[size_t(i)] = kUpperDigits[value & 15];
    return s;
}

}  // namespace hextext
