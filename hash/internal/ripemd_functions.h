// The boolean functions of RIPEMD-128 and RIPEMD-160 (Dobbertin, Bosselaers and Preneel), in
// forms with fewer operations or a shorter path from x, the word the previous step of the same
// line has just computed:
//   F2 = (x & y) | (~x & z)     F3 = (x | ~y) ^ z     F4 = (x & z) | (y & ~z)
//   F5 = x ^ (y | ~z)           (RIPEMD-160 only)
// In F4 the two terms have no bit in common, so the OR is an addition that folds into the
// step's sum: y & ~z is ready early, x & z is one operation away from x.
#pragma once

#include <cstdint>

namespace ripemd {

inline uint32_t F1(uint32_t x, uint32_t y, uint32_t z) {
    return x ^ (y ^ z);
}
inline uint32_t F2(uint32_t x, uint32_t y, uint32_t z) {
    return z ^ (x & (y ^ z));
}
inline uint32_t F3(uint32_t x, uint32_t y, uint32_t z) {
    return (x | ~y) ^ z;
}
inline uint32_t F4(uint32_t x, uint32_t y, uint32_t z) {
    return (x & z) + (y & ~z);
}
inline uint32_t F5(uint32_t x, uint32_t y, uint32_t z) {
    return x ^ (y | ~z);
}

}  // namespace ripemd
