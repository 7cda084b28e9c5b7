// CRC-32C with two kinds of units at once: SSE4.2's crc32 instruction runs on the integer side
// and VPCLMULQDQ (on 256-bit vectors, AVX2 is enough) on the vector side, so one loop that
// feeds both does more than either alone. A block is cut into three equal streams for crc32
// (each with a register of its own, as in DCPcrc32c_sse42.cpp) and, after them, a vector region
// of twice a stream's length, folded by four accumulators of two 128-bit lanes. Each step takes
// 64 bytes of every stream and 128 bytes of the vector region. At the end the accumulators are
// folded into one 16-byte block, which stands for the whole region and goes through crc32 like
// any 16 bytes of message; the three stream registers are moved forward over what follows them
// with carry-less multiplications and all four joined. Constants and conventions: crcfold.h.
#include <immintrin.h>

#include <cstring>
#include <iterator>

#include "DCPcrc32c.h"
#include "crcfold.h"

namespace crc32c {

namespace {

using crcfold::FoldPair;

// Little-endian, as every target we build for (DCPcrypt2.h); the engine's shared loaders are
// not used here, so that no copy of them is compiled with this file's instruction set.
inline uint64_t Load64(const uint8_t* p) {
    uint64_t v;
    std::memcpy(&v, p, 8);
    return v;
}

inline __m256i Load(const uint8_t* p) {
    return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p));
}

inline __m256i Pair2(FoldPair f) {
    const auto lo = int64_t(f.Low), hi = int64_t(f.High);
    return _mm256_set_epi64x(hi, lo, hi, lo);
}

// Both lanes of X moved forward by the pair's distance, xored with Y.
inline __m256i FoldXor(__m256i x, __m256i k, __m256i y) {
    const __m256i moved = _mm256_xor_si256(_mm256_clmulepi64_epi128(x, k, 0x00),
                                           _mm256_clmulepi64_epi128(x, k, 0x11));
    return _mm256_xor_si256(moved, y);
}

// R moved forward by the join multiplier K, not yet reduced: a 64-bit word for crc32_u64.
inline __m128i Shift(uint64_t r, uint32_t k) {
    return _mm_clmulepi64_si128(_mm_cvtsi64_si128(int64_t(r)), _mm_cvtsi32_si128(int(k)), 0x00);
}

constexpr size_t kStream = 64;   // bytes of each stream per step
constexpr size_t kVector = 128;  // bytes of the vector region per step
constexpr size_t kStep = 3 * kStream + kVector;
// Blocks of 4 to 64 steps (1280 bytes to 20 KiB); shorter inputs take the three-stream code.
constexpr size_t kMinSteps = 4;
constexpr size_t kMaxSteps = 64;
constexpr auto& kJoin = crcfold::kCrc32cJoin64;
static_assert(kJoin.kStep == kStream && 4 * kMaxSteps < std::size(kJoin.By));

}  // namespace

uint32_t UpdateVpclmul256(const uint8_t* p, size_t n, uint32_t reg) {
    const crcfold::Constants& c = crcfold::kCrc32c;
    const __m256i k1024 = Pair2(c.By1024);
    while (n >= kMinSteps * kStep) {
        const size_t steps = n / kStep < kMaxSteps ? n / kStep : kMaxSteps;
        const size_t len = steps * kStream;
        const uint8_t* a = p;
        const uint8_t* b = p + len;
        const uint8_t* d = p + 2 * len;
        const uint8_t* v = p + 3 * len;
        uint64_t c0 = reg, c1 = 0, c2 = 0;
        __m256i z0 = Load(v), z1 = Load(v + 32), z2 = Load(v + 64), z3 = Load(v + 96);
        v += kVector;
        for (size_t i = 0; i < len; i += kStream) {
            for (size_t j = 0; j < kStream; j += 8) {
                c0 = _mm_crc32_u64(c0, Load64(a + i + j));
                c1 = _mm_crc32_u64(c1, Load64(b + i + j));
                c2 = _mm_crc32_u64(c2, Load64(d + i + j));
            }
            // The vector region's first 128 bytes were loaded above: one fold fewer.
            if (i + kStream < len) {
                z0 = FoldXor(z0, k1024, Load(v));
                z1 = FoldXor(z1, k1024, Load(v + 32));
                z2 = FoldXor(z2, k1024, Load(v + 64));
                z3 = FoldXor(z3, k1024, Load(v + 96));
                v += kVector;
            }
        }
        // The vector region to one block, then to a register as from 0.
        __m256i z = FoldXor(z0, Pair2(c.By768), z3);
        z = FoldXor(z1, Pair2(c.By512), z);
        z = FoldXor(z2, Pair2(c.By256), z);
        const __m128i lo = _mm256_castsi256_si128(z), hi = _mm256_extracti128_si256(z, 1);
        const __m128i k128 = _mm_set_epi64x(int64_t(c.By128.High), int64_t(c.By128.Low));
        const __m128i x = _mm_xor_si128(_mm_xor_si128(_mm_clmulepi64_si128(lo, k128, 0x00),
                                                      _mm_clmulepi64_si128(lo, k128, 0x11)),
                                        hi);
        uint64_t rv = _mm_crc32_u64(0, uint64_t(_mm_cvtsi128_si64(x)));
        rv = _mm_crc32_u64(rv, uint64_t(_mm_extract_epi64(x, 1)));
        // Each stream's register moves over the streams after it and the vector region.
        const __m128i t = _mm_xor_si128(
            _mm_xor_si128(Shift(c0, kJoin.By[4 * steps]), Shift(c1, kJoin.By[3 * steps])),
            Shift(c2, kJoin.By[2 * steps]));
        reg = uint32_t(rv ^ _mm_crc32_u64(0, uint64_t(_mm_cvtsi128_si64(t))));
        p += steps * kStep;
        n -= steps * kStep;
    }
    return UpdateSse42(p, n, reg);
}

}  // namespace crc32c
