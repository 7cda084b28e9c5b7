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

inline crcfold::Product Mul(uint64_t a, uint64_t b) {
    const __m128i p = Clmul(a, b);
    return {Low(p), High(p)};
}

template <class Reg>
struct Width : crcfold::Width<Reg> {
    static Reg Reduce(__m128i x) { return crcfold::Width<Reg>::Reduce(Low(x), High(x), Mul); }
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
