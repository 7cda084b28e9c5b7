// CRC-32 and CRC-64/XZ by folding with the ARMv8 PMULL instruction: the same steps as the
// PCLMULQDQ code (checksums_pclmul.cpp), eight 128-bit accumulators taking 128 bytes a step,
// then one block at a time, and Barrett reduction of the last block. The constants and the bit
// conventions are in crcfold.h. Compiled with -march=armv8-a+crypto (aarch64 only); the kernel
// table (kernels.cpp) installs it only when the CPU reports PMULL.
#if defined(__aarch64__)
#include <arm_neon.h>

#include "checksums.h"
#include "crcfold.h"

namespace checksums {

namespace {

using crcfold::FoldPair;
// A 128-bit block: lane 0 holds its low quadword.
using Block = uint64x2_t;

inline uint64_t Low(Block v) {
    return vgetq_lane_u64(v, 0);
}
inline uint64_t High(Block v) {
    return vgetq_lane_u64(v, 1);
}
inline Block Make(uint64_t low, uint64_t high) {
    return vcombine_u64(vcreate_u64(low), vcreate_u64(high));
}
inline Block Pair(FoldPair f) {
    return Make(f.Low, f.High);
}
inline Block Load(const uint8_t* p) {
    return vreinterpretq_u64_u8(vld1q_u8(p));
}
inline Block Xor(Block a, Block b) {
    return veorq_u64(a, b);
}

// The carry-less product of two quadwords.
inline Block Clmul(uint64_t a, uint64_t b) {
    return vreinterpretq_u64_p128(vmull_p64(poly64_t(a), poly64_t(b)));
}

// X moved forward by the pair's distance (still congruent modulo P, 128 bits wide).
inline Block Fold(Block x, Block k) {
    return Xor(Clmul(Low(x), Low(k)), Clmul(High(x), High(k)));
}

// X * x^32 mod P for the block X.
uint32_t Reduce32(Block x) {
    const auto& c = crcfold::kCrc32;
    // X * x^32 folded to degree < 96, then its top 32 bits folded down: V2 of degree < 64,
    // its 64 powers in R64 form.
    const Block v1 = Fold(x, Pair(c.By32));
    const uint64_t v2 = High(Xor(Clmul(Low(v1), c.By64Low), v1));
    // Barrett: V2 = H * x^32 + L; q = floor(H * mu / x^32) = H + floor(H * mu' / x^32);
    // V2 mod P = L + (q * P' mod x^32).
    const uint64_t h = v2 << 32;
    const uint64_t q = h ^ (High(Clmul(h, c.Mu)) << 33);
    return uint32_t(v2 >> 32) ^ uint32_t(High(Clmul(q, c.P)) >> 31);
}

// X * x^64 mod P for the block X.
uint64_t Reduce64(Block x) {
    const auto& c = crcfold::kCrc64;
    // X * x^64 = A0 * x^128 + A1 * x^64: the low quadword A0 folded by 128 bits, the high
    // quadword A1 moved up by 64.
    const Block v = Xor(Clmul(Low(x), c.By128Low), Make(High(x), 0));
    // Barrett: V = H * x^64 + L; q = H + floor(H * mu' / x^64); V mod P = L + (q * P' mod x^64).
    const uint64_t h = Low(v), l = High(v);
    const uint64_t q = h ^ (Low(Clmul(h, c.Mu)) << 1);
    const Block z = Clmul(q, c.P);
    return l ^ ((High(z) << 1) | (Low(z) >> 63));
}

template <class Reg>
struct Width;
template <>
struct Width<uint32_t> {
    static constexpr const crcfold::Constants& C = crcfold::kCrc32;
    static uint32_t Reduce(Block x) { return Reduce32(x); }
    static uint32_t Bytes(const uint8_t* p, size_t n, uint32_t r) { return Crc32Portable(p, n, r); }
};
template <>
struct Width<uint64_t> {
    static constexpr const crcfold::Constants& C = crcfold::kCrc64;
    static uint64_t Reduce(Block x) { return Reduce64(x); }
    static uint64_t Bytes(const uint8_t* p, size_t n, uint64_t r) { return Crc64Portable(p, n, r); }
};

// Shorter inputs go to the table code: folding only pays from a few blocks on.
constexpr size_t kMinFold = 64;

template <class Reg>
Reg Update(const uint8_t* p, size_t n, Reg reg) {
    using W = Width<Reg>;
    if (n < kMinFold) return W::Bytes(p, n, reg);
    // The register joins the first bytes: reg * x^len = the register xored onto the message.
    Block x = Xor(Load(p), Make(uint64_t(reg), 0));
    p += 16;
    n -= 16;
    if (n >= 240) {
        Block a[8] = {x};
        for (int i = 1; i < 8; ++i)
            a[i] = Load(p + 16 * (i - 1));
        p += 112;
        n -= 112;
        const Block k = Pair(W::C.By1024);
        for (; n >= 128; n -= 128, p += 128)
            for (int i = 0; i < 8; ++i)
                a[i] = Xor(Fold(a[i], k), Load(p + 16 * i));
        // Each accumulator moves forward onto the last one.
        const FoldPair by[7] = {W::C.By896, W::C.By768, W::C.By640, W::C.By512,
                                W::C.By384, W::C.By256, W::C.By128};
        x = a[7];
        for (int i = 0; i < 7; ++i)
            x = Xor(x, Fold(a[i], Pair(by[i])));
    }
    const Block k128 = Pair(W::C.By128);
    for (; n >= 16; n -= 16, p += 16)
        x = Xor(Fold(x, k128), Load(p));
    const Reg r = W::Reduce(x);
    return n ? W::Bytes(p, n, r) : r;
}

}  // namespace

uint32_t Crc32Pmull(const uint8_t* p, size_t n, uint32_t reg) {
    return Update<uint32_t>(p, n, reg);
}

uint64_t Crc64Pmull(const uint8_t* p, size_t n, uint64_t reg) {
    return Update<uint64_t>(p, n, reg);
}

}  // namespace checksums
#endif
