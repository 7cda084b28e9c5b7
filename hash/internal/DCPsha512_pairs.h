// The SHA-384/512 compression shared by the AVX2 and AVX-512 variants, written from FIPS 180-4
// (section 6.4.2) and Intel's descriptions of the instructions. Included only by the variants'
// own files, each compiled with its instruction set; everything here has internal linkage, so
// no copy built for one instruction set can stand in for another's.
//
// The rounds are scalar (RORX for the rotations); the schedule of FIPS 180-4 needs the word
// two places back, so it yields two words per step, and a 256-bit register holds the same two
// words of two blocks, one block in each 128-bit half:
//   X[s] = { W[2s], W[2s+1] of block A | W[2s], W[2s+1] of block B }.
// VPALIGNR works within each half, which is what the schedule needs: the words W[t-15] and
// W[t-7] straddle two registers of a block and never the two blocks. K[t] + W[t] of both
// blocks goes to a table in that order, four words per step, which the rounds read.
//
// Blocks go two at a time. While the rounds of one pair run from its table, the schedule of
// the next pair is computed into the other table, two steps every eight rounds, so the vector
// work overlaps the scalar rounds instead of stalling them at the start of every pair.
#pragma once

#include <immintrin.h>

#include <utility>

#include "DCPsha512.h"
#include "DCPsha512_rounds.h"

