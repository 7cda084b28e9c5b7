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

inline crcfold::Product Mul(uint64_t a, uint64_t b) {
    const Block p = Clmul(a, b);
    return {Low(p), High(p)};
}

template <class Reg>
struct Width : crcfold::Width<Reg> {
    static Reg Reduce(Block x) { return crcfold::Width<Reg>::Reduce(Low(x), High(x), Mul); }
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
