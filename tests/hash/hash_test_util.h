// Helpers shared by the engine tests.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "DCPcrypt2.h"
#include "hashhead.h"

namespace testutil {

inline std::string Hex(const uint8_t* p, size_t n) {
    static const char* digits = "0123456789abcdef";
    std::string s;
    for (size_t i = 0; i < n; ++i) {
        s += digits[p[i] >> 4];
        s += digits[p[i] & 15];
    }
    return s;
}

// The lower-case hex digest of Data hashed in one Update call.
inline std::string Digest(TDCP_hash& h, std::string_view data) {
    uint8_t out[64];
    h.Init();
    h.Update(data.data(), uint32_t(data.size()));
    h.Final(out);
    return Hex(out, size_t(h.HashSize()) / 8);
}

// A buffer of n bytes filled with a repeating pattern of prime length, so that two blocks
// swapped with each other cannot give the same digest.
inline std::string Pattern(size_t n) {
    std::string s(n, '\0');
    for (size_t i = 0; i < n; ++i) s[i] = char(i % 251);
    return s;
}

inline std::string Lower(std::string s) {
    for (char& c : s)
        if (c >= 'A' && c <= 'Z') c = char(c - 'A' + 'a');
    return s;
}

}  // namespace testutil
