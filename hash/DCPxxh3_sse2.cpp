// XXH3's stripe loop on SSE2: the eight accumulators in four 128-bit registers, two lanes each.
// The 32x32-bit products come from pmuludq, which multiplies the low halves of both 64-bit
// lanes at once.
#include <emmintrin.h>

#include "DCPxxh3.h"

namespace xxh3 {

namespace {

inline __m128i Load(const uint8_t* p) {
    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
}

// acc[i] += low32(d ^ k) * high32(d ^ k); acc[i ^ 1] += d[i].
inline __m128i Accumulate(__m128i acc, __m128i data, __m128i key) {
    const __m128i keyed = _mm_xor_si128(data, key);
    const __m128i product = _mm_mul_epu32(keyed, _mm_shuffle_epi32(keyed, _MM_SHUFFLE(0, 3, 0, 1)));
    const __m128i swapped = _mm_shuffle_epi32(data, _MM_SHUFFLE(1, 0, 3, 2));
    return _mm_add_epi64(acc, _mm_add_epi64(product, swapped));
}

// acc = (acc ^ (acc >> 47) ^ key) * kPrime32_1, modulo 2^64.
inline __m128i Scramble(__m128i acc, __m128i key, __m128i prime) {
    const __m128i a = _mm_xor_si128(_mm_xor_si128(acc, _mm_srli_epi64(acc, 47)), key);
    const __m128i low = _mm_mul_epu32(a, prime);
    const __m128i high = _mm_mul_epu32(_mm_srli_epi64(a, 32), prime);
    return _mm_add_epi64(low, _mm_slli_epi64(high, 32));
}

}  // namespace

void StripesSse2(uint64_t Acc[8], const uint8_t* p, size_t Count, size_t First) {
    __m128i a0 = Load(reinterpret_cast<const uint8_t*>(Acc));
    __m128i a1 = Load(reinterpret_cast<const uint8_t*>(Acc + 2));
    __m128i a2 = Load(reinterpret_cast<const uint8_t*>(Acc + 4));
    __m128i a3 = Load(reinterpret_cast<const uint8_t*>(Acc + 6));
    const __m128i prime = _mm_set1_epi32(int(kPrime32_1));
    const uint8_t* last = kSecret + kSecretSize - kStripeSize;
    while (Count > 0) {
        const size_t run = Count < kStripesPerBlock - First ? Count : kStripesPerBlock - First;
        const uint8_t* key = kSecret + 8 * First;
        for (size_t s = 0; s < run; ++s, p += kStripeSize, key += 8) {
            __builtin_prefetch(p + kPrefetchDistance);
            a0 = Accumulate(a0, Load(p), Load(key));
            a1 = Accumulate(a1, Load(p + 16), Load(key + 16));
            a2 = Accumulate(a2, Load(p + 32), Load(key + 32));
            a3 = Accumulate(a3, Load(p + 48), Load(key + 48));
        }
        Count -= run;
        First += run;
        if (First == kStripesPerBlock) {
            a0 = Scramble(a0, Load(last), prime);
            a1 = Scramble(a1, Load(last + 16), prime);
            a2 = Scramble(a2, Load(last + 32), prime);
            a3 = Scramble(a3, Load(last + 48), prime);
            First = 0;
        }
    }
    _mm_storeu_si128(reinterpret_cast<__m128i*>(Acc), a0);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(Acc + 2), a1);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(Acc + 4), a2);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(Acc + 6), a3);
}

}  // namespace xxh3
