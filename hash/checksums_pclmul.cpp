// CRC-32 and CRC-64/XZ by folding with PCLMULQDQ: eight 128-bit accumulators take 128 bytes
// a step, each folded 1024 bits forward onto the block eight places on; the eight are folded
// into one, the rest of the whole blocks one at a time, and Barrett reduction turns the last
// block into the register. The constants and the bit conventions are in crcfold.h.
#include <immintrin.h>

#include "checksums.h"
#include "crcfold.h"

namespace checksums {

namespace {

using crcfold::FoldPair;

inline __m128i Pair(FoldPair f) {
    return _mm_set_epi64x(int64_t(f.High), int64_t(f.Low));
}

inline __m128i Load(const uint8_t* p) {
    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
}

// X moved forward by the pair's distance (still congruent modulo P, 128 bits wide).
inline __m128i Fold(__m128i x, __m128i k) {
    return _mm_xor_si128(_mm_clmulepi64_si128(x, k, 0x00), _mm_clmulepi64_si128(x, k, 0x11));
}

inline __m128i Clmul(uint64_t a, uint64_t b) {
    return _mm_clmulepi64_si128(_mm_cvtsi64_si128(int64_t(a)), _mm_cvtsi64_si128(int64_t(b)), 0);
}

inline uint64_t Low(__m128i v) {
    return uint64_t(_mm_cvtsi128_si64(v));
}
inline uint64_t High(__m128i v) {
    return uint64_t(_mm_extract_epi64(v, 1));
}

// X * x^32 mod P for the block X.
uint32_t Reduce32(__m128i x) {
    const auto& c = crcfold::kCrc32;
    // X * x^32 folded to degree < 96, then its top 32 bits folded down: V2 of degree < 64,
    // its 64 powers in R64 form.
    const __m128i v1 = Fold(x, Pair(c.By32));
    const uint64_t v2 = High(_mm_xor_si128(Clmul(Low(v1), c.By64Low), v1));
    // Barrett: V2 = H * x^32 + L; q = floor(H * mu / x^32) = H + floor(H * mu' / x^32);
    // V2 mod P = L + (q * P' mod x^32).
    const uint64_t h = v2 << 32;
    const uint64_t q = h ^ (High(Clmul(h, c.Mu)) << 33);
    return uint32_t(v2 >> 32) ^ uint32_t(High(Clmul(q, c.P)) >> 31);
}

// X * x^64 mod P for the block X.
uint64_t Reduce64(__m128i x) {
    const auto& c = crcfold::kCrc64;
    // X * x^64 = A0 * x^128 + A1 * x^64: the low quadword A0 folded by 128 bits, the high
    // quadword A1 moved up by 64.
    const __m128i v = _mm_xor_si128(_mm_clmulepi64_si128(x, _mm_cvtsi64_si128(c.By128Low), 0),
                                    _mm_srli_si128(x, 8));
    // Barrett: V = H * x^64 + L; q = H + floor(H * mu' / x^64); V mod P = L + (q * P' mod x^64).
    const uint64_t h = Low(v), l = High(v);
    const uint64_t q = h ^ (Low(Clmul(h, c.Mu)) << 1);
    const __m128i z = Clmul(q, c.P);
    return l ^ ((High(z) << 1) | (Low(z) >> 63));
}

template <class Reg>
struct Width;
template <>
struct Width<uint32_t> {
    static constexpr const crcfold::Constants& C = crcfold::kCrc32;
    static uint32_t Reduce(__m128i x) { return Reduce32(x); }
    static uint32_t Bytes(const uint8_t* p, size_t n, uint32_t r) { return Crc32Portable(p, n, r); }
};
template <>
struct Width<uint64_t> {
    static constexpr const crcfold::Constants& C = crcfold::kCrc64;
    static uint64_t Reduce(__m128i x) { return Reduce64(x); }
    static uint64_t Bytes(const uint8_t* p, size_t n, uint64_t r) { return Crc64Portable(p, n, r); }
};

template <class Reg>
Reg FromBlock(__m128i x, const uint8_t* p, size_t n) {
    using W = Width<Reg>;
    const __m128i k128 = Pair(W::C.By128);
    for (; n >= 16; n -= 16, p += 16)
        x = _mm_xor_si128(Fold(x, k128), Load(p));
    const Reg reg = W::Reduce(x);
    return n ? W::Bytes(p, n, reg) : reg;
}

// Shorter inputs go to the table code: folding only pays from a few blocks on.
constexpr size_t kMinFold = 64;

template <class Reg>
Reg Update(const uint8_t* p, size_t n, Reg reg) {
    using W = Width<Reg>;
    if (n < kMinFold) return W::Bytes(p, n, reg);
    // The register joins the first bytes: reg * x^len = the register xored onto the message.
    __m128i x = _mm_xor_si128(Load(p), _mm_cvtsi64_si128(int64_t(reg)));
    p += 16;
    n -= 16;
    if (n >= 240) {
        __m128i x0 = x, x1 = Load(p), x2 = Load(p + 16), x3 = Load(p + 32), x4 = Load(p + 48),
                x5 = Load(p + 64), x6 = Load(p + 80), x7 = Load(p + 96);
        p += 112;
        n -= 112;
        const __m128i k = Pair(W::C.By1024);
        for (; n >= 128; n -= 128, p += 128) {
            x0 = _mm_xor_si128(Fold(x0, k), Load(p));
            x1 = _mm_xor_si128(Fold(x1, k), Load(p + 16));
            x2 = _mm_xor_si128(Fold(x2, k), Load(p + 32));
            x3 = _mm_xor_si128(Fold(x3, k), Load(p + 48));
            x4 = _mm_xor_si128(Fold(x4, k), Load(p + 64));
            x5 = _mm_xor_si128(Fold(x5, k), Load(p + 80));
            x6 = _mm_xor_si128(Fold(x6, k), Load(p + 96));
            x7 = _mm_xor_si128(Fold(x7, k), Load(p + 112));
        }
        // Each accumulator moves forward onto the last one.
        const __m128i a = _mm_xor_si128(Fold(x0, Pair(W::C.By896)), Fold(x1, Pair(W::C.By768)));
        const __m128i b = _mm_xor_si128(Fold(x2, Pair(W::C.By640)), Fold(x3, Pair(W::C.By512)));
        const __m128i c = _mm_xor_si128(Fold(x4, Pair(W::C.By384)), Fold(x5, Pair(W::C.By256)));
        const __m128i d = _mm_xor_si128(Fold(x6, Pair(W::C.By128)), x7);
        x = _mm_xor_si128(_mm_xor_si128(a, b), _mm_xor_si128(c, d));
    }
    return FromBlock<Reg>(x, p, n);
}

}  // namespace

namespace detail {
uint32_t Crc32FromBlock(__m128i x, const uint8_t* p, size_t n) {
    return FromBlock<uint32_t>(x, p, n);
}
uint64_t Crc64FromBlock(__m128i x, const uint8_t* p, size_t n) {
    return FromBlock<uint64_t>(x, p, n);
}
}  // namespace detail

uint32_t Crc32Pclmul(const uint8_t* p, size_t n, uint32_t reg) {
    return Update<uint32_t>(p, n, reg);
}

uint64_t Crc64Pclmul(const uint8_t* p, size_t n, uint64_t reg) {
    return Update<uint64_t>(p, n, reg);
}

}  // namespace checksums
