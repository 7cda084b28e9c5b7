// HAVAL with 5 passes, written from "HAVAL - A One-Way Hashing Algorithm with Variable Length
// of Output" (Zheng, Pieprzyk and Seberry, AUSCRYPT '92) and its reference code: the boolean
// functions F1..F5, the input permutations for 5 passes, the word orders of passes 2 to 5 and
// the constants (the fractional part of pi, continuing after the initial chaining values).
// The 160 steps are written out.
#include "DCPhaval.h"

namespace haval {

namespace {

// The published boolean functions, arguments in the published order (x6, ..., x0).
constexpr uint32_t f1(uint32_t x6, uint32_t x5, uint32_t x4, uint32_t x3, uint32_t x2, uint32_t x1,
                      uint32_t x0) {
    return (x1 & (x0 ^ x4)) ^ (x2 & x5) ^ (x3 & x6) ^ x0;
}
constexpr uint32_t f2(uint32_t x6, uint32_t x5, uint32_t x4, uint32_t x3, uint32_t x2, uint32_t x1,
                      uint32_t x0) {
    return (x2 & ((x1 & ~x3) ^ (x4 & x5) ^ x6 ^ x0)) ^ (x4 & (x1 ^ x5)) ^ (x3 & x5) ^ x0;
}
constexpr uint32_t f3(uint32_t x6, uint32_t x5, uint32_t x4, uint32_t x3, uint32_t x2, uint32_t x1,
                      uint32_t x0) {
    return (x3 & ((x1 & x2) ^ x6 ^ x0)) ^ (x1 & x4) ^ (x2 & x5) ^ x0;
}
constexpr uint32_t f4(uint32_t x6, uint32_t x5, uint32_t x4, uint32_t x3, uint32_t x2, uint32_t x1,
                      uint32_t x0) {
    return (x4 & ((x5 & ~x2) ^ (x3 & ~x6) ^ x1 ^ x6 ^ x0)) ^ (x3 & ((x1 & x2) ^ x5 ^ x6)) ^
           (x2 & x6) ^ x0;
}
constexpr uint32_t f5(uint32_t x6, uint32_t x5, uint32_t x4, uint32_t x3, uint32_t x2, uint32_t x1,
                      uint32_t x0) {
    return (x0 & ((x1 & x2 & x3) ^ ~x5)) ^ (x1 & x4) ^ (x2 & x5) ^ (x3 & x6);
}

// The same functions regrouped for speed. Through the input permutations below, the word that
// the previous step has just written lands on x3 of F1 and F2, x4 of F3 and F5 and x2 of F4;
// each form takes that argument in one AND and one final XOR, so a step's critical path is
// AND, XOR, rotate, add. The static_assert below proves each equal to its published form.
constexpr uint32_t F1(uint32_t x6, uint32_t x5, uint32_t x4, uint32_t x3, uint32_t x2, uint32_t x1,
                      uint32_t x0) {
    return ((x1 & (x0 ^ x4)) ^ (x2 & x5) ^ x0) ^ (x3 & x6);
}
constexpr uint32_t F2(uint32_t x6, uint32_t x5, uint32_t x4, uint32_t x3, uint32_t x2, uint32_t x1,
                      uint32_t x0) {
    return ((x2 & (x1 ^ (x4 & x5) ^ x6 ^ x0)) ^ (x4 & (x1 ^ x5)) ^ x0) ^ (x3 & (x5 ^ (x1 & x2)));
}
constexpr uint32_t F3(uint32_t x6, uint32_t x5, uint32_t x4, uint32_t x3, uint32_t x2, uint32_t x1,
                      uint32_t x0) {
    return ((x3 & ((x1 & x2) ^ x6 ^ x0)) ^ (x2 & x5) ^ x0) ^ (x1 & x4);
}
constexpr uint32_t F4(uint32_t x6, uint32_t x5, uint32_t x4, uint32_t x3, uint32_t x2, uint32_t x1,
                      uint32_t x0) {
    return ((x4 & (x5 ^ (x3 & ~x6) ^ x1 ^ x6 ^ x0)) ^ (x3 & (x5 ^ x6)) ^ x0) ^
           (x2 & ((x4 & x5) ^ (x1 & x3) ^ x6));
}
constexpr uint32_t F5(uint32_t x6, uint32_t x5, uint32_t x4, uint32_t x3, uint32_t x2, uint32_t x1,
                      uint32_t x0) {
    return ((x0 & ~((x1 & x2 & x3) ^ x5)) ^ (x2 & x5) ^ (x3 & x6)) ^ (x1 & x4);
}

// The functions act on each bit position alike, so agreeing on all 128 combinations of seven
// bits makes two of them equal.
template <class A, class B>
constexpr bool SameFunction(A a, B b) {
    for (uint32_t k = 0; k < 128; ++k) {
        uint32_t x[7];
        for (int i = 0; i < 7; ++i)
            x[i] = (k >> i & 1) ? ~0u : 0u;
        if (a(x[6], x[5], x[4], x[3], x[2], x[1], x[0]) !=
            b(x[6], x[5], x[4], x[3], x[2], x[1], x[0]))
            return false;
    }
    return true;
}
static_assert(SameFunction(f1, F1) && SameFunction(f2, F2) && SameFunction(f3, F3) &&
                  SameFunction(f4, F4) && SameFunction(f5, F5),
              "the regrouped HAVAL functions equal the published ones");

// The input permutations of the HAVAL paper for 5 passes.
[[gnu::always_inline]] inline uint32_t Phi1(uint32_t x6, uint32_t x5, uint32_t x4, uint32_t x3,
                                            uint32_t x2, uint32_t x1, uint32_t x0) {
    return F1(x3, x4, x1, x0, x5, x2, x6);
}
[[gnu::always_inline]] inline uint32_t Phi2(uint32_t x6, uint32_t x5, uint32_t x4, uint32_t x3,
                                            uint32_t x2, uint32_t x1, uint32_t x0) {
    return F2(x6, x2, x1, x0, x3, x4, x5);
}
[[gnu::always_inline]] inline uint32_t Phi3(uint32_t x6, uint32_t x5, uint32_t x4, uint32_t x3,
                                            uint32_t x2, uint32_t x1, uint32_t x0) {
    return F3(x2, x6, x0, x4, x3, x1, x5);
}
[[gnu::always_inline]] inline uint32_t Phi4(uint32_t x6, uint32_t x5, uint32_t x4, uint32_t x3,
                                            uint32_t x2, uint32_t x1, uint32_t x0) {
    return F4(x1, x5, x3, x2, x0, x4, x6);
}
[[gnu::always_inline]] inline uint32_t Phi5(uint32_t x6, uint32_t x5, uint32_t x4, uint32_t x3,
                                            uint32_t x2, uint32_t x1, uint32_t x0) {
    return F5(x2, x5, x0, x6, x4, x3, x1);
}

}  // namespace

// One step: x7 := rotr(Phi(x6..x0), 7) + rotr(x7, 11) + w + k. The terms that do not wait for
// the previous step are summed first.
#define STEP(Phi, x7, x6, x5, x4, x3, x2, x1, x0, w, k) \
    x7 = dcp::rotr32(x7, 11) + (w) + (k) + dcp::rotr32(Phi(x6, x5, x4, x3, x2, x1, x0), 7)

void CompressPortable(uint32_t State[8], const uint8_t* p, size_t Count) {
    uint32_t w[32];
    for (; Count > 0; --Count, p += 128) {
        for (int i = 0; i < 32; ++i)
            w[i] = dcp::load_le32(p + 4 * i);
        uint32_t t0 = State[0], t1 = State[1], t2 = State[2], t3 = State[3];
        uint32_t t4 = State[4], t5 = State[5], t6 = State[6], t7 = State[7];

        STEP(Phi1, t7, t6, t5, t4, t3, t2, t1, t0, w[0], 0);
        STEP(Phi1, t6, t5, t4, t3, t2, t1, t0, t7, w[1], 0);
        STEP(Phi1, t5, t4, t3, t2, t1, t0, t7, t6, w[2], 0);
        STEP(Phi1, t4, t3, t2, t1, t0, t7, t6, t5, w[3], 0);
        STEP(Phi1, t3, t2, t1, t0, t7, t6, t5, t4, w[4], 0);
        STEP(Phi1, t2, t1, t0, t7, t6, t5, t4, t3, w[5], 0);
        STEP(Phi1, t1, t0, t7, t6, t5, t4, t3, t2, w[6], 0);
        STEP(Phi1, t0, t7, t6, t5, t4, t3, t2, t1, w[7], 0);
        STEP(Phi1, t7, t6, t5, t4, t3, t2, t1, t0, w[8], 0);
        STEP(Phi1, t6, t5, t4, t3, t2, t1, t0, t7, w[9], 0);
        STEP(Phi1, t5, t4, t3, t2, t1, t0, t7, t6, w[10], 0);
        STEP(Phi1, t4, t3, t2, t1, t0, t7, t6, t5, w[11], 0);
        STEP(Phi1, t3, t2, t1, t0, t7, t6, t5, t4, w[12], 0);
        STEP(Phi1, t2, t1, t0, t7, t6, t5, t4, t3, w[13], 0);
        STEP(Phi1, t1, t0, t7, t6, t5, t4, t3, t2, w[14], 0);
        STEP(Phi1, t0, t7, t6, t5, t4, t3, t2, t1, w[15], 0);
        STEP(Phi1, t7, t6, t5, t4, t3, t2, t1, t0, w[16], 0);
        STEP(Phi1, t6, t5, t4, t3, t2, t1, t0, t7, w[17], 0);
        STEP(Phi1, t5, t4, t3, t2, t1, t0, t7, t6, w[18], 0);
        STEP(Phi1, t4, t3, t2, t1, t0, t7, t6, t5, w[19], 0);
        STEP(Phi1, t3, t2, t1, t0, t7, t6, t5, t4, w[20], 0);
        STEP(Phi1, t2, t1, t0, t7, t6, t5, t4, t3, w[21], 0);
        STEP(Phi1, t1, t0, t7, t6, t5, t4, t3, t2, w[22], 0);
        STEP(Phi1, t0, t7, t6, t5, t4, t3, t2, t1, w[23], 0);
        STEP(Phi1, t7, t6, t5, t4, t3, t2, t1, t0, w[24], 0);
        STEP(Phi1, t6, t5, t4, t3, t2, t1, t0, t7, w[25], 0);
        STEP(Phi1, t5, t4, t3, t2, t1, t0, t7, t6, w[26], 0);
        STEP(Phi1, t4, t3, t2, t1, t0, t7, t6, t5, w[27], 0);
        STEP(Phi1, t3, t2, t1, t0, t7, t6, t5, t4, w[28], 0);
        STEP(Phi1, t2, t1, t0, t7, t6, t5, t4, t3, w[29], 0);
        STEP(Phi1, t1, t0, t7, t6, t5, t4, t3, t2, w[30], 0);
        STEP(Phi1, t0, t7, t6, t5, t4, t3, t2, t1, w[31], 0);

        STEP(Phi2, t7, t6, t5, t4, t3, t2, t1, t0, w[5], 0x452821E6);
        STEP(Phi2, t6, t5, t4, t3, t2, t1, t0, t7, w[14], 0x38D01377);
        STEP(Phi2, t5, t4, t3, t2, t1, t0, t7, t6, w[26], 0xBE5466CF);
        STEP(Phi2, t4, t3, t2, t1, t0, t7, t6, t5, w[18], 0x34E90C6C);
        STEP(Phi2, t3, t2, t1, t0, t7, t6, t5, t4, w[11], 0xC0AC29B7);
        STEP(Phi2, t2, t1, t0, t7, t6, t5, t4, t3, w[28], 0xC97C50DD);
        STEP(Phi2, t1, t0, t7, t6, t5, t4, t3, t2, w[7], 0x3F84D5B5);
        STEP(Phi2, t0, t7, t6, t5, t4, t3, t2, t1, w[16], 0xB5470917);
        STEP(Phi2, t7, t6, t5, t4, t3, t2, t1, t0, w[0], 0x9216D5D9);
        STEP(Phi2, t6, t5, t4, t3, t2, t1, t0, t7, w[23], 0x8979FB1B);
        STEP(Phi2, t5, t4, t3, t2, t1, t0, t7, t6, w[20], 0xD1310BA6);
        STEP(Phi2, t4, t3, t2, t1, t0, t7, t6, t5, w[22], 0x98DFB5AC);
        STEP(Phi2, t3, t2, t1, t0, t7, t6, t5, t4, w[1], 0x2FFD72DB);
        STEP(Phi2, t2, t1, t0, t7, t6, t5, t4, t3, w[10], 0xD01ADFB7);
        STEP(Phi2, t1, t0, t7, t6, t5, t4, t3, t2, w[4], 0xB8E1AFED);
        STEP(Phi2, t0, t7, t6, t5, t4, t3, t2, t1, w[8], 0x6A267E96);
        STEP(Phi2, t7, t6, t5, t4, t3, t2, t1, t0, w[30], 0xBA7C9045);
        STEP(Phi2, t6, t5, t4, t3, t2, t1, t0, t7, w[3], 0xF12C7F99);
        STEP(Phi2, t5, t4, t3, t2, t1, t0, t7, t6, w[21], 0x24A19947);
        STEP(Phi2, t4, t3, t2, t1, t0, t7, t6, t5, w[9], 0xB3916CF7);
        STEP(Phi2, t3, t2, t1, t0, t7, t6, t5, t4, w[17], 0x0801F2E2);
        STEP(Phi2, t2, t1, t0, t7, t6, t5, t4, t3, w[24], 0x858EFC16);
        STEP(Phi2, t1, t0, t7, t6, t5, t4, t3, t2, w[29], 0x636920D8);
        STEP(Phi2, t0, t7, t6, t5, t4, t3, t2, t1, w[6], 0x71574E69);
        STEP(Phi2, t7, t6, t5, t4, t3, t2, t1, t0, w[19], 0xA458FEA3);
        STEP(Phi2, t6, t5, t4, t3, t2, t1, t0, t7, w[12], 0xF4933D7E);
        STEP(Phi2, t5, t4, t3, t2, t1, t0, t7, t6, w[15], 0x0D95748F);
        STEP(Phi2, t4, t3, t2, t1, t0, t7, t6, t5, w[13], 0x728EB658);
        STEP(Phi2, t3, t2, t1, t0, t7, t6, t5, t4, w[2], 0x718BCD58);
        STEP(Phi2, t2, t1, t0, t7, t6, t5, t4, t3, w[25], 0x82154AEE);
        STEP(Phi2, t1, t0, t7, t6, t5, t4, t3, t2, w[31], 0x7B54A41D);
        STEP(Phi2, t0, t7, t6, t5, t4, t3, t2, t1, w[27], 0xC25A59B5);

        STEP(Phi3, t7, t6, t5, t4, t3, t2, t1, t0, w[19], 0x9C30D539);
        STEP(Phi3, t6, t5, t4, t3, t2, t1, t0, t7, w[9], 0x2AF26013);
        STEP(Phi3, t5, t4, t3, t2, t1, t0, t7, t6, w[4], 0xC5D1B023);
        STEP(Phi3, t4, t3, t2, t1, t0, t7, t6, t5, w[20], 0x286085F0);
        STEP(Phi3, t3, t2, t1, t0, t7, t6, t5, t4, w[28], 0xCA417918);
        STEP(Phi3, t2, t1, t0, t7, t6, t5, t4, t3, w[17], 0xB8DB38EF);
        STEP(Phi3, t1, t0, t7, t6, t5, t4, t3, t2, w[8], 0x8E79DCB0);
        STEP(Phi3, t0, t7, t6, t5, t4, t3, t2, t1, w[22], 0x603A180E);
        STEP(Phi3, t7, t6, t5, t4, t3, t2, t1, t0, w[29], 0x6C9E0E8B);
        STEP(Phi3, t6, t5, t4, t3, t2, t1, t0, t7, w[14], 0xB01E8A3E);
        STEP(Phi3, t5, t4, t3, t2, t1, t0, t7, t6, w[25], 0xD71577C1);
        STEP(Phi3, t4, t3, t2, t1, t0, t7, t6, t5, w[12], 0xBD314B27);
        STEP(Phi3, t3, t2, t1, t0, t7, t6, t5, t4, w[24], 0x78AF2FDA);
        STEP(Phi3, t2, t1, t0, t7, t6, t5, t4, t3, w[30], 0x55605C60);
        STEP(Phi3, t1, t0, t7, t6, t5, t4, t3, t2, w[16], 0xE65525F3);
        STEP(Phi3, t0, t7, t6, t5, t4, t3, t2, t1, w[26], 0xAA55AB94);
        STEP(Phi3, t7, t6, t5, t4, t3, t2, t1, t0, w[31], 0x57489862);
        STEP(Phi3, t6, t5, t4, t3, t2, t1, t0, t7, w[15], 0x63E81440);
        STEP(Phi3, t5, t4, t3, t2, t1, t0, t7, t6, w[7], 0x55CA396A);
        STEP(Phi3, t4, t3, t2, t1, t0, t7, t6, t5, w[3], 0x2AAB10B6);
        STEP(Phi3, t3, t2, t1, t0, t7, t6, t5, t4, w[1], 0xB4CC5C34);
        STEP(Phi3, t2, t1, t0, t7, t6, t5, t4, t3, w[0], 0x1141E8CE);
        STEP(Phi3, t1, t0, t7, t6, t5, t4, t3, t2, w[18], 0xA15486AF);
        STEP(Phi3, t0, t7, t6, t5, t4, t3, t2, t1, w[27], 0x7C72E993);
        STEP(Phi3, t7, t6, t5, t4, t3, t2, t1, t0, w[13], 0xB3EE1411);
        STEP(Phi3, t6, t5, t4, t3, t2, t1, t0, t7, w[6], 0x636FBC2A);
        STEP(Phi3, t5, t4, t3, t2, t1, t0, t7, t6, w[21], 0x2BA9C55D);
        STEP(Phi3, t4, t3, t2, t1, t0, t7, t6, t5, w[10], 0x741831F6);
        STEP(Phi3, t3, t2, t1, t0, t7, t6, t5, t4, w[23], 0xCE5C3E16);
        STEP(Phi3, t2, t1, t0, t7, t6, t5, t4, t3, w[11], 0x9B87931E);
        STEP(Phi3, t1, t0, t7, t6, t5, t4, t3, t2, w[5], 0xAFD6BA33);
        STEP(Phi3, t0, t7, t6, t5, t4, t3, t2, t1, w[2], 0x6C24CF5C);

        STEP(Phi4, t7, t6, t5, t4, t3, t2, t1, t0, w[24], 0x7A325381);
        STEP(Phi4, t6, t5, t4, t3, t2, t1, t0, t7, w[4], 0x28958677);
        STEP(Phi4, t5, t4, t3, t2, t1, t0, t7, t6, w[0], 0x3B8F4898);
        STEP(Phi4, t4, t3, t2, t1, t0, t7, t6, t5, w[14], 0x6B4BB9AF);
        STEP(Phi4, t3, t2, t1, t0, t7, t6, t5, t4, w[2], 0xC4BFE81B);
        STEP(Phi4, t2, t1, t0, t7, t6, t5, t4, t3, w[7], 0x66282193);
        STEP(Phi4, t1, t0, t7, t6, t5, t4, t3, t2, w[28], 0x61D809CC);
        STEP(Phi4, t0, t7, t6, t5, t4, t3, t2, t1, w[23], 0xFB21A991);
        STEP(Phi4, t7, t6, t5, t4, t3, t2, t1, t0, w[26], 0x487CAC60);
        STEP(Phi4, t6, t5, t4, t3, t2, t1, t0, t7, w[6], 0x5DEC8032);
        STEP(Phi4, t5, t4, t3, t2, t1, t0, t7, t6, w[30], 0xEF845D5D);
        STEP(Phi4, t4, t3, t2, t1, t0, t7, t6, t5, w[20], 0xE98575B1);
        STEP(Phi4, t3, t2, t1, t0, t7, t6, t5, t4, w[18], 0xDC262302);
        STEP(Phi4, t2, t1, t0, t7, t6, t5, t4, t3, w[25], 0xEB651B88);
        STEP(Phi4, t1, t0, t7, t6, t5, t4, t3, t2, w[19], 0x23893E81);
        STEP(Phi4, t0, t7, t6, t5, t4, t3, t2, t1, w[3], 0xD396ACC5);
        STEP(Phi4, t7, t6, t5, t4, t3, t2, t1, t0, w[22], 0x0F6D6FF3);
        STEP(Phi4, t6, t5, t4, t3, t2, t1, t0, t7, w[11], 0x83F44239);
        STEP(Phi4, t5, t4, t3, t2, t1, t0, t7, t6, w[31], 0x2E0B4482);
        STEP(Phi4, t4, t3, t2, t1, t0, t7, t6, t5, w[21], 0xA4842004);
        STEP(Phi4, t3, t2, t1, t0, t7, t6, t5, t4, w[8], 0x69C8F04A);
        STEP(Phi4, t2, t1, t0, t7, t6, t5, t4, t3, w[27], 0x9E1F9B5E);
        STEP(Phi4, t1, t0, t7, t6, t5, t4, t3, t2, w[12], 0x21C66842);
        STEP(Phi4, t0, t7, t6, t5, t4, t3, t2, t1, w[9], 0xF6E96C9A);
        STEP(Phi4, t7, t6, t5, t4, t3, t2, t1, t0, w[1], 0x670C9C61);
        STEP(Phi4, t6, t5, t4, t3, t2, t1, t0, t7, w[29], 0xABD388F0);
        STEP(Phi4, t5, t4, t3, t2, t1, t0, t7, t6, w[5], 0x6A51A0D2);
        STEP(Phi4, t4, t3, t2, t1, t0, t7, t6, t5, w[15], 0xD8542F68);
        STEP(Phi4, t3, t2, t1, t0, t7, t6, t5, t4, w[17], 0x960FA728);
        STEP(Phi4, t2, t1, t0, t7, t6, t5, t4, t3, w[10], 0xAB5133A3);
        STEP(Phi4, t1, t0, t7, t6, t5, t4, t3, t2, w[16], 0x6EEF0B6C);
        STEP(Phi4, t0, t7, t6, t5, t4, t3, t2, t1, w[13], 0x137A3BE4);

        STEP(Phi5, t7, t6, t5, t4, t3, t2, t1, t0, w[27], 0xBA3BF050);
        STEP(Phi5, t6, t5, t4, t3, t2, t1, t0, t7, w[3], 0x7EFB2A98);
        STEP(Phi5, t5, t4, t3, t2, t1, t0, t7, t6, w[21], 0xA1F1651D);
        STEP(Phi5, t4, t3, t2, t1, t0, t7, t6, t5, w[26], 0x39AF0176);
        STEP(Phi5, t3, t2, t1, t0, t7, t6, t5, t4, w[17], 0x66CA593E);
        STEP(Phi5, t2, t1, t0, t7, t6, t5, t4, t3, w[11], 0x82430E88);
        STEP(Phi5, t1, t0, t7, t6, t5, t4, t3, t2, w[20], 0x8CEE8619);
        STEP(Phi5, t0, t7, t6, t5, t4, t3, t2, t1, w[29], 0x456F9FB4);
        STEP(Phi5, t7, t6, t5, t4, t3, t2, t1, t0, w[19], 0x7D84A5C3);
        STEP(Phi5, t6, t5, t4, t3, t2, t1, t0, t7, w[0], 0x3B8B5EBE);
        STEP(Phi5, t5, t4, t3, t2, t1, t0, t7, t6, w[12], 0xE06F75D8);
        STEP(Phi5, t4, t3, t2, t1, t0, t7, t6, t5, w[7], 0x85C12073);
        STEP(Phi5, t3, t2, t1, t0, t7, t6, t5, t4, w[13], 0x401A449F);
        STEP(Phi5, t2, t1, t0, t7, t6, t5, t4, t3, w[8], 0x56C16AA6);
        STEP(Phi5, t1, t0, t7, t6, t5, t4, t3, t2, w[31], 0x4ED3AA62);
        STEP(Phi5, t0, t7, t6, t5, t4, t3, t2, t1, w[10], 0x363F7706);
        STEP(Phi5, t7, t6, t5, t4, t3, t2, t1, t0, w[5], 0x1BFEDF72);
        STEP(Phi5, t6, t5, t4, t3, t2, t1, t0, t7, w[9], 0x429B023D);
        STEP(Phi5, t5, t4, t3, t2, t1, t0, t7, t6, w[14], 0x37D0D724);
        STEP(Phi5, t4, t3, t2, t1, t0, t7, t6, t5, w[30], 0xD00A1248);
        STEP(Phi5, t3, t2, t1, t0, t7, t6, t5, t4, w[18], 0xDB0FEAD3);
        STEP(Phi5, t2, t1, t0, t7, t6, t5, t4, t3, w[6], 0x49F1C09B);
        STEP(Phi5, t1, t0, t7, t6, t5, t4, t3, t2, w[28], 0x075372C9);
        STEP(Phi5, t0, t7, t6, t5, t4, t3, t2, t1, w[24], 0x80991B7B);
        STEP(Phi5, t7, t6, t5, t4, t3, t2, t1, t0, w[2], 0x25D479D8);
        STEP(Phi5, t6, t5, t4, t3, t2, t1, t0, t7, w[23], 0xF6E8DEF7);
        STEP(Phi5, t5, t4, t3, t2, t1, t0, t7, t6, w[16], 0xE3FE501A);
        STEP(Phi5, t4, t3, t2, t1, t0, t7, t6, t5, w[22], 0xB6794C3B);
        STEP(Phi5, t3, t2, t1, t0, t7, t6, t5, t4, w[4], 0x976CE0BD);
        STEP(Phi5, t2, t1, t0, t7, t6, t5, t4, t3, w[1], 0x04C006BA);
        STEP(Phi5, t1, t0, t7, t6, t5, t4, t3, t2, w[25], 0xC1A94FB6);
        STEP(Phi5, t0, t7, t6, t5, t4, t3, t2, t1, w[15], 0x409F60C4);
        State[0] += t0;
        State[1] += t1;
        State[2] += t2;
        State[3] += t3;
        State[4] += t4;
        State[5] += t5;
        State[6] += t6;
        State[7] += t7;
    }
    // The local copy of the message words; every block overwrites all of it, so one wipe after
    // the last block leaves none of the input behind.
    dcp::SecureZero(w, sizeof w);
}

#undef STEP

}  // namespace haval
