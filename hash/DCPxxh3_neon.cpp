// XXH3's stripe loop on NEON: the eight accumulators in four 128-bit registers. The 32x32-bit
// products come from umull on the narrowed low and high halves of each lane.
#include <arm_neon.h>

#include "DCPxxh3.h"

namespace xxh3 {

namespace {

inline uint64x2_t Load(const void* p) {
    return vreinterpretq_u64_u8(vld1q_u8(static_cast<const uint8_t*>(p)));
}

// acc[i] += low32(d ^ k) * high32(d ^ k); acc[i ^ 1] += d[i].
inline uint64x2_t Accumulate(uint64x2_t acc, uint64x2_t data, uint64x2_t key) {
    const uint64x2_t keyed = veorq_u64(data, key);
    const uint64x2_t product = vmull_u32(vmovn_u64(keyed), vshrn_n_u64(keyed, 32));
    return vaddq_u64(acc, vaddq_u64(product, vextq_u64(data, data, 1)));
}

// acc = (acc ^ (acc >> 47) ^ key) * kPrime32_1, modulo 2^64.
inline uint64x2_t Scramble(uint64x2_t acc, uint64x2_t key, uint32x2_t prime) {
    const uint64x2_t a = veorq_u64(veorq_u64(acc, vshrq_n_u64(acc, 47)), key);
    const uint64x2_t low = vmull_u32(vmovn_u64(a), prime);
    const uint64x2_t high = vmull_u32(vshrn_n_u64(a, 32), prime);
    return vaddq_u64(low, vshlq_n_u64(high, 32));
}

}  // namespace

void StripesNeon(uint64_t Acc[8], const uint8_t* p, size_t Count, size_t First) {
    uint64x2_t a0 = vld1q_u64(Acc), a1 = vld1q_u64(Acc + 2), a2 = vld1q_u64(Acc + 4),
               a3 = vld1q_u64(Acc + 6);
    const uint32x2_t prime = vdup_n_u32(uint32_t(kPrime32_1));
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
    vst1q_u64(Acc, a0);
    vst1q_u64(Acc + 2, a1);
    vst1q_u64(Acc + 4, a2);
    vst1q_u64(Acc + 6, a3);
}

}  // namespace xxh3
