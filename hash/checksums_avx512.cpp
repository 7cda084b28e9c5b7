// Adler-32 (RFC 1950) with AVX-512 (F and BW), 64 bytes a step, 128 bytes a loop.
//
// The same sums as the AVX2 code (checksums_avx2.cpp) with steps of 64 bytes: over a run of
// k steps, s1' = s1 + sum of the bytes and
//   s2' = s2 + 64k * s1 + sum over steps j of (64 * (bytes of the steps before j)
//                                              + sum over i of (64 - i) * b[64j + i]).
// The byte sums stay in the 64-bit lanes that VPSADBW gives, so they cannot overflow; the
// weighted sums are 32-bit lanes, each growing by at most 2 * 32385 a step.
#include <immintrin.h>

#include "checksums.h"

namespace checksums {

namespace {

constexpr uint32_t kMod = 65521;
// 64 KiB a run: the weighted lanes stay below 2^27 (2^26 a step pair), and with VPDPBUSD
// below 2^27 too (1024 steps of at most 65280 over two accumulators).
constexpr size_t kRunSteps = 1024;

// Horizontal sums; the zero-masking extracts, because GCC warns about the merging forms.
inline uint64_t Sum64(__m512i v) {
    const __m256i h = _mm256_add_epi64(_mm512_maskz_extracti64x4_epi64(0xF, v, 0),
                                       _mm512_maskz_extracti64x4_epi64(0xF, v, 1));
    const __m128i q = _mm_add_epi64(_mm256_castsi256_si128(h), _mm256_extracti128_si256(h, 1));
    return uint64_t(_mm_cvtsi128_si64(q)) + uint64_t(_mm_extract_epi64(q, 1));
}

inline uint64_t Sum32(__m512i v) {
    // Widen the 16 dword lanes to 8 qword lanes first: no overflow in the additions.
    const __m512i even = _mm512_and_si512(v, _mm512_set1_epi64(0xFFFFFFFF));
    return Sum64(_mm512_add_epi64(even, _mm512_maskz_srli_epi64(0xFF, v, 32)));
}

inline __m512i Load(const uint8_t* p) {
    return _mm512_loadu_si512(p);
}

}  // namespace

uint32_t Adler32Avx512(uint32_t value, const uint8_t* p, size_t n) {
    uint64_t s1 = value & 0xFFFF, s2 = value >> 16;
    const __m512i weights = _mm512_set_epi8(
        1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20, 21, 22, 23, 24, 25,
        26, 27, 28, 29, 30, 31, 32, 33, 34, 35, 36, 37, 38, 39, 40, 41, 42, 43, 44, 45, 46, 47, 48,
        49, 50, 51, 52, 53, 54, 55, 56, 57, 58, 59, 60, 61, 62, 63, 64);
    const __m512i ones = _mm512_set1_epi16(1);
    const __m512i zero = _mm512_setzero_si512();
    while (n >= 64) {
        const size_t steps = n / 64 < kRunSteps ? n / 64 : kRunSteps;
        __m512i sums = zero, earlier = zero, weighted0 = zero, weighted1 = zero;
        size_t j = 0;
        for (; j + 2 <= steps; j += 2, p += 128) {
            const __m512i a = Load(p), b = Load(p + 64);
            earlier = _mm512_add_epi64(earlier, sums);
            sums = _mm512_add_epi64(sums, _mm512_sad_epu8(a, zero));
            earlier = _mm512_add_epi64(earlier, sums);
            sums = _mm512_add_epi64(sums, _mm512_sad_epu8(b, zero));
            weighted0 = _mm512_add_epi32(weighted0,
                                         _mm512_madd_epi16(_mm512_maddubs_epi16(a, weights), ones));
            weighted1 = _mm512_add_epi32(weighted1,
                                         _mm512_madd_epi16(_mm512_maddubs_epi16(b, weights), ones));
        }
        if (j < steps) {
            const __m512i a = Load(p);
            earlier = _mm512_add_epi64(earlier, sums);
            sums = _mm512_add_epi64(sums, _mm512_sad_epu8(a, zero));
            weighted0 = _mm512_add_epi32(weighted0,
                                         _mm512_madd_epi16(_mm512_maddubs_epi16(a, weights), ones));
            p += 64;
        }
        n -= steps * 64;
        s2 += 64 * steps * s1 + 64 * Sum64(earlier) + Sum32(_mm512_add_epi32(weighted0, weighted1));
        s1 += Sum64(sums);
        s1 %= kMod;
        s2 %= kMod;
    }
    // Fewer than 64 bytes left: the AVX2 code takes 32 of them and the rest one at a time.
    return Adler32Avx2(uint32_t(s1 | (s2 << 16)), p, n);
}

// The same with VPDPBUSD (AVX512-VNNI), which makes the weighted sum of a step one
// instruction instead of three. Each 32-bit lane then grows by at most 4 * 255 * 64 a step.
__attribute__((target("avx512vnni"))) uint32_t Adler32Avx512Vnni(uint32_t value, const uint8_t* p,
                                                                 size_t n) {
    uint64_t s1 = value & 0xFFFF, s2 = value >> 16;
    const __m512i weights = _mm512_set_epi8(
        1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20, 21, 22, 23, 24, 25,
        26, 27, 28, 29, 30, 31, 32, 33, 34, 35, 36, 37, 38, 39, 40, 41, 42, 43, 44, 45, 46, 47, 48,
        49, 50, 51, 52, 53, 54, 55, 56, 57, 58, 59, 60, 61, 62, 63, 64);
    const __m512i zero = _mm512_setzero_si512();
    while (n >= 64) {
        const size_t steps = n / 64 < kRunSteps ? n / 64 : kRunSteps;
        __m512i sums = zero, earlier = zero, weighted0 = zero, weighted1 = zero;
        size_t j = 0;
        for (; j + 2 <= steps; j += 2, p += 128) {
            const __m512i a = Load(p), b = Load(p + 64);
            earlier = _mm512_add_epi64(earlier, sums);
            sums = _mm512_add_epi64(sums, _mm512_sad_epu8(a, zero));
            earlier = _mm512_add_epi64(earlier, sums);
            sums = _mm512_add_epi64(sums, _mm512_sad_epu8(b, zero));
            weighted0 = _mm512_dpbusd_epi32(weighted0, a, weights);
            weighted1 = _mm512_dpbusd_epi32(weighted1, b, weights);
        }
        if (j < steps) {
            const __m512i a = Load(p);
            earlier = _mm512_add_epi64(earlier, sums);
            sums = _mm512_add_epi64(sums, _mm512_sad_epu8(a, zero));
            weighted0 = _mm512_dpbusd_epi32(weighted0, a, weights);
            p += 64;
        }
        n -= steps * 64;
        s2 += 64 * steps * s1 + 64 * Sum64(earlier) + Sum32(_mm512_add_epi32(weighted0, weighted1));
        s1 += Sum64(sums);
        s1 %= kMod;
        s2 %= kMod;
    }
    return Adler32Avx2(uint32_t(s1 | (s2 << 16)), p, n);
}

}  // namespace checksums
