// Adler-32 (RFC 1950) with AVX2, 32 bytes a step.
//
// Over a run of k steps of 32 bytes b[0..32k-1], starting from s1 and s2:
//   s1' = s1 + sum of b[i]
//   s2' = s2 + 32k * s1 + sum over steps j of (32 * (bytes of the steps before j)
//                                              + sum over i of (32 - i) * b[32j + i])
// The byte sums come from VPSADBW, the weighted sums from VPMADDUBSW and VPMADDWD, and the
// sums of the earlier steps from adding the running byte sum once per step. The lanes hold
// 32-bit partial sums; a run is short enough that none of them can overflow, and the sums are
// reduced modulo 65521 once per run.
#include <immintrin.h>

#include "checksums.h"

namespace checksums {

namespace {

constexpr uint32_t kMod = 65521;

// The largest sum is that of the running byte sums: after k steps each of the four VPSADBW
// lanes holds at most 2040 * k * (k - 1) / 2, and the four together stay below 2^32 for
// k <= 1024. Half of that leaves a margin.
constexpr size_t kRunSteps = 512;

inline uint64_t Sum32(__m256i v) {
    const __m128i s = _mm_add_epi32(_mm256_castsi256_si128(v), _mm256_extracti128_si256(v, 1));
    const __m128i t = _mm_add_epi32(s, _mm_shuffle_epi32(s, 0x4E));
    return uint64_t(uint32_t(_mm_cvtsi128_si32(_mm_add_epi32(t, _mm_shuffle_epi32(t, 0xB1)))));
}

}  // namespace

uint32_t Adler32Avx2(uint32_t value, const uint8_t* p, size_t n) {
    uint64_t s1 = value & 0xFFFF, s2 = value >> 16;
    const __m256i weights =
        _mm256_setr_epi8(32, 31, 30, 29, 28, 27, 26, 25, 24, 23, 22, 21, 20, 19, 18, 17, 16, 15, 14,
                         13, 12, 11, 10, 9, 8, 7, 6, 5, 4, 3, 2, 1);
    const __m256i ones = _mm256_set1_epi16(1);
    const __m256i zero = _mm256_setzero_si256();
    while (n >= 32) {
        const size_t steps = n / 32 < kRunSteps ? n / 32 : kRunSteps;
        __m256i sums = zero, earlier = zero, weighted0 = zero, weighted1 = zero;
        size_t j = 0;
        // Two steps at a time, with the weighted sums in two accumulators.
        for (; j + 2 <= steps; j += 2, p += 64) {
            const __m256i a = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p));
            const __m256i b = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p + 32));
            const __m256i sa = _mm256_sad_epu8(a, zero);
            earlier = _mm256_add_epi32(earlier, sums);
            sums = _mm256_add_epi32(sums, sa);
            earlier = _mm256_add_epi32(earlier, sums);
            sums = _mm256_add_epi32(sums, _mm256_sad_epu8(b, zero));
            weighted0 = _mm256_add_epi32(weighted0,
                                         _mm256_madd_epi16(_mm256_maddubs_epi16(a, weights), ones));
            weighted1 = _mm256_add_epi32(weighted1,
                                         _mm256_madd_epi16(_mm256_maddubs_epi16(b, weights), ones));
        }
        if (j < steps) {
            const __m256i a = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p));
            earlier = _mm256_add_epi32(earlier, sums);
            sums = _mm256_add_epi32(sums, _mm256_sad_epu8(a, zero));
            weighted0 = _mm256_add_epi32(weighted0,
                                         _mm256_madd_epi16(_mm256_maddubs_epi16(a, weights), ones));
            p += 32;
        }
        n -= steps * 32;
        s2 += 32 * steps * s1 + 32 * Sum32(earlier) + Sum32(_mm256_add_epi32(weighted0, weighted1));
        s1 += Sum32(sums);
        s1 %= kMod;
        s2 %= kMod;
    }
    // The last bytes one at a time: fewer than 32, no overflow possible.
    for (; n > 0; --n) {
        s1 += *p++;
        s2 += s1;
    }
    s1 %= kMod;
    s2 %= kMod;
    return uint32_t(s1 | (s2 << 16));
}

}  // namespace checksums
