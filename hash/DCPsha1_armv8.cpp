// SHA-1 with the ARMv8 cryptographic extension, written from Arm's description of SHA1C,
// SHA1P, SHA1M, SHA1H, SHA1SU0 and SHA1SU1. Compiled with -march=armv8-a+crypto (aarch64
// only); the kernel table (kernels.cpp) installs it only when the CPU reports SHA-1.
//
// A, B, C, D live in one register (A in lane 0), E in a scalar. SHA1C, SHA1P and SHA1M run
// four rounds of their group on four message-plus-constant words; SHA1H gives A rotated by 30,
// which is E four rounds later. SHA1SU0 and SHA1SU1 together give the next four schedule words
// from the sixteen before them.
#if defined(__aarch64__)
#include <arm_neon.h>

#include "DCPsha1.h"

namespace sha1 {

void CompressArmv8(uint32_t State[5], const uint8_t* p, size_t Count) {
    static const uint32_t kK[4] = {0x5A827999, 0x6ED9EBA1, 0x8F1BBCDC, 0xCA62C1D6};
    uint32x4_t abcd = vld1q_u32(State);
    uint32_t e = State[4];

    for (; Count > 0; --Count, p += 64) {
        const uint32x4_t abcdSave = abcd;
        const uint32_t eSave = e;
        // Big-endian words: the bytes of each word reversed.
        uint32x4_t m[4];
        for (int i = 0; i < 4; ++i)
            m[i] = vreinterpretq_u32_u8(vrev32q_u8(vld1q_u8(p + 16 * i)));

#pragma GCC unroll 20
        for (int g = 0; g < 20; ++g) {
            uint32x4_t& w = m[g & 3];
            const uint32x4_t wk = vaddq_u32(w, vdupq_n_u32(kK[g / 5]));
            const uint32_t eNext = vsha1h_u32(vgetq_lane_u32(abcd, 0));
            if (g < 5)
                abcd = vsha1cq_u32(abcd, e, wk);
            else if (g < 10 || g >= 15)
                abcd = vsha1pq_u32(abcd, e, wk);
            else
                abcd = vsha1mq_u32(abcd, e, wk);
            e = eNext;
            // The words of group g + 4 replace those of group g.
            if (g < 16)
                w = vsha1su1q_u32(vsha1su0q_u32(w, m[(g + 1) & 3], m[(g + 2) & 3]), m[(g + 3) & 3]);
        }
        abcd = vaddq_u32(abcd, abcdSave);
        e += eSave;
    }
    vst1q_u32(State, abcd);
    State[4] = e;
}

}  // namespace sha1
#endif