namespace sha512 {

namespace {

// One step: K[t] + W[t] for the two words of both blocks, four 64-bit words.
constexpr int kStepWords = 4;
// The schedule table of a pair: 40 steps.
constexpr int kTableWords = 40 * kStepWords;

// K[2s], K[2s+1] in both halves.
inline __m256i KPair(int s) {
    return _mm256_broadcastsi128_si256(
        _mm_loadu_si128(reinterpret_cast<const __m128i*>(K + 2 * s)));
}

inline void Store(uint64_t* p, __m256i v) {
    _mm256_store_si256(reinterpret_cast<__m256i*>(p), v);
}

// X[s] of blocks a and b from their big-endian words, with K added into table wk.
inline __m256i Load(const uint8_t* a, const uint8_t* b, int s, uint64_t* wk) {
    const __m256i bswap = _mm256_setr_epi8(7, 6, 5, 4, 3, 2, 1, 0, 15, 14, 13, 12, 11, 10, 9, 8, 7,
                                           6, 5, 4, 3, 2, 1, 0, 15, 14, 13, 12, 11, 10, 9, 8);
    const __m128i lo = _mm_loadu_si128(reinterpret_cast<const __m128i*>(a + 16 * s));
    const __m128i hi = _mm_loadu_si128(reinterpret_cast<const __m128i*>(b + 16 * s));
    const __m256i x =
        _mm256_shuffle_epi8(_mm256_inserti128_si256(_mm256_castsi128_si256(lo), hi, 1), bswap);
    Store(wk + kStepWords * s, _mm256_add_epi64(x, KPair(s)));
    return x;
}

#define LOAD8(a, b, wk)     \
    x0 = Load(a, b, 0, wk); \
    x1 = Load(a, b, 1, wk); \
    x2 = Load(a, b, 2, wk); \
    x3 = Load(a, b, 3, wk); \
    x4 = Load(a, b, 4, wk); \
    x5 = Load(a, b, 5, wk); \
    x6 = Load(a, b, 6, wk); \
    x7 = Load(a, b, 7, wk)

// Step s, the words W[t] and W[t+1] with t = 2s: X[s] replaces X[s-8] in r0, with r1..r7
// holding X[s-7]..X[s-1]. In each block's half, W[t-15..t-14] is the upper word of X[s-8] and
// the lower of X[s-7], and W[t-7..t-6] the upper word of X[s-4] and the lower of X[s-3].
// SSIG1 of X[s-1] comes last: it ends the chain from one step to the next.
#define STEP(r0, r1, r2, r3, r4, r5, r6, r7, s, wk)                                         \
    {                                                                                       \
        const __m256i w15 = _mm256_alignr_epi8(r1, r0, 8);                                  \
        const __m256i w7 = _mm256_alignr_epi8(r5, r4, 8);                                   \
        const __m256i part = _mm256_add_epi64(_mm256_add_epi64(r0, w7), Sigma::Ssig0(w15)); \
        r0 = _mm256_add_epi64(part, Sigma::Ssig1(r7));                                      \
        Store((wk) + kStepWords * (s), _mm256_add_epi64(r0, KPair(s)));                     \
    }
// Two steps, after which the eight names have moved on by two.
#define STEP2(r0, r1, r2, r3, r4, r5, r6, r7, s, wk) \
    STEP(r0, r1, r2, r3, r4, r5, r6, r7, s, wk);     \
    STEP(r1, r2, r3, r4, r5, r6, r7, r0, (s) + 1, wk)

// Steps 8..39 in one run, for the first pair of a call.
template <class Sigma>
inline void ScheduleAll(const uint8_t* a, const uint8_t* b, uint64_t* wk) {
    __m256i x0, x1, x2, x3, x4, x5, x6, x7;
    LOAD8(a, b, wk);
    for (int s = 8; s < 40; s += 8) {
        STEP2(x0, x1, x2, x3, x4, x5, x6, x7, s, wk);
        STEP2(x2, x3, x4, x5, x6, x7, x0, x1, s + 2, wk);
        STEP2(x4, x5, x6, x7, x0, x1, x2, x3, s + 4, wk);
        STEP2(x6, x7, x0, x1, x2, x3, x4, x5, s + 6, wk);
    }
}

// Round t of the block whose words start at w: K[t] + W[t] sits at step t/2, word t%2.
#define WK(t) w[kStepWords * ((t) / 2) + ((t) % 2)]

// The 80 rounds of one block, with nothing else to do.
inline void Rounds(uint64_t State[8], const uint64_t* w) {
    uint64_t a = State[0], b = State[1], c = State[2], d = State[3];
    uint64_t e = State[4], f = State[5], g = State[6], h = State[7];
    uint64_t x, y = b ^ c;
    SHA512_ROUND8(WK, 0);
    SHA512_ROUND8(WK, 8);
    SHA512_ROUND8(WK, 16);
    SHA512_ROUND8(WK, 24);
    SHA512_ROUND8(WK, 32);
    SHA512_ROUND8(WK, 40);
    SHA512_ROUND8(WK, 48);
    SHA512_ROUND8(WK, 56);
    SHA512_ROUND8(WK, 64);
    SHA512_ROUND8(WK, 72);
    State[0] += a;
    State[1] += b;
    State[2] += c;
    State[3] += d;
    State[4] += e;
    State[5] += f;
    State[6] += g;
    State[7] += h;
}

// The compression over Count blocks. Sigma provides the two schedule functions on four lanes,
// static __m256i Ssig0(__m256i) and Ssig1(__m256i), in the instruction set of the file that
// instantiates this.
template <class Sigma>
void CompressPairs(uint64_t State[8], const uint8_t* p, size_t Count) {
    if (Count == 0) return;
    alignas(32) uint64_t table[2][kTableWords];
    uint64_t* cur = table[0];
    uint64_t* next = table[1];

    // A lone block goes in both halves; the rounds use the first.
    ScheduleAll<Sigma>(p, Count >= 2 ? p + 128 : p, cur);
    for (; Count >= 2; Count -= 2, p += 256) {
        // The pair after this one; a lone last block goes in both halves, and after the last
        // pair the schedule of this pair is computed again and not used.
        const uint8_t* na = Count >= 3 ? p + 256 : p;
        const uint8_t* nb = Count >= 4 ? p + 384 : na;
        __m256i x0, x1, x2, x3, x4, x5, x6, x7;
        LOAD8(na, nb, next);
        for (int half = 0; half < 2; ++half) {
            const uint64_t* w = cur + 2 * half;
            const int s = 8 + 16 * half;
            uint64_t a = State[0], b = State[1], c = State[2], d = State[3];
            uint64_t e = State[4], f = State[5], g = State[6], h = State[7];
            uint64_t x, y = b ^ c;
            STEP2(x0, x1, x2, x3, x4, x5, x6, x7, s, next);
            SHA512_ROUND8(WK, 0);
            STEP2(x2, x3, x4, x5, x6, x7, x0, x1, s + 2, next);
            SHA512_ROUND8(WK, 8);
            STEP2(x4, x5, x6, x7, x0, x1, x2, x3, s + 4, next);
            SHA512_ROUND8(WK, 16);
            STEP2(x6, x7, x0, x1, x2, x3, x4, x5, s + 6, next);
            SHA512_ROUND8(WK, 24);
            STEP2(x0, x1, x2, x3, x4, x5, x6, x7, s + 8, next);
            SHA512_ROUND8(WK, 32);
            STEP2(x2, x3, x4, x5, x6, x7, x0, x1, s + 10, next);
            SHA512_ROUND8(WK, 40);
            STEP2(x4, x5, x6, x7, x0, x1, x2, x3, s + 12, next);
            SHA512_ROUND8(WK, 48);
            STEP2(x6, x7, x0, x1, x2, x3, x4, x5, s + 14, next);
            SHA512_ROUND8(WK, 56);
            SHA512_ROUND8(WK, 64);
            SHA512_ROUND8(WK, 72);
            State[0] += a;
            State[1] += b;
            State[2] += c;
            State[3] += d;
            State[4] += e;
            State[5] += f;
            State[6] += g;
            State[7] += h;
        }
        std::swap(cur, next);
    }
    if (Count == 1) Rounds(State, cur);
    dcp::SecureZero(table, sizeof table);
}

}  // namespace

#undef WK
#undef STEP2
#undef STEP
#undef LOAD8

}  // namespace sha512
