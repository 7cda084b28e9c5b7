// CRC-32 and CRC-64/XZ by folding with VPCLMULQDQ on 512-bit vectors: four accumulators of
// four 128-bit lanes take 256 bytes a step, each lane folded 2048 bits forward. The four are
// then folded into one vector, the rest of the whole 64-byte pieces folded in, the four lanes
// folded into one block, and the PCLMULQDQ code finishes. Constants: crcfold.h.
#include <immintrin.h>

#include "checksums.h"
#include "crcfold.h"

namespace checksums {

namespace {

using crcfold::FoldPair;

inline __m512i Pair4(FoldPair f) {
    const auto lo = int64_t(f.Low), hi = int64_t(f.High);
    return _mm512_set_epi64(hi, lo, hi, lo, hi, lo, hi, lo);
}

inline __m512i Load(const uint8_t* p) {
    return _mm512_loadu_si512(p);
}

// Every lane of X moved forward by its pair's distance, xored with Y.
inline __m512i FoldXor(__m512i x, __m512i k, __m512i y) {
    return _mm512_ternarylogic_epi64(_mm512_clmulepi64_epi128(x, k, 0x00),
                                     _mm512_clmulepi64_epi128(x, k, 0x11), y, 0x96);
}

// Folding only pays from a few vectors on; shorter inputs take the PCLMULQDQ code.
constexpr size_t kMinFold = 512;

template <class Reg>
__m128i FoldToBlock(const crcfold::Constants& c, const uint8_t*& p, size_t& n, Reg reg) {
    // The register joins the first bytes of the message.
    __m512i z0 = _mm512_xor_si512(Load(p), _mm512_zextsi128_si512(_mm_cvtsi64_si128(int64_t(reg))));
    __m512i z1 = Load(p + 64), z2 = Load(p + 128), z3 = Load(p + 192);
    p += 256;
    n -= 256;
    const __m512i k = Pair4(c.By2048);
    for (; n >= 256; n -= 256, p += 256) {
        z0 = FoldXor(z0, k, Load(p));
        z1 = FoldXor(z1, k, Load(p + 64));
        z2 = FoldXor(z2, k, Load(p + 128));
        z3 = FoldXor(z3, k, Load(p + 192));
    }
    __m512i z = FoldXor(z0, Pair4(c.By1536), z3);
    z = FoldXor(z1, Pair4(c.By1024), z);
    z = FoldXor(z2, Pair4(c.By512), z);
    const __m512i k512 = Pair4(c.By512);
    for (; n >= 64; n -= 64, p += 64)
        z = FoldXor(z, k512, Load(p));
    // Lanes 0..2 forward by 384, 256 and 128 bits onto lane 3 (a zero pair drops lane 3).
    const __m512i lanes =
        _mm512_set_epi64(0, 0, int64_t(c.By128.High), int64_t(c.By128.Low), int64_t(c.By256.High),
                         int64_t(c.By256.Low), int64_t(c.By384.High), int64_t(c.By384.Low));
    // (The zero-masking forms of the extracts, because GCC warns about the merging forms.)
    const __m512i y =
        FoldXor(z, lanes, _mm512_zextsi128_si512(_mm512_maskz_extracti32x4_epi32(0xF, z, 3)));
    const __m256i half = _mm256_xor_si256(_mm512_maskz_extracti64x4_epi64(0xF, y, 0),
                                          _mm512_maskz_extracti64x4_epi64(0xF, y, 1));
    return _mm_xor_si128(_mm256_castsi256_si128(half), _mm256_extracti128_si256(half, 1));
}

}  // namespace

uint32_t Crc32Vpclmul(const uint8_t* p, size_t n, uint32_t reg) {
    if (n < kMinFold) return Crc32Pclmul(p, n, reg);
    const __m128i x = FoldToBlock(crcfold::kCrc32, p, n, reg);
    return detail::Crc32FromBlock(x, p, n);
}

uint64_t Crc64Vpclmul(const uint8_t* p, size_t n, uint64_t reg) {
    if (n < kMinFold) return Crc64Pclmul(p, n, reg);
    const __m128i x = FoldToBlock(crcfold::kCrc64, p, n, reg);
    return detail::Crc64FromBlock(x, p, n);
}

}  // namespace checksums
