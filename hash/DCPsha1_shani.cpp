// SHA-1 with the Intel SHA extensions, written from Intel's description of SHA1RNDS4,
// SHA1NEXTE, SHA1MSG1 and SHA1MSG2. Compiled with -msha -msse4.1 -mssse3; the kernel table
// (kernels.cpp) installs it only when the CPU has all three.
//
// A, B, C, D live in one register (A in the top lane). SHA1RNDS4 runs four rounds of the
// group its immediate names, taking E + W[i] in the top lane and W[i+1..i+3] below it.
// SHA1NEXTE derives the next group's E (A of four rounds before, rotated by 30) and adds it
// into the top lane of the next four message words.
#include <immintrin.h>

#include "DCPsha1.h"

namespace sha1 {

// Four rounds of group f with the message words in m.
#define ROUNDS4(f, m)                 \
    e = _mm_sha1nexte_epu32(prev, m); \
    prev = abcd;                      \
    abcd = _mm_sha1rnds4_epu32(abcd, e, f)
// W[i..i+3] into m0, which holds W[i-16..i-13]; m1, m2, m3 hold the next twelve words.
#define SCHEDULE(m0, m1, m2, m3) \
    m0 = _mm_sha1msg2_epu32(_mm_xor_si128(_mm_sha1msg1_epu32(m0, m1), m2), m3)
#define SCHEDULED4(f, m0, m1, m2, m3) \
    SCHEDULE(m0, m1, m2, m3);         \
    ROUNDS4(f, m0)

void CompressShaNi(uint32_t State[5], const uint8_t* p, size_t Count) {
    // Reverses all sixteen bytes: big-endian words, the first word in the top lane.
    const __m128i bswap = _mm_set_epi64x(0x0001020304050607ULL, 0x08090a0b0c0d0e0fULL);

    __m128i abcd =
        _mm_shuffle_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(State)), 0x1B);
    __m128i e0 = _mm_set_epi32(int(State[4]), 0, 0, 0);

    for (; Count > 0; --Count, p += 64) {
        const __m128i abcdSave = abcd;
        const __m128i e0Save = e0;
        __m128i e, prev;

        __m128i m0 = _mm_shuffle_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p)), bswap);
        __m128i m1 =
            _mm_shuffle_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 16)), bswap);
        __m128i m2 =
            _mm_shuffle_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 32)), bswap);
        __m128i m3 =
            _mm_shuffle_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 48)), bswap);

        // Rounds 0-3 take E from the chaining value.
        e = _mm_add_epi32(e0, m0);
        prev = abcd;
        abcd = _mm_sha1rnds4_epu32(abcd, e, 0);
        ROUNDS4(0, m1);
        ROUNDS4(0, m2);
        ROUNDS4(0, m3);
        SCHEDULED4(0, m0, m1, m2, m3);  // rounds 16-19

        SCHEDULED4(1, m1, m2, m3, m0);  // rounds 20-39
        SCHEDULED4(1, m2, m3, m0, m1);
        SCHEDULED4(1, m3, m0, m1, m2);
        SCHEDULED4(1, m0, m1, m2, m3);
        SCHEDULED4(1, m1, m2, m3, m0);

        SCHEDULED4(2, m2, m3, m0, m1);  // rounds 40-59
        SCHEDULED4(2, m3, m0, m1, m2);
        SCHEDULED4(2, m0, m1, m2, m3);
        SCHEDULED4(2, m1, m2, m3, m0);
        SCHEDULED4(2, m2, m3, m0, m1);

        SCHEDULED4(3, m3, m0, m1, m2);  // rounds 60-79
        SCHEDULED4(3, m0, m1, m2, m3);
        SCHEDULED4(3, m1, m2, m3, m0);
        SCHEDULED4(3, m2, m3, m0, m1);
        SCHEDULED4(3, m3, m0, m1, m2);

        // E after round 79 is A of round 76 rotated; add the saved E to it.
        e0 = _mm_sha1nexte_epu32(prev, e0Save);
        abcd = _mm_add_epi32(abcd, abcdSave);
    }

    _mm_storeu_si128(reinterpret_cast<__m128i*>(State), _mm_shuffle_epi32(abcd, 0x1B));
    State[4] = uint32_t(_mm_extract_epi32(e0, 3));
}

#undef SCHEDULED4
#undef SCHEDULE
#undef ROUNDS4

}  // namespace sha1
