// SHA-256, written from FIPS 180-2. The message schedule is expanded by a loop; the 64 rounds
// are written out, eight at a time, with the working variables renamed instead of moved.
#include "DCPsha256.h"

namespace sha256 {

alignas(16) const uint32_t K[64] = {
    0x428a2f98, 0x71374491, 0xb5c0fbcf, 0xe9b5dba5, 0x3956c25b, 0x59f111f1, 0x923f82a4, 0xab1c5ed5,
    0xd807aa98, 0x12835b01, 0x243185be, 0x550c7dc3, 0x72be5d74, 0x80deb1fe, 0x9bdc06a7, 0xc19bf174,
    0xe49b69c1, 0xefbe4786, 0x0fc19dc6, 0x240ca1cc, 0x2de92c6f, 0x4a7484aa, 0x5cb0a9dc, 0x76f988da,
    0x983e5152, 0xa831c66d, 0xb00327c8, 0xbf597fc7, 0xc6e00bf3, 0xd5a79147, 0x06ca6351, 0x14292967,
    0x27b70a85, 0x2e1b2138, 0x4d2c6dfc, 0x53380d13, 0x650a7354, 0x766a0abb, 0x81c2c92e, 0x92722c85,
    0xa2bfe8a1, 0xa81a664b, 0xc24b8b70, 0xc76c51a3, 0xd192e819, 0xd6990624, 0xf40e3585, 0x106aa070,
    0x19a4c116, 0x1e376c08, 0x2748774c, 0x34b0bcb5, 0x391c0cb3, 0x4ed8aa4a, 0x5b9cca4f, 0x682e6ff3,
    0x748f82ee, 0x78a5636f, 0x84c87814, 0x8cc70208, 0x90befffa, 0xa4506ceb, 0xbef9a3f7, 0xc67178f2,
};

namespace {
inline uint32_t Ch(uint32_t x, uint32_t y, uint32_t z) {
    return z ^ (x & (y ^ z));
}
inline uint32_t Maj(uint32_t x, uint32_t y, uint32_t z) {
    return (x & y) | (z & (x | y));
}
inline uint32_t Sigma0(uint32_t x) {
    return dcp::rotr32(x, 2) ^ dcp::rotr32(x, 13) ^ dcp::rotr32(x, 22);
}
inline uint32_t Sigma1(uint32_t x) {
    return dcp::rotr32(x, 6) ^ dcp::rotr32(x, 11) ^ dcp::rotr32(x, 25);
}
inline uint32_t sigma0(uint32_t x) {
    return dcp::rotr32(x, 7) ^ dcp::rotr32(x, 18) ^ (x >> 3);
}
inline uint32_t sigma1(uint32_t x) {
    return dcp::rotr32(x, 17) ^ dcp::rotr32(x, 19) ^ (x >> 10);
}

// Keeps a schedule word in a register, so the compiler cannot vectorise the expansion loop:
// its vector loads of words just stored one by one stall on store forwarding (GCC 12 made
// the SHA-1 compression three times slower that way).
inline uint32_t Scalar(uint32_t x) {
    asm("" : "+r"(x));
    return x;
}
}  // namespace

// One round: d takes e's successor, h the new a; the caller renames the eight variables.
#define ROUND(a, b, c, d, e, f, g, h, i)                               \
    {                                                                  \
        const uint32_t t1 = h + Sigma1(e) + Ch(e, f, g) + K[i] + W[i]; \
        d += t1;                                                       \
        h = t1 + Sigma0(a) + Maj(a, b, c);                             \
    }
// Eight rounds starting at round i, after which the names are back in place.
#define ROUND8(i)                         \
    ROUND(a, b, c, d, e, f, g, h, i);     \
    ROUND(h, a, b, c, d, e, f, g, i + 1); \
    ROUND(g, h, a, b, c, d, e, f, i + 2); \
    ROUND(f, g, h, a, b, c, d, e, i + 3); \
    ROUND(e, f, g, h, a, b, c, d, i + 4); \
    ROUND(d, e, f, g, h, a, b, c, i + 5); \
    ROUND(c, d, e, f, g, h, a, b, i + 6); \
    ROUND(b, c, d, e, f, g, h, a, i + 7)

void CompressPortable(uint32_t State[8], const uint8_t* p, size_t Count) {
    uint32_t W[64];
    for (; Count > 0; --Count, p += 64) {
        for (int i = 0; i < 16; ++i)
            W[i] = dcp::load_be32(p + 4 * i);
        for (int i = 16; i < 64; ++i)
            W[i] = Scalar(sigma1(W[i - 2]) + W[i - 7] + sigma0(W[i - 15]) + W[i - 16]);
        uint32_t a = State[0], b = State[1], c = State[2], d = State[3];
        uint32_t e = State[4], f = State[5], g = State[6], h = State[7];

        ROUND8(0);
        ROUND8(8);
        ROUND8(16);
        ROUND8(24);
        ROUND8(32);
        ROUND8(40);
        ROUND8(48);
        ROUND8(56);

        State[0] += a;
        State[1] += b;
        State[2] += c;
        State[3] += d;
        State[4] += e;
        State[5] += f;
        State[6] += g;
        State[7] += h;
    }
    dcp::SecureZero(W, sizeof W);
}

#undef ROUND8
#undef ROUND

}  // namespace sha256
