// BLAKE2b compression with each row of the 4x4 working matrix in one 256-bit register: the
// four G functions of a step run side by side, and the diagonal step is reached by rotating
// rows b, c and d by one, two and three lanes (VPERMQ), and undone the same way. Compiled with
// -mavx2; called only when the CPU has AVX2.
#include <immintrin.h>

#include "DCPblake2.h"

namespace blake2 {

namespace {

// The rotations of G on 64-bit lanes: by 32 swaps the halves, by 24 and 16 move whole bytes,
// by 63 is a rotation left by one.
inline __m256i Rotr32(__m256i x) {
    return _mm256_shuffle_epi32(x, _MM_SHUFFLE(2, 3, 0, 1));
}
inline __m256i Rotr24(__m256i x) {
    const __m256i m = _mm256_setr_epi8(3, 4, 5, 6, 7, 0, 1, 2, 11, 12, 13, 14, 15, 8, 9, 10, 3, 4,
                                       5, 6, 7, 0, 1, 2, 11, 12, 13, 14, 15, 8, 9, 10);
    return _mm256_shuffle_epi8(x, m);
}
inline __m256i Rotr16(__m256i x) {
    const __m256i m = _mm256_setr_epi8(2, 3, 4, 5, 6, 7, 0, 1, 10, 11, 12, 13, 14, 15, 8, 9, 2, 3,
                                       4, 5, 6, 7, 0, 1, 10, 11, 12, 13, 14, 15, 8, 9);
    return _mm256_shuffle_epi8(x, m);
}
inline __m256i Rotr63(__m256i x) {
    return _mm256_xor_si256(_mm256_add_epi64(x, x), _mm256_srli_epi64(x, 63));
}

// Half of G on all four columns (or diagonals): the first half takes x with the rotations by
// 32 and 24, the second takes y with 16 and 63.
#define B2B_HALF(x, RD, RB)                          \
    a = _mm256_add_epi64(_mm256_add_epi64(a, b), x); \
    d = RD(_mm256_xor_si256(d, a));                  \
    c = _mm256_add_epi64(c, d);                      \
    b = RB(_mm256_xor_si256(b, c))

#define B2B_MSG(s, i, j, k, l) _mm256_set_epi64x(m[s[l]], m[s[k]], m[s[j]], m[s[i]])

#define B2B_ROUND(r)                                              \
    {                                                             \
        const uint8_t* s = kSigma[(r) % 10];                      \
        B2B_HALF(B2B_MSG(s, 0, 2, 4, 6), Rotr32, Rotr24);         \
        B2B_HALF(B2B_MSG(s, 1, 3, 5, 7), Rotr16, Rotr63);         \
        b = _mm256_permute4x64_epi64(b, _MM_SHUFFLE(0, 3, 2, 1)); \
        c = _mm256_permute4x64_epi64(c, _MM_SHUFFLE(1, 0, 3, 2)); \
        d = _mm256_permute4x64_epi64(d, _MM_SHUFFLE(2, 1, 0, 3)); \
        B2B_HALF(B2B_MSG(s, 8, 10, 12, 14), Rotr32, Rotr24);      \
        B2B_HALF(B2B_MSG(s, 9, 11, 13, 15), Rotr16, Rotr63);      \
        b = _mm256_permute4x64_epi64(b, _MM_SHUFFLE(2, 1, 0, 3)); \
        c = _mm256_permute4x64_epi64(c, _MM_SHUFFLE(1, 0, 3, 2)); \
        d = _mm256_permute4x64_epi64(d, _MM_SHUFFLE(0, 3, 2, 1)); \
    }

}  // namespace

void Compress2bAvx2(uint64_t State[8], uint64_t Counter[2], const uint8_t* p, size_t Count,
                    uint32_t Increment, bool Last) {
    __m256i h0 = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(State));
    __m256i h1 = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(State + 4));
    const __m256i iv0 = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(kIV2b));
    const __m256i iv1 = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(kIV2b + 4));
    const int64_t flag = Last ? -1 : 0;
    for (; Count > 0; --Count, p += 128) {
        Counter[0] += Increment;
        Counter[1] += Counter[0] < Increment ? 1 : 0;
        uint64_t m[16];
        for (int i = 0; i < 16; ++i)
            m[i] = dcp::load_le64(p + 8 * i);
        __m256i a = h0, b = h1, c = iv0;
        __m256i d = _mm256_xor_si256(
            iv1, _mm256_set_epi64x(0, flag, int64_t(Counter[1]), int64_t(Counter[0])));
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
        h0 = _mm256_xor_si256(h0, _mm256_xor_si256(a, c));
        h1 = _mm256_xor_si256(h1, _mm256_xor_si256(b, d));
    }
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(State), h0);
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(State + 4), h1);
}

}  // namespace blake2
