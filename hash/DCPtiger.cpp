// Tiger, written from "Tiger: A Fast New Hash Function" (Anderson and Biham, FSE 1996). The three
// passes of eight rounds and the two key schedules are written out. The S-boxes are not typed in:
// they are built at compile time by the paper's own generation procedure, which runs the Tiger
// compression with the tables being generated.
#include "DCPtiger.h"

namespace tiger {

namespace {

// One round on (a, b, c) with message word x: c ^= x; a -= t1[c0]^t2[c2]^t3[c4]^t4[c6];
// b += t4[c1]^t3[c3]^t2[c5]^t1[c7]; b *= mul, where ci is byte i of c from the low end. The
// next round's c is this round's a, so the XORs are paired to keep that path short.
#define ROUND(a, b, c, x, mul)                              \
    c ^= x;                                                 \
    a -= (T[0][uint8_t(c)] ^ T[1][uint8_t(c >> 16)]) ^      \
         (T[2][uint8_t(c >> 32)] ^ T[3][uint8_t(c >> 48)]); \
    b += (T[3][uint8_t(c >> 8)] ^ T[2][uint8_t(c >> 24)]) ^ \
         (T[1][uint8_t(c >> 40)] ^ T[0][uint8_t(c >> 56)]); \
    b *= mul

#define PASS(a, b, c, mul)   \
    ROUND(a, b, c, x0, mul); \
    ROUND(b, c, a, x1, mul); \
    ROUND(c, a, b, x2, mul); \
    ROUND(a, b, c, x3, mul); \
    ROUND(b, c, a, x4, mul); \
    ROUND(c, a, b, x5, mul); \
    ROUND(a, b, c, x6, mul); \
    ROUND(b, c, a, x7, mul)

#define KEY_SCHEDULE                  \
    x0 -= x7 ^ 0xA5A5A5A5A5A5A5A5ull; \
    x1 ^= x0;                         \
    x2 += x1;                         \
    x3 -= x2 ^ (~x1 << 19);           \
    x4 ^= x3;                         \
    x5 += x4;                         \
    x6 -= x5 ^ (~x4 >> 23);           \
    x7 ^= x6;                         \
    x0 += x7;                         \
    x1 -= x0 ^ (~x7 << 19);           \
    x2 ^= x1;                         \
    x3 += x2;                         \
    x4 -= x3 ^ (~x2 >> 23);           \
    x5 ^= x4;                         \
    x6 += x5;                         \
    x7 -= x6 ^ 0x0123456789ABCDEFull

// One block, given as eight words, into State. Shared by the generation of the S-boxes (with
// the tables being generated) and by CompressPortable (with the finished tables).
[[gnu::always_inline]] constexpr inline void CompressWords(const uint64_t (&T)[4][256],
                                                           uint64_t State[3], uint64_t x0,
                                                           uint64_t x1, uint64_t x2, uint64_t x3,
                                                           uint64_t x4, uint64_t x5, uint64_t x6,
                                                           uint64_t x7) {
    uint64_t a = State[0], b = State[1], c = State[2];

    PASS(a, b, c, 5);
    KEY_SCHEDULE;
    PASS(c, a, b, 7);
    KEY_SCHEDULE;
    PASS(b, c, a, 9);

    State[0] = a ^ State[0];
    State[1] = b - State[1];
    State[2] = c + State[2];
}

#undef KEY_SCHEDULE
#undef PASS
#undef ROUND

// The generation procedure of the Tiger paper: every byte column of every table starts as the
// identity permutation; then five passes over the 256 rows of the four tables each swap, in
// every column, the row's byte with the byte of the row chosen by the matching byte of one of
// the three chaining words. The chaining words start at Tiger's initial values and move on by
// one compression of the 64-byte paper title, with the tables as they stand, before every
// third swap step (a step being one row of one table).
constexpr SBoxTable Generate() {
    SBoxTable t{};
    for (int s = 0; s < 4; ++s)
        for (uint64_t i = 0; i < 256; ++i)
            t.T[s][i] = i * 0x0101010101010101ull;

    constexpr char kTitle[] = "Tiger - A Fast New Hash Function, by Ross Anderson and Eli Biham";
    static_assert(sizeof kTitle == 65);
    uint64_t x[8] = {};
    for (int i = 0; i < 64; ++i)
        x[i / 8] |= uint64_t(uint8_t(kTitle[i])) << (8 * (i % 8));

    uint64_t state[3] = {TDCP_tiger::kInitialChain[0], TDCP_tiger::kInitialChain[1],
                         TDCP_tiger::kInitialChain[2]};
    int abc = 2;
    for (int pass = 0; pass < 5; ++pass) {
        for (int i = 0; i < 256; ++i) {
            for (int s = 0; s < 4; ++s) {
                if (++abc == 3) {
                    abc = 0;
                    CompressWords(t.T, state, x[0], x[1], x[2], x[3], x[4], x[5], x[6], x[7]);
                }
                for (int col = 0; col < 8; ++col) {
                    const int shift = 8 * col;
                    const uint64_t mask = 0xFFull << shift;
                    const int j = int((state[abc] >> shift) & 0xFF);
                    const uint64_t bi = t.T[s][i] & mask, bj = t.T[s][j] & mask;
                    t.T[s][i] = (t.T[s][i] & ~mask) | bj;
                    t.T[s][j] = (t.T[s][j] & ~mask) | bi;
                }
            }
        }
    }
    return t;
}

}  // namespace

// Declared extern in the header, so this definition has external linkage.
constexpr SBoxTable SBoxes = Generate();

// The first entry of the published t1: the generation ran exactly as the paper's.
static_assert(SBoxes.T[0][0] == 0x02AAB17CF7E90C5Eull, "Tiger S-box generation");

void CompressPortable(uint64_t State[3], const uint8_t* p, size_t Count) {
    for (; Count > 0; --Count, p += 64) {
        CompressWords(SBoxes.T, State, dcp::load_le64(p), dcp::load_le64(p + 8),
                      dcp::load_le64(p + 16), dcp::load_le64(p + 24), dcp::load_le64(p + 32),
                      dcp::load_le64(p + 40), dcp::load_le64(p + 48), dcp::load_le64(p + 56));
    }
}

}  // namespace tiger
