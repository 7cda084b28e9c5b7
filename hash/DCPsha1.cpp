// SHA-1, written from FIPS 180-1. The message schedule is expanded by a loop; the 80 rounds
// are written out, five at a time, with the working variables renamed instead of moved.
#include "DCPsha1.h"

namespace sha1 {

namespace {
inline uint32_t Ch(uint32_t x, uint32_t y, uint32_t z) {
    return z ^ (x & (y ^ z));
}
inline uint32_t Parity(uint32_t x, uint32_t y, uint32_t z) {
    return x ^ y ^ z;
}
inline uint32_t Maj(uint32_t x, uint32_t y, uint32_t z) {
    return (x & y) | (z & (x | y));
}

constexpr uint32_t K0 = 0x5A827999;
constexpr uint32_t K1 = 0x6ED9EBA1;
constexpr uint32_t K2 = 0x8F1BBCDC;
constexpr uint32_t K3 = 0xCA62C1D6;

// Keeps a schedule word in a register, so the compiler cannot vectorise the expansion loop:
// its vector loads of words just stored one by one stall on store forwarding (GCC 12 made
// the SHA-1 compression three times slower that way).
inline uint32_t Scalar(uint32_t x) {
    asm("" : "+r"(x));
    return x;
}
}  // namespace

// One round: e takes the new a, b is rotated; the caller renames the five variables.
#define ROUND(f, k, a, b, c, d, e, i)               \
    e += dcp::rotl32(a, 5) + f(b, c, d) + k + W[i]; \
    b = dcp::rotl32(b, 30)
// Five rounds starting at round i, after which the names are back in place.
#define ROUND5(f, k, i)                \
    ROUND(f, k, a, b, c, d, e, i);     \
    ROUND(f, k, e, a, b, c, d, i + 1); \
    ROUND(f, k, d, e, a, b, c, i + 2); \
    ROUND(f, k, c, d, e, a, b, i + 3); \
    ROUND(f, k, b, c, d, e, a, i + 4)

void CompressPortable(uint32_t State[5], const uint8_t* p, size_t Count) {
    uint32_t W[80];
    for (; Count > 0; --Count, p += 64) {
        for (int i = 0; i < 16; ++i)
            W[i] = dcp::load_be32(p + 4 * i);
        for (int i = 16; i < 80; ++i)
            W[i] = Scalar(dcp::rotl32(W[i - 3] ^ W[i - 8] ^ W[i - 14] ^ W[i - 16], 1));
        uint32_t a = State[0], b = State[1], c = State[2], d = State[3], e = State[4];

        ROUND5(Ch, K0, 0);
        ROUND5(Ch, K0, 5);
        ROUND5(Ch, K0, 10);
        ROUND5(Ch, K0, 15);

        ROUND5(Parity, K1, 20);
        ROUND5(Parity, K1, 25);
        ROUND5(Parity, K1, 30);
        ROUND5(Parity, K1, 35);

        ROUND5(Maj, K2, 40);
        ROUND5(Maj, K2, 45);
        ROUND5(Maj, K2, 50);
        ROUND5(Maj, K2, 55);

        ROUND5(Parity, K3, 60);
        ROUND5(Parity, K3, 65);
        ROUND5(Parity, K3, 70);
        ROUND5(Parity, K3, 75);

        State[0] += a;
        State[1] += b;
        State[2] += c;
        State[3] += d;
        State[4] += e;
    }
    dcp::SecureZero(W, sizeof W);
}

#undef ROUND5
#undef ROUND

}  // namespace sha1
