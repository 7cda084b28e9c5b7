// CRC-32 and CRC-64/XZ by folding with VPCLMULQDQ on 256-bit vectors, for CPUs that have the
// instruction without AVX-512: eight accumulators of two 128-bit lanes take 256 bytes a step,
// each lane folded 2048 bits forward. The eight are then folded onto the last, the rest of the
// whole 32-byte pieces folded in, the lower lane folded onto the upper, and the PCLMULQDQ code
// finishes. Constants: crcfold.h.
#include <immintrin.h>

#include "checksums.h"
#include "crcfold.h"

namespace checksums {

namespace {

using crcfold::FoldPair;

inline __m256i Pair2(FoldPair f) {
    const auto lo = int64_t(f.Low), hi = int64_t(f.High);
    return _mm256_set_epi64x(hi, lo, hi, lo);
}

inline __m256i Load(const uint8_t* p) {
    return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p));
}

// Every lane of X moved forward by its pair's distance, xored with Y. Y joins the first
// product, so that the chain from X to the result is one multiply and one xor.
inline __m256i FoldXor(__m256i x, __m256i k, __m256i y) {
    return _mm256_xor_si256(_mm256_xor_si256(_mm256_clmulepi64_epi128(x, k, 0x00), y),
                            _mm256_clmulepi64_epi128(x, k, 0x11));
}

// Folding only pays from a few steps on; shorter inputs take the PCLMULQDQ code.
constexpr size_t kMinFold = 512;

template <class Reg>
__m128i FoldToBlock(const crcfold::Constants& c, const uint8_t*& p, size_t& n, Reg reg) {
    // The register joins the first bytes of the message.
    __m256i z0 = _mm256_xor_si256(Load(p), _mm256_zextsi128_si256(_mm_cvtsi64_si128(int64_t(reg))));
    __m256i z1 = Load(p + 32), z2 = Load(p + 64), z3 = Load(p + 96), z4 = Load(p + 128),
            z5 = Load(p + 160), z6 = Load(p + 192), z7 = Load(p + 224);
    p += 256;
    n -= 256;
    const __m256i k = Pair2(c.By2048);
    for (; n >= 256; n -= 256, p += 256) {
        z0 = FoldXor(z0, k, Load(p));
        z1 = FoldXor(z1, k, Load(p + 32));
        z2 = FoldXor(z2, k, Load(p + 64));
        z3 = FoldXor(z3, k, Load(p + 96));
        z4 = FoldXor(z4, k, Load(p + 128));
        z5 = FoldXor(z5, k, Load(p + 160));
        z6 = FoldXor(z6, k, Load(p + 192));
        z7 = FoldXor(z7, k, Load(p + 224));
    }
    // Accumulator i lies (7 - i) * 256 bits before the last.
    __m256i z = FoldXor(z0, Pair2(c.By1792), z7);
    z = FoldXor(z1, Pair2(c.By1536), z);
    z = FoldXor(z2, Pair2(c.By1280), z);
    z = FoldXor(z3, Pair2(c.By1024), z);
    z = FoldXor(z4, Pair2(c.By768), z);
    z = FoldXor(z5, Pair2(c.By512), z);
    z = FoldXor(z6, Pair2(c.By256), z);
    const __m256i k256 = Pair2(c.By256);
    for (; n >= 32; n -= 32, p += 32)
        z = FoldXor(z, k256, Load(p));
    // The lower lane forward by 128 bits onto the upper one.
    const __m128i lower = _mm256_castsi256_si128(z);
    const __m128i k128 = _mm_set_epi64x(int64_t(c.By128.High), int64_t(c.By128.Low));
    return _mm_xor_si128(
        _mm_xor_si128(_mm_clmulepi64_si128(lower, k128, 0x00), _mm256_extracti128_si256(z, 1)),
        _mm_clmulepi64_si128(lower, k128, 0x11));
}

}  // namespace

uint32_t Crc32Vpclmul256(const uint8_t* p, size_t n, uint32_t reg) {
    if (n < kMinFold) return Crc32Pclmul(p, n, reg);
    const __m128i x = FoldToBlock(crcfold::kCrc32, p, n, reg);
    return detail::Crc32FromBlock(x, p, n);
}

uint64_t Crc64Vpclmul256(const uint8_t* p, size_t n, uint64_t reg) {
    if (n < kMinFold) return Crc64Pclmul(p, n, reg);
    const __m128i x = FoldToBlock(crcfold::kCrc64, p, n, reg);
    return detail::Crc64FromBlock(x, p, n);
}

}  // namespace checksums
