// Keccak-f[1600] (FIPS 202) written out for the SHA-3 kernels: the state lives in 25 named
// lanes, aXY for lane (x, y), and the rounds go in pairs from the a-lanes to the e-lanes and
// back, so no lane is ever copied. The rotation offsets and round constants are computed at
// compile time from the standard's own definitions (its rho and rc algorithms), so the
// written-out rounds carry no hand-copied table. A kernel includes this header and supplies
// KECCAK_ANDN(x, y), the value (~x & y), in the form its instruction set does best.
#pragma once

#include <cstdint>

namespace keccak {

// rho: lane (x, y) turns by (t + 1)(t + 2)/2 for the t-th step of the walk (x, y) <- (y, 2x + 3y)
// that starts at (1, 0); lane (0, 0) does not turn.
constexpr int RhoOffset(int x, int y) {
    int px = 1, py = 0;
    for (int t = 0; t < 24; ++t) {
        if (px == x && py == y) return ((t + 1) * (t + 2) / 2) % 64;
        const int nx = py, ny = (2 * px + 3 * py) % 5;
        px = nx;
        py = ny;
    }
    return 0;
}

// rc(t): the output bit of the degree-8 LFSR x^8 + x^6 + x^5 + x^4 + 1 after t steps.
constexpr bool LfsrBit(int t) {
    if (t % 255 == 0) return true;
    unsigned r = 1;
    for (int i = 1; i <= t % 255; ++i) {
        r <<= 1;
        if (r & 0x100) r ^= 0x171;  // folds bit 8 into bits 0, 4, 5 and 6, and clears it
    }
    return r & 1;
}

// iota's constant for round i: bit 2^j - 1 is rc(j + 7i), for j = 0..6.
constexpr uint64_t RoundConstant(int i) {
    uint64_t rc = 0;
    for (int j = 0; j < 7; ++j)
        if (LfsrBit(j + 7 * i)) rc |= uint64_t(1) << ((1 << j) - 1);
    return rc;
}

constexpr int kRounds = 24;

struct Tables {
    int rho[25];  // indexed x + 5y
    uint64_t rc[kRounds];
};

constexpr Tables MakeTables() {
    Tables t{};
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 5; ++x)
            t.rho[x + 5 * y] = RhoOffset(x, y);
    for (int i = 0; i < kRounds; ++i)
        t.rc[i] = RoundConstant(i);
    return t;
}

inline constexpr Tables kTables = MakeTables();

// Spot checks against the values printed in the standard.
static_assert(kTables.rho[1] == 1 && kTables.rho[10] == 3 && kTables.rho[24] == 14);
static_assert(kTables.rc[0] == 0x0000000000000001 && kTables.rc[1] == 0x0000000000008082);
static_assert(kTables.rc[23] == 0x8000000080008008);

}  // namespace keccak

#define KECCAK_ROTL(v, n) (((v) << (n)) | ((v) >> ((64 - (n)) & 63)))

// theta's column parities and the five values each column is xored with.
#define KECCAK_THETA(S)                         \
    c0 = S##00 ^ S##01 ^ S##02 ^ S##03 ^ S##04; \
    c1 = S##10 ^ S##11 ^ S##12 ^ S##13 ^ S##14; \
    c2 = S##20 ^ S##21 ^ S##22 ^ S##23 ^ S##24; \
    c3 = S##30 ^ S##31 ^ S##32 ^ S##33 ^ S##34; \
    c4 = S##40 ^ S##41 ^ S##42 ^ S##43 ^ S##44; \
    d0 = c4 ^ KECCAK_ROTL(c1, 1);               \
    d1 = c0 ^ KECCAK_ROTL(c2, 1);               \
    d2 = c1 ^ KECCAK_ROTL(c3, 1);               \
    d3 = c2 ^ KECCAK_ROTL(c4, 1);               \
    d4 = c3 ^ KECCAK_ROTL(c0, 1)

