// CRC-32C with SSE4.2's crc32 instruction. One instruction takes eight bytes but its result is
// ready only some cycles later, while the CPU could start one every cycle; so the input is cut
// into runs of three equal streams, each with a register of its own, and the three registers
// are joined with carry-less multiplications (crcfold.h: kCrc32cJoin).
#include <immintrin.h>

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

// R moved forward by the join multiplier K, not yet reduced: a 64-bit word for crc32_u64.
inline __m128i Shift(uint64_t r, uint32_t k) {
    return _mm_clmulepi64_si128(_mm_cvtsi64_si128(int64_t(r)), _mm_cvtsi32_si128(int(k)), 0x00);
}

}  // namespace

uint32_t UpdateSse42(const uint8_t* p, size_t n, uint32_t reg) {
    using crcfold::kJoinMaxSteps;
    constexpr size_t kJoinStep = crcfold::kCrc32cJoin.kStep;
    constexpr size_t kRunMin = 3 * kJoinStep;
    uint64_t c0 = reg;
    while (n >= kRunMin) {
        const size_t steps = n / kRunMin < kJoinMaxSteps ? n / kRunMin : kJoinMaxSteps;
        const size_t len = steps * kJoinStep;
        uint64_t c1 = 0, c2 = 0;
        const uint8_t* a = p;
        const uint8_t* b = p + len;
        const uint8_t* c = p + 2 * len;
        size_t i = 0;
        for (; i + 32 <= len; i += 32) {
            c0 = _mm_crc32_u64(c0, Load64(a + i));
            c1 = _mm_crc32_u64(c1, Load64(b + i));
            c2 = _mm_crc32_u64(c2, Load64(c + i));
            c0 = _mm_crc32_u64(c0, Load64(a + i + 8));
            c1 = _mm_crc32_u64(c1, Load64(b + i + 8));
            c2 = _mm_crc32_u64(c2, Load64(c + i + 8));
            c0 = _mm_crc32_u64(c0, Load64(a + i + 16));
            c1 = _mm_crc32_u64(c1, Load64(b + i + 16));
            c2 = _mm_crc32_u64(c2, Load64(c + i + 16));
            c0 = _mm_crc32_u64(c0, Load64(a + i + 24));
            c1 = _mm_crc32_u64(c1, Load64(b + i + 24));
            c2 = _mm_crc32_u64(c2, Load64(c + i + 24));
        }
        for (; i < len; i += 8) {
            c0 = _mm_crc32_u64(c0, Load64(a + i));
            c1 = _mm_crc32_u64(c1, Load64(b + i));
            c2 = _mm_crc32_u64(c2, Load64(c + i));
        }
        // The first stream moves over the other two, the second over the third.
        const __m128i t = _mm_xor_si128(Shift(c0, crcfold::kCrc32cJoin.By[2 * steps]),
                                        Shift(c1, crcfold::kCrc32cJoin.By[steps]));
        c0 = c2 ^ _mm_crc32_u64(0, uint64_t(_mm_cvtsi128_si64(t)));
        p += 3 * len;
        n -= 3 * len;
    }
    for (; n >= 8; n -= 8, p += 8)
        c0 = _mm_crc32_u64(c0, Load64(p));
    uint32_t r = uint32_t(c0);
    for (; n > 0; --n)
        r = _mm_crc32_u8(r, *p++);
    return r;
}

}  // namespace crc32c
