// BLAKE3's many-input kernel on 4 lanes of NEON (blake3_lanes.h), aarch64 only; called when
// the system reports Advanced SIMD.
#include <arm_neon.h>

#include "blake3_lanes.h"

namespace blake3 {

namespace {

struct Neon {
    using V = uint32x4_t;
    static constexpr size_t kLanes = 4;
    static constexpr int kRegisters = 32;

    static V Set1(uint32_t x) { return vdupq_n_u32(x); }
    static V Load(const uint32_t* p) { return vld1q_u32(p); }
    static void Store(V x, uint32_t* p) { vst1q_u32(p, x); }
    static V Add(V a, V b) { return vaddq_u32(a, b); }
    static V Xor(V a, V b) { return veorq_u32(a, b); }
    // By 16: the halfwords of each word swapped. Otherwise the left shift, then the right
    // shift inserted under it.
    static V Rot16(V x) { return vreinterpretq_u32_u16(vrev32q_u16(vreinterpretq_u16_u32(x))); }
    static V Rot12(V x) { return vsriq_n_u32(vshlq_n_u32(x, 20), x, 12); }
    static V Rot8(V x) { return vsriq_n_u32(vshlq_n_u32(x, 24), x, 8); }
    static V Rot7(V x) { return vsriq_n_u32(vshlq_n_u32(x, 25), x, 7); }

    // Four words of each input at a time, transposed.
    static void LoadMessage(const uint8_t* const* in, size_t offset, V m[16]) {
        for (int q = 0; q < 4; ++q) {
            const V r0 = vreinterpretq_u32_u8(vld1q_u8(in[0] + offset + 16 * q));
            const V r1 = vreinterpretq_u32_u8(vld1q_u8(in[1] + offset + 16 * q));
            const V r2 = vreinterpretq_u32_u8(vld1q_u8(in[2] + offset + 16 * q));
            const V r3 = vreinterpretq_u32_u8(vld1q_u8(in[3] + offset + 16 * q));
            const uint32x4x2_t ab = vtrnq_u32(r0, r1);  // a0 b0 a2 b2, a1 b1 a3 b3
            const uint32x4x2_t cd = vtrnq_u32(r2, r3);  // c0 d0 c2 d2, c1 d1 c3 d3
            m[4 * q + 0] = vcombine_u32(vget_low_u32(ab.val[0]), vget_low_u32(cd.val[0]));
            m[4 * q + 1] = vcombine_u32(vget_low_u32(ab.val[1]), vget_low_u32(cd.val[1]));
            m[4 * q + 2] = vcombine_u32(vget_high_u32(ab.val[0]), vget_high_u32(cd.val[0]));
            m[4 * q + 3] = vcombine_u32(vget_high_u32(ab.val[1]), vget_high_u32(cd.val[1]));
        }
    }
};

}  // namespace

void HashManyNeon(const uint8_t* const* Inputs, size_t Count, size_t Blocks, const uint32_t Key[8],
                  uint64_t Counter, bool IncrementCounter, uint8_t Flags, uint8_t FlagsStart,
                  uint8_t FlagsEnd, uint8_t* Out) {
    // A lone input is faster on the portable code; two or more take a pass of four lanes.
    const size_t done = lanes::HashMany<Neon>(Inputs, Count, Blocks, Key, Counter, IncrementCounter,
                                              Flags, FlagsStart, FlagsEnd, Out, 2);
    if (done < Count)
        HashManyPortable(Inputs + done, Count - done, Blocks, Key,
                         Counter + (IncrementCounter ? done : 0), IncrementCounter, Flags,
                         FlagsStart, FlagsEnd, Out + done * kCvLen);
}

}  // namespace blake3
