// Constants for computing a reflected CRC by carry-less multiplication: folding 128-bit
// blocks forward with x^k mod P, and Barrett reduction of the last block to the register
// (the method of Intel's white paper "Fast CRC Computation for Generic Polynomials Using
// PCLMULQDQ Instruction", 2009). Everything is derived here from the generator polynomial at
// compile time, so no constant is typed in by hand.
//
// Bit conventions (reflected data: the first bit of the message is the highest power):
// - A 64-bit word w "in R64 form" stands for the polynomial sum of w_j * x^(63-j).
// - A 128-bit block loaded little-endian from the message stands for sum of b_m * x^(127-m):
//   its low quadword holds the high 64 powers.
// - The carry-less product of two R64 words a and c is a 127-bit value whose bit m stands for
//   x^(126-m). Read as a 128-bit block it is the polynomial a * c * x. So multiplying a
//   quadword by R64(x^(e-1) mod P) moves it forward by x^e, and the product is again a block
//   in message form.
// - A reflected CRC register of width n has bit j standing for x^(n-1-j).
//
// Everything sits in an unnamed namespace: the files that include this header are compiled
// with different instruction sets, and nothing here may be shared between them at link time.
#pragma once

#include <cstddef>
#include <cstdint>

#include "checksums.h"

namespace crcfold {
namespace {

// A CRC generator polynomial of degree Width (32 or 64), written as its low Width bits in the
// normal (unreflected) order: bit d stands for x^d, the x^Width term is implied.
struct Poly {
    int Width;
    uint64_t Low;
};

// The CRC-32 of ISO-HDLC/zlib, the CRC-64 of ECMA-182 (as used by XZ) and CRC-32C
// (Castagnoli, as iSCSI).
constexpr Poly kCrc32Poly{32, 0x04C11DB7u};
constexpr Poly kCrc64Poly{64, 0x42F0E1EBA9EA3693ull};
constexpr Poly kCrc32cPoly{32, 0x1EDC6F41u};

constexpr uint64_t Reverse64(uint64_t v) {
    uint64_t r = 0;
    for (int i = 0; i < 64; ++i, v >>= 1)
        r = (r << 1) | (v & 1);
    return r;
}

// x^e mod P in normal order.
constexpr uint64_t XPowMod(Poly p, unsigned e) {
    const uint64_t top = uint64_t(1) << (p.Width - 1);
    const uint64_t mask = p.Width == 64 ? ~uint64_t(0) : (uint64_t(1) << p.Width) - 1;
    uint64_t r = 1;
    for (unsigned i = 0; i < e; ++i) {
        const bool carry = r & top;
        r = (r << 1) & mask;
        if (carry) r ^= p.Low;
    }
    return r;
}

// floor(x^(2n) / P) for n = Width, by long division. The quotient has degree n; its x^n term
// is implied and the low n bits are returned in normal order.
constexpr uint64_t BarrettQuotient(Poly p) {
    using u128 = unsigned __int128;
    const u128 full = (u128(1) << p.Width) | p.Low;
    u128 rem = 0, quotient = 0;
    for (int i = 2 * p.Width; i >= 0; --i) {
        rem = (rem << 1) | (i == 2 * p.Width ? 1 : 0);
        if ((rem >> p.Width) & 1) {
            quotient |= u128(1) << i;
            rem ^= full;
        }
    }
    return uint64_t(quotient ^ (u128(1) << p.Width));  // without the x^n term
}

// The R64 form of a polynomial of degree below 64 given in normal order.
constexpr uint64_t R64(uint64_t normal) {
    return Reverse64(normal);
}

// Multiplier that moves an R64 quadword forward by x^e (see the conventions above).
constexpr uint64_t Shift(Poly p, unsigned e) {
    return R64(XPowMod(p, e - 1));
}

// The two multipliers that fold a 128-bit block F bits forward: its low quadword (powers
// 127..64) moves by x^(F+64), its high quadword (powers 63..0) by x^F.
struct FoldPair {
    uint64_t Low, High;
};
constexpr FoldPair Fold(Poly p, unsigned bits) {
    return {Shift(p, bits + 64), Shift(p, bits)};
}

struct Constants {
    FoldPair By128;   // one block to the next
    FoldPair By256;   // two blocks on
    FoldPair By384;   // three blocks on
    FoldPair By512;   // 64 bytes: four lanes of one 512-bit vector
    FoldPair By640;   // the lanes of eight 128-bit accumulators, folded together
    FoldPair By768;   //
    FoldPair By896;   //
    FoldPair By1024;  // eight 128-bit accumulators, 128 bytes a step
    FoldPair By1280;  // the eight 256-bit accumulators, folded together
    FoldPair By1536;  // the four 512-bit accumulators, folded together
    FoldPair By1792;  //
    FoldPair By2048;  // four 512-bit or eight 256-bit accumulators, 256 bytes a step
    // Final reduction of one block X to the register, X * x^n mod P.
    // CRC-32: fold by 32 bits (degree < 96), then fold the top 32 bits by 64 (degree < 64).
    FoldPair By32;
    uint64_t By64Low;
    // CRC-64: the low quadword times x^128 (high quadword already at x^64).
    uint64_t By128Low;
    // Barrett reduction: the quotient floor(x^(2n)/P) without its top term, and P without its
    // x^n term, both in R64 form.
    uint64_t Mu;
    uint64_t P;
};

constexpr Constants MakeConstants(Poly p) {
    Constants c{};
    c.By128 = Fold(p, 128);
    c.By256 = Fold(p, 256);
    c.By384 = Fold(p, 384);
    c.By512 = Fold(p, 512);
    c.By640 = Fold(p, 640);
    c.By768 = Fold(p, 768);
    c.By896 = Fold(p, 896);
    c.By1024 = Fold(p, 1024);
    c.By1280 = Fold(p, 1280);
    c.By1536 = Fold(p, 1536);
    c.By1792 = Fold(p, 1792);
    c.By2048 = Fold(p, 2048);
    c.By32 = Fold(p, 32);
    c.By64Low = Shift(p, 64);
    c.By128Low = Shift(p, 128);
    c.Mu = R64(BarrettQuotient(p));
    c.P = R64(p.Low);
    return c;
}

constexpr Constants kCrc32 = MakeConstants(kCrc32Poly);
constexpr Constants kCrc64 = MakeConstants(kCrc64Poly);
constexpr Constants kCrc32c = MakeConstants(kCrc32cPoly);

// The reflected polynomials of the table code come out of the same derivation.
static_assert(kCrc32.P == uint64_t(0xEDB88320u) << 32);
static_assert(kCrc64.P == 0xC96C5795D7870F42ull);
static_assert(kCrc32c.P == uint64_t(0x82F63B78u) << 32);

// a * b mod P in normal order, for a and b of degree below Width.
constexpr uint64_t MulMod(Poly p, uint64_t a, uint64_t b) {
    const uint64_t top = uint64_t(1) << (p.Width - 1);
    const uint64_t mask = p.Width == 64 ? ~uint64_t(0) : (uint64_t(1) << p.Width) - 1;
    uint64_t r = 0;
    for (int i = p.Width - 1; i >= 0; --i) {
        const bool carry = r & top;
        r = (r << 1) & mask;
        if (carry) r ^= p.Low;
        if ((a >> i) & 1) r ^= b;
    }
    return r;
}

// Joining CRC-32C registers computed on separate streams (the crc32 instruction's own
// reduction does the last step). A register R (bit j standing for x^(31-j)) moves forward over
// n bytes, to R * x^(8n) mod P, as crc32_u64(0, clmul(R, K)) with K = x^(8n-33) mod P in the
// same reflected 32-bit form: the 63-bit carry-less product, read as a 64-bit reflected word,
// is R * K * x, and the instruction multiplies by x^32 and reduces.
//
// By[k] moves a register forward by k * Step bytes, for k from 1 to Count.
template <size_t Step, size_t Count>
struct JoinTable {
    static constexpr size_t kStep = Step;
    uint32_t By[Count + 1];
};
template <size_t Step, size_t Count>
constexpr JoinTable<Step, Count> MakeJoinTable(Poly p) {
    JoinTable<Step, Count> t{};
    const uint64_t step = XPowMod(p, 8 * Step);
    uint64_t k = XPowMod(p, 8 * Step - 33);
    for (size_t i = 1; i <= Count; ++i) {
        t.By[i] = uint32_t(Reverse64(k) >> 32);
        k = MulMod(p, k, step);
    }
    return t;
}
// Three streams of up to 1024 eight-byte words each: shifts by one and by two streams' lengths.
// Long streams keep the joins rare; on data from memory, 8 KiB streams ran at twice the speed
// of 2 KiB ones.
constexpr size_t kJoinMaxSteps = 1024;
constexpr auto kCrc32cJoin = MakeJoinTable<8, 2 * kJoinMaxSteps>(kCrc32cPoly);
// Shifts in 64-byte steps, up to 16 KiB.
constexpr auto kCrc32cJoin64 = MakeJoinTable<64, 256>(kCrc32cPoly);

// The last step, from the block X = X0 + X1 * x^-64 (X0 its low quadword, X1 its high one) to
// the register, for any carry-less multiply: Mul(a, b) gives the 128-bit product of two
// quadwords as its low and high quadwords. The folding loops are the variants' own; this runs
// once per call.
struct Product {
    uint64_t Low, High;
};

// X * x^32 mod P.
template <class Mul>
uint32_t Reduce32(uint64_t x0, uint64_t x1, Mul mul) {
    const Constants& c = kCrc32;
    // X * x^32 folded to degree < 96, then its top 32 bits folded down: V2 of degree < 64,
    // its 64 powers in R64 form.
    const Product a = mul(x0, c.By32.Low), b = mul(x1, c.By32.High);
    const uint64_t v2 = mul(a.Low ^ b.Low, c.By64Low).High ^ a.High ^ b.High;
    // Barrett: V2 = H * x^32 + L; q = floor(H * mu / x^32) = H + floor(H * mu' / x^32);
    // V2 mod P = L + (q * P' mod x^32).
    const uint64_t h = v2 << 32;
    const uint64_t q = h ^ (mul(h, c.Mu).High << 33);
    return uint32_t(v2 >> 32) ^ uint32_t(mul(q, c.P).High >> 31);
}

// X * x^64 mod P.
template <class Mul>
uint64_t Reduce64(uint64_t x0, uint64_t x1, Mul mul) {
    const Constants& c = kCrc64;
    // X * x^64 = X0 * x^128 + X1 * x^64: the low quadword folded by 128 bits, the high one
    // moved up by 64.
    const Product v = mul(x0, c.By128Low);
    // Barrett: V = H * x^64 + L; q = H + floor(H * mu' / x^64); V mod P = L + (q * P' mod x^64).
    const uint64_t h = v.Low ^ x1, l = v.High;
    const uint64_t q = h ^ (mul(h, c.Mu).Low << 1);
    const Product z = mul(q, c.P);
    return l ^ ((z.High << 1) | (z.Low >> 63));
}

// What the folding code needs per register width: the constants, the last step, and the
// table code for the bytes after the last whole block.
template <class Reg>
struct Width;
template <>
struct Width<uint32_t> {
    static constexpr const Constants& C = kCrc32;
    template <class Mul>
    static uint32_t Reduce(uint64_t x0, uint64_t x1, Mul mul) {
        return Reduce32(x0, x1, mul);
    }
    static uint32_t Bytes(const uint8_t* p, size_t n, uint32_t r) {
        return checksums::Crc32Portable(p, n, r);
    }
};
template <>
struct Width<uint64_t> {
    static constexpr const Constants& C = kCrc64;
    template <class Mul>
    static uint64_t Reduce(uint64_t x0, uint64_t x1, Mul mul) {
        return Reduce64(x0, x1, mul);
    }
    static uint64_t Bytes(const uint8_t* p, size_t n, uint64_t r) {
        return checksums::Crc64Portable(p, n, r);
    }
};

}  // namespace
}  // namespace crcfold

#if defined(__PCLMUL__)
#include <immintrin.h>

#include <cstddef>

// Shared by the PCLMULQDQ and VPCLMULQDQ code (checksums_pclmul.cpp): from a block X already
// folded over everything before P, fold in the whole 16-byte blocks of P, reduce to the
// register and finish the last bytes with the table code.
namespace checksums::detail {
uint32_t Crc32FromBlock(__m128i x, const uint8_t* p, size_t n);
uint64_t Crc64FromBlock(__m128i x, const uint8_t* p, size_t n);
}  // namespace checksums::detail
#endif
