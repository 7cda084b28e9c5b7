// The SHA-384/512 round of FIPS 180-4 (section 6.4.2), shared by the compression variants.
// Written as macros so that each variant's file compiles them with its own instruction set
// (the BMI2 variants turn every rotation into one three-operand RORX).
#pragma once

#include <cstddef>
#include <cstdint>

#include "DCPsha512.h"

// ROTR^n of FIPS 180-4, section 3.2, on a 64-bit word (0 < n < 64).
#define SHA512_ROTR(x, n) (((x) >> (n)) | ((x) << (64 - (n))))
// The functions of FIPS 180-4, section 4.1.3.
#define SHA512_BSIG0(x) (SHA512_ROTR(x, 28) ^ SHA512_ROTR(x, 34) ^ SHA512_ROTR(x, 39))
#define SHA512_BSIG1(x) (SHA512_ROTR(x, 14) ^ SHA512_ROTR(x, 18) ^ SHA512_ROTR(x, 41))
#define SHA512_SSIG0(x) (SHA512_ROTR(x, 1) ^ SHA512_ROTR(x, 8) ^ ((x) >> 7))
#define SHA512_SSIG1(x) (SHA512_ROTR(x, 19) ^ SHA512_ROTR(x, 61) ^ ((x) >> 6))

// One round with wk = K[t] + W[t]; h becomes the new a and d the new e. The caller renames the
// eight variables instead of moving them.
//
// Maj(a,b,c) = b ^ ((a ^ b) & (b ^ c)): three operations, one fewer than with two AND terms.
// b ^ c comes in y: it is the a ^ b of the round before, which this round leaves in x for the
// next; the two names swap from round to round, and y must hold b ^ c before the first round.
// Ch(e,f,g) = g ^ (e & (f ^ g)).
//
// The order shortens the chains from one round to the next. The new e is built in d, starting
// from h + wk, which is known a round ahead, so that it is only one addition behind BSIG1(e);
// T1 is built beside it in h instead of being added to d at the end. The new a then needs only
// BSIG0(a) and Maj added to T1.
#define SHA512_ROUND(a, b, c, d, e, f, g, h, wk, x, y) \
    {                                                  \
        h += (wk);                                     \
        d += h;                                        \
        const uint64_t ch = g ^ (e & (f ^ g));         \
        d += ch;                                       \
        h += ch;                                       \
        const uint64_t s1 = SHA512_BSIG1(e);           \
        d += s1;                                       \
        h += s1;                                       \
        x = a ^ b;                                     \
        h += b ^ (x & y);                              \
        h += SHA512_BSIG0(a);                          \
    }

// Eight rounds from round t with wk(t) giving K[t] + W[t]; the names are back in place after.
#define SHA512_ROUND8(wk, t)                                 \
    SHA512_ROUND(a, b, c, d, e, f, g, h, wk(t), x, y);       \
    SHA512_ROUND(h, a, b, c, d, e, f, g, wk((t) + 1), y, x); \
    SHA512_ROUND(g, h, a, b, c, d, e, f, wk((t) + 2), x, y); \
    SHA512_ROUND(f, g, h, a, b, c, d, e, wk((t) + 3), y, x); \
    SHA512_ROUND(e, f, g, h, a, b, c, d, wk((t) + 4), x, y); \
    SHA512_ROUND(d, e, f, g, h, a, b, c, wk((t) + 5), y, x); \
    SHA512_ROUND(c, d, e, f, g, h, a, b, wk((t) + 6), x, y); \
    SHA512_ROUND(b, c, d, e, f, g, h, a, wk((t) + 7), y, x)

namespace sha512 {
namespace {

// Keeps a schedule word in a register, so the compiler cannot vectorise the expansion loop:
// its vector loads of words just stored one by one stall on store forwarding (GCC 12 made
// the SHA-1 compression three times slower that way).
inline uint64_t Scalar(uint64_t x) {
    asm("" : "+r"(x));
    return x;
}

// The compression over Count blocks with the schedule expanded by a loop, compiled in each file
// that includes it with that file's instruction set.
inline void CompressScalar(uint64_t State[8], const uint8_t* p, size_t Count) {
    uint64_t W[80];
    for (; Count > 0; --Count, p += 128) {
        for (int i = 0; i < 16; ++i)
            W[i] = dcp::load_be64(p + 8 * i);
        for (int i = 16; i < 80; ++i) {
            const uint64_t w2 = W[i - 2], w15 = W[i - 15];
            W[i] = Scalar(SHA512_SSIG1(w2) + W[i - 7] + SHA512_SSIG0(w15) + W[i - 16]);
        }
        uint64_t a = State[0], b = State[1], c = State[2], d = State[3];
        uint64_t e = State[4], f = State[5], g = State[6], h = State[7];
        uint64_t x, y = b ^ c;

#define WK(t) (K[t] + W[t])
        SHA512_ROUND8(WK, 0);
        SHA512_ROUND8(WK, 8);
        SHA512_ROUND8(WK, 16);
        SHA512_ROUND8(WK, 24);
        SHA512_ROUND8(WK, 32);
        SHA512_ROUND8(WK, 40);
        SHA512_ROUND8(WK, 48);
        SHA512_ROUND8(WK, 56);
        SHA512_ROUND8(WK, 64);
        SHA512_ROUND8(WK, 72);
#undef WK

        State[0] += a;
        State[1] += b;
        State[2] += c;
        State[3] += d;
        State[4] += e;
        State[5] += f;
        State[6] += g;
        State[7] += h;
    }
    dcp::SecureZero(W, sizeof W);
}

}  // namespace
}  // namespace sha512
