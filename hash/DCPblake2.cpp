// BLAKE2b and BLAKE2s compression, written from RFC 7693: the portable kernels. The working
// vector lives in sixteen locals and every round is written out, so each message word is read
// at an index the compiler knows.
#include "DCPblake2.h"

namespace blake2 {

namespace {

inline uint64_t Rotr(uint64_t x, int n) {
    return dcp::rotr64(x, n);
}
inline uint32_t Rotr(uint32_t x, int n) {
    return dcp::rotr32(x, n);
}

// The mixing function G with the variant's rotations R1..R4 (BLAKE2b 32, 24, 16, 63; BLAKE2s
// 16, 12, 8, 7).
#define B2_G(a, b, c, d, x, y) \
    a = a + b + (x);           \
    d = Rotr(d ^ a, R1);       \
    c = c + d;                 \
    b = Rotr(b ^ c, R2);       \
    a = a + b + (y);           \
    d = Rotr(d ^ a, R3);       \
    c = c + d;                 \
    b = Rotr(b ^ c, R4)

// Round r: the four columns, then the four diagonals, reading the words kSigma[r % 10] names.
#define B2_ROUND(r)                                                           \
    B2_G(v0, v4, v8, v12, m[kSigma[(r) % 10][0]], m[kSigma[(r) % 10][1]]);    \
    B2_G(v1, v5, v9, v13, m[kSigma[(r) % 10][2]], m[kSigma[(r) % 10][3]]);    \
    B2_G(v2, v6, v10, v14, m[kSigma[(r) % 10][4]], m[kSigma[(r) % 10][5]]);   \
    B2_G(v3, v7, v11, v15, m[kSigma[(r) % 10][6]], m[kSigma[(r) % 10][7]]);   \
    B2_G(v0, v5, v10, v15, m[kSigma[(r) % 10][8]], m[kSigma[(r) % 10][9]]);   \
    B2_G(v1, v6, v11, v12, m[kSigma[(r) % 10][10]], m[kSigma[(r) % 10][11]]); \
    B2_G(v2, v7, v8, v13, m[kSigma[(r) % 10][12]], m[kSigma[(r) % 10][13]]);  \
    B2_G(v3, v4, v9, v14, m[kSigma[(r) % 10][14]], m[kSigma[(r) % 10][15]])

// The compression frame shared by both variants: the counter, the working vector from the
// state and the initial values, the rounds (ROUNDS, a macro that writes them out), and the
// state xored with both halves of the vector.
#define B2_COMPRESS(Word, Load, IV, ROUNDS)                              \
    for (; Count > 0; --Count, p += 16 * sizeof(Word)) {                 \
        Counter[0] += Increment;                                         \
        Counter[1] += Counter[0] < Increment ? 1 : 0;                    \
        Word m[16];                                                      \
        for (int i = 0; i < 16; ++i)                                     \
            m[i] = Load(p + i * sizeof(Word));                           \
        Word v0 = State[0], v1 = State[1], v2 = State[2], v3 = State[3]; \
        Word v4 = State[4], v5 = State[5], v6 = State[6], v7 = State[7]; \
        Word v8 = IV[0], v9 = IV[1], v10 = IV[2], v11 = IV[3];           \
        Word v12 = IV[4] ^ Counter[0], v13 = IV[5] ^ Counter[1];         \
        Word v14 = Last ? ~IV[6] : IV[6], v15 = IV[7];                   \
        ROUNDS;                                                          \
        State[0] ^= v0 ^ v8;                                             \
        State[1] ^= v1 ^ v9;                                             \
        State[2] ^= v2 ^ v10;                                            \
        State[3] ^= v3 ^ v11;                                            \
        State[4] ^= v4 ^ v12;                                            \
        State[5] ^= v5 ^ v13;                                            \
        State[6] ^= v6 ^ v14;                                            \
        State[7] ^= v7 ^ v15;                                            \
    }

#define B2B_ROUNDS \
    B2_ROUND(0);   \
    B2_ROUND(1);   \
    B2_ROUND(2);   \
    B2_ROUND(3);   \
    B2_ROUND(4);   \
    B2_ROUND(5);   \
    B2_ROUND(6);   \
    B2_ROUND(7);   \
    B2_ROUND(8);   \
    B2_ROUND(9);   \
    B2_ROUND(10);  \
    B2_ROUND(11)

#define B2S_ROUNDS \
    B2_ROUND(0);   \
    B2_ROUND(1);   \
    B2_ROUND(2);   \
    B2_ROUND(3);   \
    B2_ROUND(4);   \
    B2_ROUND(5);   \
    B2_ROUND(6);   \
    B2_ROUND(7);   \
    B2_ROUND(8);   \
    B2_ROUND(9)

}  // namespace

void Compress2bPortable(uint64_t State[8], uint64_t Counter[2], const uint8_t* p, size_t Count,
                        uint32_t Increment, bool Last) {
    constexpr int R1 = 32, R2 = 24, R3 = 16, R4 = 63;
    B2_COMPRESS(uint64_t, dcp::load_le64, kIV2b, B2B_ROUNDS)
}

void Compress2sPortable(uint32_t State[8], uint32_t Counter[2], const uint8_t* p, size_t Count,
                        uint32_t Increment, bool Last) {
    constexpr int R1 = 16, R2 = 12, R3 = 8, R4 = 7;
    B2_COMPRESS(uint32_t, dcp::load_le32, kIV2s, B2S_ROUNDS)
}

#undef B2S_ROUNDS
#undef B2B_ROUNDS
#undef B2_COMPRESS
#undef B2_ROUND
#undef B2_G

}  // namespace blake2
