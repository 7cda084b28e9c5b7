// CRC-32C with ARMv8's crc32c instructions: as on x86 (DCPcrc32c_sse42.cpp), three streams with
// registers of their own keep the instruction busy, and PMULL joins them (crcfold.h:
// kCrc32cJoin).
#include <arm_acle.h>
#include <arm_neon.h>

#include <cstring>

#include "DCPcrc32c.h"
#include "crcfold.h"

namespace crc32c {

namespace {

// Little-endian, as every target we build for (DCPcrypt2.h); the engine's shared loaders are
// not used here, so that no copy of them is compiled with this file's instruction set.
inline uint64_t Load64(const uint8_t* p) {
    uint64_t v;
    std::memcpy(&v, p, 8);
    return v;
}

// R moved forward by the join multiplier K, not yet reduced: a 64-bit word for crc32cd.
inline uint64_t Shift(uint32_t r, uint32_t k) {
    return vgetq_lane_u64(vreinterpretq_u64_p128(vmull_p64(poly64_t(r), poly64_t(k))), 0);
}

}  // namespace

uint32_t UpdateArmv8(const uint8_t* p, size_t n, uint32_t reg) {
    using crcfold::kJoinMaxSteps;
    constexpr size_t kJoinStep = crcfold::kCrc32cJoin.kStep;
    constexpr size_t kRunMin = 3 * kJoinStep;
    uint32_t c0 = reg;
    while (n >= kRunMin) {
        const size_t steps = n / kRunMin < kJoinMaxSteps ? n / kRunMin : kJoinMaxSteps;
        const size_t len = steps * kJoinStep;
        uint32_t c1 = 0, c2 = 0;
        const uint8_t* a = p;
        const uint8_t* b = p + len;
        const uint8_t* c = p + 2 * len;
        for (size_t i = 0; i < len; i += 8) {
            c0 = __crc32cd(c0, Load64(a + i));
            c1 = __crc32cd(c1, Load64(b + i));
            c2 = __crc32cd(c2, Load64(c + i));
        }
        // The first stream moves over the other two, the second over the third.
        const uint64_t t = Shift(c0, crcfold::kCrc32cJoin.By[2 * steps]) ^
                           Shift(c1, crcfold::kCrc32cJoin.By[steps]);
        c0 = c2 ^ __crc32cd(0, t);
        p += 3 * len;
        n -= 3 * len;
    }
    for (; n >= 8; n -= 8, p += 8)
        c0 = __crc32cd(c0, Load64(p));
    for (; n > 0; --n)
        c0 = __crc32cb(c0, *p++);
    return c0;
}

}  // namespace crc32c
