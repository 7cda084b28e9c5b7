// XXH3's stripe loop on AVX2: the eight accumulators in two 256-bit registers.
#include <immintrin.h>

#include "DCPxxh3.h"

namespace xxh3 {

namespace {

inline __m256i Load(const void* p) {
    return _mm256_loadu_si256(static_cast<const __m256i*>(p));
}

// acc[i] += low32(d ^ k) * high32(d ^ k); acc[i ^ 1] += d[i].
inline __m256i Accumulate(__m256i acc, __m256i data, __m256i key) {
    const __m256i keyed = _mm256_xor_si256(data, key);
    const __m256i product =
        _mm256_mul_epu32(keyed, _mm256_shuffle_epi32(keyed, _MM_SHUFFLE(0, 3, 0, 1)));
    const __m256i swapped = _mm256_shuffle_epi32(data, _MM_SHUFFLE(1, 0, 3, 2));
    return _mm256_add_epi64(acc, _mm256_add_epi64(product, swapped));
}

// acc = (acc ^ (acc >> 47) ^ key) * kPrime32_1, modulo 2^64.
inline __m256i Scramble(__m256i acc, __m256i key, __m256i prime) {
    const __m256i a = _mm256_xor_si256(_mm256_xor_si256(acc, _mm256_srli_epi64(acc, 47)), key);
    const __m256i low = _mm256_mul_epu32(a, prime);
    const __m256i high = _mm256_mul_epu32(_mm256_srli_epi64(a, 32), prime);
    return _mm256_add_epi64(low, _mm256_slli_epi64(high, 32));
}

}  // namespace

void StripesAvx2(uint64_t Acc[8], const uint8_t* p, size_t Count, size_t First) {
    __m256i a0 = Load(Acc), a1 = Load(Acc + 4);
    const __m256i prime = _mm256_set1_epi32(int(kPrime32_1));
    const uint8_t* last = kSecret + kSecretSize - kStripeSize;
    while (Count > 0) {
        const size_t run = Count < kStripesPerBlock - First ? Count : kStripesPerBlock - First;
        const uint8_t* key = kSecret + 8 * First;
        for (size_t s = 0; s < run; ++s, p += kStripeSize, key += 8) {
            __builtin_prefetch(p + kPrefetchDistance);
            a0 = Accumulate(a0, Load(p), Load(key));
            a1 = Accumulate(a1, Load(p + 32), Load(key + 32));
        }
        Count -= run;
        First += run;
        if (First == kStripesPerBlock) {
            a0 = Scramble(a0, Load(last), prime);
            a1 = Scramble(a1, Load(last + 32), prime);
            First = 0;
        }
    }
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(Acc), a0);
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(Acc + 4), a1);
}

}  // namespace xxh3
