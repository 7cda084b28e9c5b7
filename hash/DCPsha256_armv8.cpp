// SHA-256 with the ARMv8 cryptographic extension, written from Arm's description of SHA256H,
// SHA256H2, SHA256SU0 and SHA256SU1. Compiled with -march=armv8-a+crypto (aarch64 only); the
// kernel table (kernels.cpp) installs it only when the CPU reports SHA-2.
//
// The eight working variables live in two registers, ABCD and EFGH (A and E in lane 0).
// SHA256H and SHA256H2 together run four rounds on four message-plus-constant words: the
// first gives the new ABCD, the second the new EFGH from the old ABCD. SHA256SU0 and SHA256SU1
// together give the next four schedule words from the sixteen before them.
#if defined(__aarch64__)
#include <arm_neon.h>

#include "DCPsha256.h"

namespace sha256 {

void CompressArmv8(uint32_t State[8], const uint8_t* p, size_t Count) {
    uint32x4_t abcd = vld1q_u32(State);
    uint32x4_t efgh = vld1q_u32(State + 4);

    for (; Count > 0; --Count, p += 64) {
        const uint32x4_t abcdSave = abcd, efghSave = efgh;
        // Big-endian words: the bytes of each word reversed.
        uint32x4_t m[4];
        for (int i = 0; i < 4; ++i)
            m[i] = vreinterpretq_u32_u8(vrev32q_u8(vld1q_u8(p + 16 * i)));

#pragma GCC unroll 16
        for (int g = 0; g < 16; ++g) {
            uint32x4_t& w = m[g & 3];
            const uint32x4_t wk = vaddq_u32(w, vld1q_u32(K + 4 * g));
            const uint32x4_t abcdOld = abcd;
            abcd = vsha256hq_u32(abcd, efgh, wk);
            efgh = vsha256h2q_u32(efgh, abcdOld, wk);
            // The words of group g + 4 replace those of group g.
            if (g < 12)
                w = vsha256su1q_u32(vsha256su0q_u32(w, m[(g + 1) & 3]), m[(g + 2) & 3],
                                    m[(g + 3) & 3]);
        }
        abcd = vaddq_u32(abcd, abcdSave);
        efgh = vaddq_u32(efgh, efghSave);
    }
    vst1q_u32(State, abcd);
    vst1q_u32(State + 4, efgh);
}

}  // namespace sha256
#endif
