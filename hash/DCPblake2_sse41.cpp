// BLAKE2s and BLAKE2b compression with the rows of the 4x4 working matrix in 128-bit registers:
// one register per row for BLAKE2s, two (lanes 0-1 and 2-3) for BLAKE2b. The four G functions
// of a step run side by side; the diagonal step is reached by rotating rows b, c and d by one,
// two and three lanes (PSHUFD, or PALIGNR across a BLAKE2b row's two registers) and undone the
// same way. Compiled with -msse4.1 -mssse3; called only when the CPU has both.
#include <immintrin.h>

#include "DCPblake2.h"

namespace blake2 {

namespace {

// BLAKE2s's rotations on 32-bit lanes: by 16 and 8 move whole bytes.
inline __m128i Rotr16x32(__m128i x) {
    return _mm_shuffle_epi8(x, _mm_setr_epi8(2, 3, 0, 1, 6, 7, 4, 5, 10, 11, 8, 9, 14, 15, 12, 13));
}
inline __m128i Rotr12x32(__m128i x) {
    return _mm_or_si128(_mm_srli_epi32(x, 12), _mm_slli_epi32(x, 20));
}
inline __m128i Rotr8x32(__m128i x) {
    return _mm_shuffle_epi8(x, _mm_setr_epi8(1, 2, 3, 0, 5, 6, 7, 4, 9, 10, 11, 8, 13, 14, 15, 12));
}
inline __m128i Rotr7x32(__m128i x) {
    return _mm_or_si128(_mm_srli_epi32(x, 7), _mm_slli_epi32(x, 25));
}

// BLAKE2b's rotations on 64-bit lanes.
inline __m128i Rotr32x64(__m128i x) {
    return _mm_shuffle_epi32(x, _MM_SHUFFLE(2, 3, 0, 1));
}
inline __m128i Rotr24x64(__m128i x) {
    return _mm_shuffle_epi8(x, _mm_setr_epi8(3, 4, 5, 6, 7, 0, 1, 2, 11, 12, 13, 14, 15, 8, 9, 10));
}
inline __m128i Rotr16x64(__m128i x) {
    return _mm_shuffle_epi8(x, _mm_setr_epi8(2, 3, 4, 5, 6, 7, 0, 1, 10, 11, 12, 13, 14, 15, 8, 9));
}
inline __m128i Rotr63x64(__m128i x) {
    return _mm_xor_si128(_mm_add_epi64(x, x), _mm_srli_epi64(x, 63));
}

#define B2S_HALF(x, RD, RB)                    \
    a = _mm_add_epi32(_mm_add_epi32(a, b), x); \
    d = RD(_mm_xor_si128(d, a));               \
    c = _mm_add_epi32(c, d);                   \
    b = RB(_mm_xor_si128(b, c))

#define B2S_MSG(s, i, j, k, l) \
    _mm_setr_epi32(int(m[s[i]]), int(m[s[j]]), int(m[s[k]]), int(m[s[l]]))

#define B2S_ROUND(r)                                               \
    {                                                              \
        const uint8_t* s = kSigma[r];                              \
        B2S_HALF(B2S_MSG(s, 0, 2, 4, 6), Rotr16x32, Rotr12x32);    \
        B2S_HALF(B2S_MSG(s, 1, 3, 5, 7), Rotr8x32, Rotr7x32);      \
        b = _mm_shuffle_epi32(b, _MM_SHUFFLE(0, 3, 2, 1));         \
        c = _mm_shuffle_epi32(c, _MM_SHUFFLE(1, 0, 3, 2));         \
        d = _mm_shuffle_epi32(d, _MM_SHUFFLE(2, 1, 0, 3));         \
        B2S_HALF(B2S_MSG(s, 8, 10, 12, 14), Rotr16x32, Rotr12x32); \
        B2S_HALF(B2S_MSG(s, 9, 11, 13, 15), Rotr8x32, Rotr7x32);   \
        b = _mm_shuffle_epi32(b, _MM_SHUFFLE(2, 1, 0, 3));         \
        c = _mm_shuffle_epi32(c, _MM_SHUFFLE(1, 0, 3, 2));         \
        d = _mm_shuffle_epi32(d, _MM_SHUFFLE(0, 3, 2, 1));         \
    }

// A BLAKE2b half of G on two registers per row (lo: lanes 0-1, hi: lanes 2-3).
#define B2B_HALF(xlo, xhi, RD, RB)                     \
    alo = _mm_add_epi64(_mm_add_epi64(alo, blo), xlo); \
    ahi = _mm_add_epi64(_mm_add_epi64(ahi, bhi), xhi); \
    dlo = RD(_mm_xor_si128(dlo, alo));                 \
    dhi = RD(_mm_xor_si128(dhi, ahi));                 \
    clo = _mm_add_epi64(clo, dlo);                     \
    chi = _mm_add_epi64(chi, dhi);                     \
    blo = RB(_mm_xor_si128(blo, clo));                 \
    bhi = RB(_mm_xor_si128(bhi, chi))

#define B2B_MSG(s, i, j) _mm_set_epi64x(int64_t(m[s[j]]), int64_t(m[s[i]]))

// Rows b, c, d turned left by one, two and three lanes: c only swaps its registers' roles.
#define B2B_DIAGONALIZE                                  \
    {                                                    \
        const __m128i b0 = _mm_alignr_epi8(bhi, blo, 8); \
        bhi = _mm_alignr_epi8(blo, bhi, 8);              \
        blo = b0;                                        \
        const __m128i c0 = clo;                          \
        clo = chi;                                       \
        chi = c0;                                        \
        const __m128i d0 = _mm_alignr_epi8(dlo, dhi, 8); \
        dhi = _mm_alignr_epi8(dhi, dlo, 8);              \
        dlo = d0;                                        \
    }
#define B2B_UNDIAGONALIZE                                \
    {                                                    \
        const __m128i b0 = _mm_alignr_epi8(blo, bhi, 8); \
        bhi = _mm_alignr_epi8(bhi, blo, 8);              \
        blo = b0;                                        \
        const __m128i c0 = clo;                          \
        clo = chi;                                       \
        chi = c0;                                        \
        const __m128i d0 = _mm_alignr_epi8(dhi, dlo, 8); \
        dhi = _mm_alignr_epi8(dlo, dhi, 8);              \
        dlo = d0;                                        \
    }

#define B2B_ROUND(r)                                                           \
    {                                                                          \
        const uint8_t* s = kSigma[(r) % 10];                                   \
        B2B_HALF(B2B_MSG(s, 0, 2), B2B_MSG(s, 4, 6), Rotr32x64, Rotr24x64);    \
        B2B_HALF(B2B_MSG(s, 1, 3), B2B_MSG(s, 5, 7), Rotr16x64, Rotr63x64);    \
        B2B_DIAGONALIZE;                                                       \
        B2B_HALF(B2B_MSG(s, 8, 10), B2B_MSG(s, 12, 14), Rotr32x64, Rotr24x64); \
        B2B_HALF(B2B_MSG(s, 9, 11), B2B_MSG(s, 13, 15), Rotr16x64, Rotr63x64); \
        B2B_UNDIAGONALIZE;                                                     \
    }

inline __m128i Load(const void* p) {
    return _mm_loadu_si128(static_cast<const __m128i*>(p));
}
inline void Store(void* p, __m128i v) {
    _mm_storeu_si128(static_cast<__m128i*>(p), v);
}

}  // namespace

void Compress2sSse41(uint32_t State[8], uint32_t Counter[2], const uint8_t* p, size_t Count,
                     uint32_t Increment, bool Last) {
    __m128i h0 = Load(State), h1 = Load(State + 4);
    const __m128i iv0 = Load(kIV2s), iv1 = Load(kIV2s + 4);
    const int flag = Last ? -1 : 0;
    for (; Count > 0; --Count, p += 64) {
        Counter[0] += Increment;
        Counter[1] += Counter[0] < Increment ? 1 : 0;
        uint32_t m[16];
        for (int i = 0; i < 16; ++i)
            m[i] = dcp::load_le32(p + 4 * i);
        __m128i a = h0, b = h1, c = iv0;
        __m128i d = _mm_xor_si128(iv1, _mm_setr_epi32(int(Counter[0]), int(Counter[1]), flag, 0));
        B2S_ROUND(0);
        B2S_ROUND(1);
        B2S_ROUND(2);
        B2S_ROUND(3);
        B2S_ROUND(4);
        B2S_ROUND(5);
        B2S_ROUND(6);
        B2S_ROUND(7);
        B2S_ROUND(8);
        B2S_ROUND(9);
        h0 = _mm_xor_si128(h0, _mm_xor_si128(a, c));
        h1 = _mm_xor_si128(h1, _mm_xor_si128(b, d));
    }
    Store(State, h0);
    Store(State + 4, h1);
}

void Compress2bSse41(uint64_t State[8], uint64_t Counter[2], const uint8_t* p, size_t Count,
                     uint32_t Increment, bool Last) {
    __m128i h0 = Load(State), h1 = Load(State + 2), h2 = Load(State + 4), h3 = Load(State + 6);
    const int64_t flag = Last ? -1 : 0;
    for (; Count > 0; --Count, p += 128) {
        Counter[0] += Increment;
        Counter[1] += Counter[0] < Increment ? 1 : 0;
        uint64_t m[16];
        for (int i = 0; i < 16; ++i)
            m[i] = dcp::load_le64(p + 8 * i);
        __m128i alo = h0, ahi = h1, blo = h2, bhi = h3;
        __m128i clo = Load(kIV2b), chi = Load(kIV2b + 2);
        __m128i dlo = _mm_xor_si128(Load(kIV2b + 4),
                                    _mm_set_epi64x(int64_t(Counter[1]), int64_t(Counter[0])));
        __m128i dhi = _mm_xor_si128(Load(kIV2b + 6), _mm_set_epi64x(0, flag));
        B2B_ROUND(0);
        B2B_ROUND(1);
        B2B_ROUND(2);
        B2B_ROUND(3);
        B2B_ROUND(4);
        B2B_ROUND(5);
        B2B_ROUND(6);
        B2B_ROUND(7);
        B2B_ROUND(8);
        B2B_ROUND(9);
        B2B_ROUND(10);
        B2B_ROUND(11);
        h0 = _mm_xor_si128(h0, _mm_xor_si128(alo, clo));
        h1 = _mm_xor_si128(h1, _mm_xor_si128(ahi, chi));
        h2 = _mm_xor_si128(h2, _mm_xor_si128(blo, dlo));
        h3 = _mm_xor_si128(h3, _mm_xor_si128(bhi, dhi));
    }
    Store(State, h0);
    Store(State + 2, h1);
    Store(State + 4, h2);
    Store(State + 6, h3);
}

}  // namespace blake2
