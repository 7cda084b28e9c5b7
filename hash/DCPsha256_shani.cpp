// SHA-256 with the Intel SHA extensions, written from Intel's description of SHA256RNDS2,
// SHA256MSG1 and SHA256MSG2. Compiled with -msha -msse4.1 -mssse3; the kernel table
// (kernels.cpp) installs it only when the CPU has all three.
//
// The eight working variables live in two registers, ABEF and CDGH (A and C in the top
// lane). SHA256RNDS2 runs two rounds with the two message-plus-constant words in the low
// lanes of its third operand and returns the new ABEF; the old ABEF is the new CDGH.
#include <immintrin.h>

#include "DCPsha256.h"

namespace sha256 {

// Four rounds from round i with the message words W[i..i+3] in m.
#define ROUNDS4(m, i)                                                                     \
    {                                                                                     \
        const __m128i wk =                                                                \
            _mm_add_epi32(m, _mm_loadu_si128(reinterpret_cast<const __m128i*>(K + (i)))); \
        cdgh = _mm_sha256rnds2_epu32(cdgh, abef, wk);                                     \
        abef = _mm_sha256rnds2_epu32(abef, cdgh, _mm_shuffle_epi32(wk, 0x0E));            \
    }
// W[i..i+3] into m0, which holds W[i-16..i-13]; m1, m2, m3 hold the next twelve words.
#define SCHEDULE(m0, m1, m2, m3) \
    m0 = _mm_sha256msg2_epu32(   \
        _mm_add_epi32(_mm_sha256msg1_epu32(m0, m1), _mm_alignr_epi8(m3, m2, 4)), m3)
// Schedule and run four rounds.
#define SCHEDULED4(m0, m1, m2, m3, i) \
    SCHEDULE(m0, m1, m2, m3);         \
    ROUNDS4(m0, i)

void CompressShaNi(uint32_t State[8], const uint8_t* p, size_t Count) {
    // Reverses the bytes of each 32-bit lane: the message words are big-endian.
    const __m128i bswap = _mm_set_epi64x(0x0c0d0e0f08090a0bULL, 0x0405060700010203ULL);

    // {A,B,C,D} and {E,F,G,H} (A in the low lane) into ABEF and CDGH.
    __m128i abcd = _mm_loadu_si128(reinterpret_cast<const __m128i*>(State));
    __m128i efgh = _mm_loadu_si128(reinterpret_cast<const __m128i*>(State + 4));
    abcd = _mm_shuffle_epi32(abcd, 0xB1);              // B A D C (high to low: C D A B)
    efgh = _mm_shuffle_epi32(efgh, 0x1B);              // H G F E (high to low: E F G H)
    __m128i abef = _mm_alignr_epi8(abcd, efgh, 8);     // high to low: A B E F
    __m128i cdgh = _mm_blend_epi16(efgh, abcd, 0xF0);  // high to low: C D G H

    for (; Count > 0; --Count, p += 64) {
        const __m128i abefSave = abef;
        const __m128i cdghSave = cdgh;

        __m128i m0 = _mm_shuffle_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p)), bswap);
        __m128i m1 =
            _mm_shuffle_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 16)), bswap);
        __m128i m2 =
            _mm_shuffle_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 32)), bswap);
        __m128i m3 =
            _mm_shuffle_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 48)), bswap);

        ROUNDS4(m0, 0);
        ROUNDS4(m1, 4);
        ROUNDS4(m2, 8);
        ROUNDS4(m3, 12);
        SCHEDULED4(m0, m1, m2, m3, 16);
        SCHEDULED4(m1, m2, m3, m0, 20);
        SCHEDULED4(m2, m3, m0, m1, 24);
        SCHEDULED4(m3, m0, m1, m2, 28);
        SCHEDULED4(m0, m1, m2, m3, 32);
        SCHEDULED4(m1, m2, m3, m0, 36);
        SCHEDULED4(m2, m3, m0, m1, 40);
        SCHEDULED4(m3, m0, m1, m2, 44);
        SCHEDULED4(m0, m1, m2, m3, 48);
        SCHEDULED4(m1, m2, m3, m0, 52);
        SCHEDULED4(m2, m3, m0, m1, 56);
        SCHEDULED4(m3, m0, m1, m2, 60);

        abef = _mm_add_epi32(abef, abefSave);
        cdgh = _mm_add_epi32(cdgh, cdghSave);
    }

    // Back to {A,B,C,D} and {E,F,G,H}.
    const __m128i feba = _mm_shuffle_epi32(abef, 0x1B);  // low to high: A B E F
    const __m128i dchg = _mm_shuffle_epi32(cdgh, 0xB1);  // low to high: G H C D
    _mm_storeu_si128(reinterpret_cast<__m128i*>(State), _mm_blend_epi16(feba, dchg, 0xF0));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(State + 4), _mm_alignr_epi8(dchg, feba, 8));
}

#undef SCHEDULED4
#undef SCHEDULE
#undef ROUNDS4

}  // namespace sha256