// One row y of the output: theta, rho and pi bring lane (X_x, x) to position (x, y), where
// X_x = (x + 3y) mod 5, and chi mixes the row.
#define KECCAK_ROW(S, T, y, X0, X1, X2, X3, X4)                       \
    b0 = KECCAK_ROTL(S##X0##0 ^ d##X0, keccak::kTables.rho[X0]);      \
    b1 = KECCAK_ROTL(S##X1##1 ^ d##X1, keccak::kTables.rho[X1 + 5]);  \
    b2 = KECCAK_ROTL(S##X2##2 ^ d##X2, keccak::kTables.rho[X2 + 10]); \
    b3 = KECCAK_ROTL(S##X3##3 ^ d##X3, keccak::kTables.rho[X3 + 15]); \
    b4 = KECCAK_ROTL(S##X4##4 ^ d##X4, keccak::kTables.rho[X4 + 20]); \
    T##0##y = b0 ^ KECCAK_ANDN(b1, b2);                               \
    T##1##y = b1 ^ KECCAK_ANDN(b2, b3);                               \
    T##2##y = b2 ^ KECCAK_ANDN(b3, b4);                               \
    T##3##y = b3 ^ KECCAK_ANDN(b4, b0);                               \
    T##4##y = b4 ^ KECCAK_ANDN(b0, b1)

// Round i from the S-lanes into the T-lanes; iota ends it.
#define KECCAK_ROUND(S, T, i)           \
    KECCAK_THETA(S);                    \
    KECCAK_ROW(S, T, 0, 0, 1, 2, 3, 4); \
    KECCAK_ROW(S, T, 1, 3, 4, 0, 1, 2); \
    KECCAK_ROW(S, T, 2, 1, 2, 3, 4, 0); \
    KECCAK_ROW(S, T, 3, 4, 0, 1, 2, 3); \
    KECCAK_ROW(S, T, 4, 2, 3, 4, 0, 1); \
    T##00 ^= keccak::kTables.rc[i]

#define KECCAK_ROUND_PAIR(i) \
    KECCAK_ROUND(a, e, i);   \
    KECCAK_ROUND(e, a, i + 1)

// The 25 lanes under both names and the round's temporaries.
#define KECCAK_DECLARE_LANES                                                                      \
    uint64_t a00, a10, a20, a30, a40, a01, a11, a21, a31, a41, a02, a12, a22, a32, a42, a03, a13, \
        a23, a33, a43, a04, a14, a24, a34, a44;                                                   \
    uint64_t e00, e10, e20, e30, e40, e01, e11, e21, e31, e41, e02, e12, e22, e32, e42, e03, e13, \
        e23, e33, e43, e04, e14, e24, e34, e44;                                                   \
    uint64_t c0, c1, c2, c3, c4, d0, d1, d2, d3, d4, b0, b1, b2, b3, b4

// Lane k of the state array (k = x + 5y) to and from the named lanes.
#define KECCAK_FOR_EACH_LANE(OP) \
    OP(a00, 0);                  \
    OP(a10, 1);                  \
    OP(a20, 2);                  \
    OP(a30, 3);                  \
    OP(a40, 4);                  \
    OP(a01, 5);                  \
    OP(a11, 6);                  \
    OP(a21, 7);                  \
    OP(a31, 8);                  \
    OP(a41, 9);                  \
    OP(a02, 10);                 \
    OP(a12, 11);                 \
    OP(a22, 12);                 \
    OP(a32, 13);                 \
    OP(a42, 14);                 \
    OP(a03, 15);                 \
    OP(a13, 16);                 \
    OP(a23, 17);                 \
    OP(a33, 18);                 \
    OP(a43, 19);                 \
    OP(a04, 20);                 \
    OP(a14, 21);                 \
    OP(a24, 22);                 \
    OP(a34, 23);                 \
    OP(a44, 24)

// The 24 rounds: four written out, six times over. Written out in full they are too much code
// for the decoded-instruction cache of current x86 cores (about 4,000 instructions), and the
// Keccak kernel ran 17% slower on Zen 3 that way; four rounds fit, and the loop's one branch per
// four rounds costs nothing measurable.
#define KECCAK_24_ROUNDS                                       \
    for (int round = 0; round < keccak::kRounds; round += 4) { \
        KECCAK_ROUND_PAIR(round);                              \
        KECCAK_ROUND_PAIR(round + 2);                          \
    }

// The absorbing loop of a kernel: for each of Count blocks of Rate bytes (a multiple of 8 up to
// 200), xors the block into the first Rate/8 lanes, little-endian, and runs the 24 rounds.
// State holds lane x + 5y at index x + 5y.
#define KECCAK_ABSORB_BODY(State, p, Count, Rate) \
    KECCAK_DECLARE_LANES;                         \
    KECCAK_FOR_EACH_LANE(KECCAK_LOAD_LANE);       \
    for (; Count > 0; --Count, p += Rate) {       \
        KECCAK_FOR_EACH_LANE(KECCAK_XOR_INPUT);   \
        KECCAK_24_ROUNDS;                         \
    }                                             \
    KECCAK_FOR_EACH_LANE(KECCAK_STORE_LANE)

#define KECCAK_LOAD_LANE(lane, k) lane = State[k]
#define KECCAK_STORE_LANE(lane, k) State[k] = lane
#define KECCAK_XOR_INPUT(lane, k) \
    if ((k)*8 < Rate) lane ^= dcp::load_le64(p + (k)*8)

// Defines the kernel Name(State, Blocks, Count, Rate): the loop above, specialised for the
// four SHA-3 rates so that the block's lanes are xored in by straight-line code, and a general
// one for any other rate. Each kernel file expands it once, with its own compiler flags.
#define KECCAK_DEFINE_ABSORB(Name)                                                    \
    namespace {                                                                       \
    template <size_t Rate>                                                            \
    void Name##Fixed(uint64_t* State, const uint8_t* p, size_t Count) {               \
        KECCAK_ABSORB_BODY(State, p, Count, Rate);                                    \
    }                                                                                 \
    void Name##Any(uint64_t* State, const uint8_t* p, size_t Count, size_t Rate) {    \
        KECCAK_ABSORB_BODY(State, p, Count, Rate);                                    \
    }                                                                                 \
    }                                                                                 \
    void Name(uint64_t State[25], const uint8_t* Blocks, size_t Count, size_t Rate) { \
        switch (Rate) {                                                               \
            case 144:                                                                 \
                return Name##Fixed<144>(State, Blocks, Count);                        \
            case 136:                                                                 \
                return Name##Fixed<136>(State, Blocks, Count);                        \
            case 104:                                                                 \
                return Name##Fixed<104>(State, Blocks, Count);                        \
            case 72:                                                                  \
                return Name##Fixed<72>(State, Blocks, Count);                         \
            default:                                                                  \
                return Name##Any(State, Blocks, Count, Rate);                         \
        }                                                                             \
    }
