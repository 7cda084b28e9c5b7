// MD4, written from RFC 1320. The 48 steps are written out; the round constants and shift
// amounts are the RFC's.
#include "DCPmd4.h"

namespace md4 {

namespace {
// The RFC's functions in forms with a shorter path from x, the word the previous step has just
// computed (y and z are older, so whatever uses only them is ready early):
//   F = (x & y) | (~x & z)     G = (x & y) | (x & z) | (y & z)
// In G, x & (y ^ z) and y & z have no bit in common, so the OR is an addition that folds into
// the step's sum: only one AND stands between x and that sum.
inline uint32_t F(uint32_t x, uint32_t y, uint32_t z) {
    return z ^ (x & (y ^ z));
}
inline uint32_t G(uint32_t x, uint32_t y, uint32_t z) {
    return (x & (y ^ z)) + (y & z);
}
inline uint32_t H(uint32_t x, uint32_t y, uint32_t z) {
    return x ^ (y ^ z);
}
}  // namespace

#define STEP(f, a, b, c, d, x, t, s) a = dcp::rotl32(a + f(b, c, d) + x + t, s)

void CompressPortable(uint32_t State[4], const uint8_t* p, size_t Count) {
    for (; Count > 0; --Count, p += 64) {
        uint32_t x[16];
        for (int i = 0; i < 16; ++i)
            x[i] = dcp::load_le32(p + 4 * i);
        uint32_t a = State[0], b = State[1], c = State[2], d = State[3];

        STEP(F, a, b, c, d, x[0], 0x00000000, 3);
        STEP(F, d, a, b, c, x[1], 0x00000000, 7);
        STEP(F, c, d, a, b, x[2], 0x00000000, 11);
        STEP(F, b, c, d, a, x[3], 0x00000000, 19);
        STEP(F, a, b, c, d, x[4], 0x00000000, 3);
        STEP(F, d, a, b, c, x[5], 0x00000000, 7);
        STEP(F, c, d, a, b, x[6], 0x00000000, 11);
        STEP(F, b, c, d, a, x[7], 0x00000000, 19);
        STEP(F, a, b, c, d, x[8], 0x00000000, 3);
        STEP(F, d, a, b, c, x[9], 0x00000000, 7);
        STEP(F, c, d, a, b, x[10], 0x00000000, 11);
        STEP(F, b, c, d, a, x[11], 0x00000000, 19);
        STEP(F, a, b, c, d, x[12], 0x00000000, 3);
        STEP(F, d, a, b, c, x[13], 0x00000000, 7);
        STEP(F, c, d, a, b, x[14], 0x00000000, 11);
        STEP(F, b, c, d, a, x[15], 0x00000000, 19);

        STEP(G, a, b, c, d, x[0], 0x5a827999, 3);
        STEP(G, d, a, b, c, x[4], 0x5a827999, 5);
        STEP(G, c, d, a, b, x[8], 0x5a827999, 9);
        STEP(G, b, c, d, a, x[12], 0x5a827999, 13);
        STEP(G, a, b, c, d, x[1], 0x5a827999, 3);
        STEP(G, d, a, b, c, x[5], 0x5a827999, 5);
        STEP(G, c, d, a, b, x[9], 0x5a827999, 9);
        STEP(G, b, c, d, a, x[13], 0x5a827999, 13);
        STEP(G, a, b, c, d, x[2], 0x5a827999, 3);
        STEP(G, d, a, b, c, x[6], 0x5a827999, 5);
        STEP(G, c, d, a, b, x[10], 0x5a827999, 9);
        STEP(G, b, c, d, a, x[14], 0x5a827999, 13);
        STEP(G, a, b, c, d, x[3], 0x5a827999, 3);
        STEP(G, d, a, b, c, x[7], 0x5a827999, 5);
        STEP(G, c, d, a, b, x[11], 0x5a827999, 9);
        STEP(G, b, c, d, a, x[15], 0x5a827999, 13);

        STEP(H, a, b, c, d, x[0], 0x6ed9eba1, 3);
        STEP(H, d, a, b, c, x[8], 0x6ed9eba1, 9);
        STEP(H, c, d, a, b, x[4], 0x6ed9eba1, 11);
        STEP(H, b, c, d, a, x[12], 0x6ed9eba1, 15);
        STEP(H, a, b, c, d, x[2], 0x6ed9eba1, 3);
        STEP(H, d, a, b, c, x[10], 0x6ed9eba1, 9);
        STEP(H, c, d, a, b, x[6], 0x6ed9eba1, 11);
        STEP(H, b, c, d, a, x[14], 0x6ed9eba1, 15);
        STEP(H, a, b, c, d, x[1], 0x6ed9eba1, 3);
        STEP(H, d, a, b, c, x[9], 0x6ed9eba1, 9);
        STEP(H, c, d, a, b, x[5], 0x6ed9eba1, 11);
        STEP(H, b, c, d, a, x[13], 0x6ed9eba1, 15);
        STEP(H, a, b, c, d, x[3], 0x6ed9eba1, 3);
        STEP(H, d, a, b, c, x[11], 0x6ed9eba1, 9);
        STEP(H, c, d, a, b, x[7], 0x6ed9eba1, 11);
        STEP(H, b, c, d, a, x[15], 0x6ed9eba1, 15);
        State[0] += a;
        State[1] += b;
        State[2] += c;
        State[3] += d;
    }
}

#undef STEP

}  // namespace md4
