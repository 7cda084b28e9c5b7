// XXH3's stripe loop on AVX-512: the eight accumulators in one 512-bit register, a whole
// stripe per step.
#include <immintrin.h>

#include "DCPxxh3.h"

namespace xxh3 {

namespace {

inline __m512i Load(const void* p) {
    return _mm512_loadu_si512(p);
}

// The zero-masking forms with every lane selected: GCC warns about the plain ones, whose
// headers start from an undefined vector.
constexpr __mmask8 kAll64 = 0xFF;
constexpr __mmask16 kAll32 = 0xFFFF;

// acc[i] += low32(d ^ k) * high32(d ^ k); acc[i ^ 1] += d[i].
inline __m512i Accumulate(__m512i acc, __m512i data, __m512i key) {
    const __m512i keyed = _mm512_xor_si512(data, key);
    const __m512i product = _mm512_maskz_mul_epu32(
        kAll64, keyed,
        _mm512_maskz_shuffle_epi32(kAll32, keyed, _MM_PERM_ENUM(_MM_SHUFFLE(0, 3, 0, 1))));
    const __m512i swapped =
        _mm512_maskz_shuffle_epi32(kAll32, data, _MM_PERM_ENUM(_MM_SHUFFLE(1, 0, 3, 2)));
    return _mm512_add_epi64(acc, _mm512_add_epi64(product, swapped));
}

// acc = (acc ^ (acc >> 47) ^ key) * kPrime32_1, modulo 2^64; the three-way xor is one
// ternary-logic instruction.
inline __m512i Scramble(__m512i acc, __m512i key, __m512i prime) {
    const __m512i a =
        _mm512_ternarylogic_epi64(acc, _mm512_maskz_srli_epi64(kAll64, acc, 47), key, 0x96);
    const __m512i low = _mm512_maskz_mul_epu32(kAll64, a, prime);
    const __m512i high =
        _mm512_maskz_mul_epu32(kAll64, _mm512_maskz_srli_epi64(kAll64, a, 32), prime);
    return _mm512_add_epi64(low, _mm512_maskz_slli_epi64(kAll64, high, 32));
}

}  // namespace

void StripesAvx512(uint64_t Acc[8], const uint8_t* p, size_t Count, size_t First) {
    __m512i acc = Load(Acc);
    const __m512i prime = _mm512_set1_epi32(int(kPrime32_1));
    const __m512i last = Load(kSecret + kSecretSize - kStripeSize);
    while (Count > 0) {
        const size_t run = Count < kStripesPerBlock - First ? Count : kStripesPerBlock - First;
        const uint8_t* key = kSecret + 8 * First;
        for (size_t s = 0; s < run; ++s, p += kStripeSize, key += 8) {
            __builtin_prefetch(p + kPrefetchDistance);
            acc = Accumulate(acc, Load(p), Load(key));
        }
        Count -= run;
        First += run;
        if (First == kStripesPerBlock) {
            acc = Scramble(acc, last, prime);
            First = 0;
        }
    }
    _mm512_storeu_si512(Acc, acc);
}

}  // namespace xxh3
