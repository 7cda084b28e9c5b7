// RIPEMD-128, written from Dobbertin, Bosselaers and Preneel, "RIPEMD-160: A strengthened
// version of RIPEMD" (the 128-bit variant of its appendix). The two lines of 64 steps are
// written out and interleaved step by step, so that the processor runs them side by side;
// the message-word orders, shift amounts and constants are the paper's.
#include "DCPripemd128.h"
#include "ripemd_functions.h"

namespace ripemd128 {

using namespace ripemd;

#define STEP(f, a, b, c, d, x, t, s) a = dcp::rotl32(a + f(b, c, d) + x + t, s)

void CompressPortable(uint32_t State[4], const uint8_t* p, size_t Count) {
    uint32_t x[16];
    for (; Count > 0; --Count, p += 64) {
        for (int i = 0; i < 16; ++i)
            x[i] = dcp::load_le32(p + 4 * i);
        uint32_t al = State[0], bl = State[1], cl = State[2], dl = State[3];
        uint32_t ar = al, br = bl, cr = cl, dr = dl;

        // Round 1: left F1, right F4.
        STEP(F1, al, bl, cl, dl, x[0], 0x00000000, 11);
        STEP(F4, ar, br, cr, dr, x[5], 0x50a28be6, 8);
        STEP(F1, dl, al, bl, cl, x[1], 0x00000000, 14);
        STEP(F4, dr, ar, br, cr, x[14], 0x50a28be6, 9);
        STEP(F1, cl, dl, al, bl, x[2], 0x00000000, 15);
        STEP(F4, cr, dr, ar, br, x[7], 0x50a28be6, 9);
        STEP(F1, bl, cl, dl, al, x[3], 0x00000000, 12);
        STEP(F4, br, cr, dr, ar, x[0], 0x50a28be6, 11);
        STEP(F1, al, bl, cl, dl, x[4], 0x00000000, 5);
        STEP(F4, ar, br, cr, dr, x[9], 0x50a28be6, 13);
        STEP(F1, dl, al, bl, cl, x[5], 0x00000000, 8);
        STEP(F4, dr, ar, br, cr, x[2], 0x50a28be6, 15);
        STEP(F1, cl, dl, al, bl, x[6], 0x00000000, 7);
        STEP(F4, cr, dr, ar, br, x[11], 0x50a28be6, 15);
        STEP(F1, bl, cl, dl, al, x[7], 0x00000000, 9);
        STEP(F4, br, cr, dr, ar, x[4], 0x50a28be6, 5);
        STEP(F1, al, bl, cl, dl, x[8], 0x00000000, 11);
        STEP(F4, ar, br, cr, dr, x[13], 0x50a28be6, 7);
        STEP(F1, dl, al, bl, cl, x[9], 0x00000000, 13);
        STEP(F4, dr, ar, br, cr, x[6], 0x50a28be6, 7);
        STEP(F1, cl, dl, al, bl, x[10], 0x00000000, 14);
        STEP(F4, cr, dr, ar, br, x[15], 0x50a28be6, 8);
        STEP(F1, bl, cl, dl, al, x[11], 0x00000000, 15);
        STEP(F4, br, cr, dr, ar, x[8], 0x50a28be6, 11);
        STEP(F1, al, bl, cl, dl, x[12], 0x00000000, 6);
        STEP(F4, ar, br, cr, dr, x[1], 0x50a28be6, 14);
        STEP(F1, dl, al, bl, cl, x[13], 0x00000000, 7);
        STEP(F4, dr, ar, br, cr, x[10], 0x50a28be6, 14);
        STEP(F1, cl, dl, al, bl, x[14], 0x00000000, 9);
        STEP(F4, cr, dr, ar, br, x[3], 0x50a28be6, 12);
        STEP(F1, bl, cl, dl, al, x[15], 0x00000000, 8);
        STEP(F4, br, cr, dr, ar, x[12], 0x50a28be6, 6);

        // Round 2: left F2, right F3.
        STEP(F2, al, bl, cl, dl, x[7], 0x5a827999, 7);
        STEP(F3, ar, br, cr, dr, x[6], 0x5c4dd124, 9);
        STEP(F2, dl, al, bl, cl, x[4], 0x5a827999, 6);
        STEP(F3, dr, ar, br, cr, x[11], 0x5c4dd124, 13);
        STEP(F2, cl, dl, al, bl, x[13], 0x5a827999, 8);
        STEP(F3, cr, dr, ar, br, x[3], 0x5c4dd124, 15);
        STEP(F2, bl, cl, dl, al, x[1], 0x5a827999, 13);
        STEP(F3, br, cr, dr, ar, x[7], 0x5c4dd124, 7);
        STEP(F2, al, bl, cl, dl, x[10], 0x5a827999, 11);
        STEP(F3, ar, br, cr, dr, x[0], 0x5c4dd124, 12);
        STEP(F2, dl, al, bl, cl, x[6], 0x5a827999, 9);
        STEP(F3, dr, ar, br, cr, x[13], 0x5c4dd124, 8);
        STEP(F2, cl, dl, al, bl, x[15], 0x5a827999, 7);
        STEP(F3, cr, dr, ar, br, x[5], 0x5c4dd124, 9);
        STEP(F2, bl, cl, dl, al, x[3], 0x5a827999, 15);
        STEP(F3, br, cr, dr, ar, x[10], 0x5c4dd124, 11);
        STEP(F2, al, bl, cl, dl, x[12], 0x5a827999, 7);
        STEP(F3, ar, br, cr, dr, x[14], 0x5c4dd124, 7);
        STEP(F2, dl, al, bl, cl, x[0], 0x5a827999, 12);
        STEP(F3, dr, ar, br, cr, x[15], 0x5c4dd124, 7);
        STEP(F2, cl, dl, al, bl, x[9], 0x5a827999, 15);
        STEP(F3, cr, dr, ar, br, x[8], 0x5c4dd124, 12);
        STEP(F2, bl, cl, dl, al, x[5], 0x5a827999, 9);
        STEP(F3, br, cr, dr, ar, x[12], 0x5c4dd124, 7);
        STEP(F2, al, bl, cl, dl, x[2], 0x5a827999, 11);
        STEP(F3, ar, br, cr, dr, x[4], 0x5c4dd124, 6);
        STEP(F2, dl, al, bl, cl, x[14], 0x5a827999, 7);
        STEP(F3, dr, ar, br, cr, x[9], 0x5c4dd124, 15);
        STEP(F2, cl, dl, al, bl, x[11], 0x5a827999, 13);
        STEP(F3, cr, dr, ar, br, x[1], 0x5c4dd124, 13);
        STEP(F2, bl, cl, dl, al, x[8], 0x5a827999, 12);
        STEP(F3, br, cr, dr, ar, x[2], 0x5c4dd124, 11);

        // Round 3: left F3, right F2.
        STEP(F3, al, bl, cl, dl, x[3], 0x6ed9eba1, 11);
        STEP(F2, ar, br, cr, dr, x[15], 0x6d703ef3, 9);
        STEP(F3, dl, al, bl, cl, x[10], 0x6ed9eba1, 13);
        STEP(F2, dr, ar, br, cr, x[5], 0x6d703ef3, 7);
        STEP(F3, cl, dl, al, bl, x[14], 0x6ed9eba1, 6);
        STEP(F2, cr, dr, ar, br, x[1], 0x6d703ef3, 15);
        STEP(F3, bl, cl, dl, al, x[4], 0x6ed9eba1, 7);
        STEP(F2, br, cr, dr, ar, x[3], 0x6d703ef3, 11);
        STEP(F3, al, bl, cl, dl, x[9], 0x6ed9eba1, 14);
        STEP(F2, ar, br, cr, dr, x[7], 0x6d703ef3, 8);
        STEP(F3, dl, al, bl, cl, x[15], 0x6ed9eba1, 9);
        STEP(F2, dr, ar, br, cr, x[14], 0x6d703ef3, 6);
        STEP(F3, cl, dl, al, bl, x[8], 0x6ed9eba1, 13);
        STEP(F2, cr, dr, ar, br, x[6], 0x6d703ef3, 6);
        STEP(F3, bl, cl, dl, al, x[1], 0x6ed9eba1, 15);
        STEP(F2, br, cr, dr, ar, x[9], 0x6d703ef3, 14);
        STEP(F3, al, bl, cl, dl, x[2], 0x6ed9eba1, 14);
        STEP(F2, ar, br, cr, dr, x[11], 0x6d703ef3, 12);
        STEP(F3, dl, al, bl, cl, x[7], 0x6ed9eba1, 8);
        STEP(F2, dr, ar, br, cr, x[8], 0x6d703ef3, 13);
        STEP(F3, cl, dl, al, bl, x[0], 0x6ed9eba1, 13);
        STEP(F2, cr, dr, ar, br, x[12], 0x6d703ef3, 5);
        STEP(F3, bl, cl, dl, al, x[6], 0x6ed9eba1, 6);
        STEP(F2, br, cr, dr, ar, x[2], 0x6d703ef3, 14);
        STEP(F3, al, bl, cl, dl, x[13], 0x6ed9eba1, 5);
        STEP(F2, ar, br, cr, dr, x[10], 0x6d703ef3, 13);
        STEP(F3, dl, al, bl, cl, x[11], 0x6ed9eba1, 12);
        STEP(F2, dr, ar, br, cr, x[0], 0x6d703ef3, 13);
        STEP(F3, cl, dl, al, bl, x[5], 0x6ed9eba1, 7);
        STEP(F2, cr, dr, ar, br, x[4], 0x6d703ef3, 7);
        STEP(F3, bl, cl, dl, al, x[12], 0x6ed9eba1, 5);
        STEP(F2, br, cr, dr, ar, x[13], 0x6d703ef3, 5);

        // Round 4: left F4, right F1.
        STEP(F4, al, bl, cl, dl, x[1], 0x8f1bbcdc, 11);
        STEP(F1, ar, br, cr, dr, x[8], 0x00000000, 15);
        STEP(F4, dl, al, bl, cl, x[9], 0x8f1bbcdc, 12);
        STEP(F1, dr, ar, br, cr, x[6], 0x00000000, 5);
        STEP(F4, cl, dl, al, bl, x[11], 0x8f1bbcdc, 14);
        STEP(F1, cr, dr, ar, br, x[4], 0x00000000, 8);
        STEP(F4, bl, cl, dl, al, x[10], 0x8f1bbcdc, 15);
        STEP(F1, br, cr, dr, ar, x[1], 0x00000000, 11);
        STEP(F4, al, bl, cl, dl, x[0], 0x8f1bbcdc, 14);
        STEP(F1, ar, br, cr, dr, x[3], 0x00000000, 14);
        STEP(F4, dl, al, bl, cl, x[8], 0x8f1bbcdc, 15);
        STEP(F1, dr, ar, br, cr, x[11], 0x00000000, 14);
        STEP(F4, cl, dl, al, bl, x[12], 0x8f1bbcdc, 9);
        STEP(F1, cr, dr, ar, br, x[15], 0x00000000, 6);
        STEP(F4, bl, cl, dl, al, x[4], 0x8f1bbcdc, 8);
        STEP(F1, br, cr, dr, ar, x[0], 0x00000000, 14);
        STEP(F4, al, bl, cl, dl, x[13], 0x8f1bbcdc, 9);
        STEP(F1, ar, br, cr, dr, x[5], 0x00000000, 6);
        STEP(F4, dl, al, bl, cl, x[3], 0x8f1bbcdc, 14);
        STEP(F1, dr, ar, br, cr, x[12], 0x00000000, 9);
        STEP(F4, cl, dl, al, bl, x[7], 0x8f1bbcdc, 5);
        STEP(F1, cr, dr, ar, br, x[2], 0x00000000, 12);
        STEP(F4, bl, cl, dl, al, x[15], 0x8f1bbcdc, 6);
        STEP(F1, br, cr, dr, ar, x[13], 0x00000000, 9);
        STEP(F4, al, bl, cl, dl, x[14], 0x8f1bbcdc, 8);
        STEP(F1, ar, br, cr, dr, x[9], 0x00000000, 12);
        STEP(F4, dl, al, bl, cl, x[5], 0x8f1bbcdc, 6);
        STEP(F1, dr, ar, br, cr, x[7], 0x00000000, 5);
        STEP(F4, cl, dl, al, bl, x[6], 0x8f1bbcdc, 5);
        STEP(F1, cr, dr, ar, br, x[10], 0x00000000, 15);
        STEP(F4, bl, cl, dl, al, x[2], 0x8f1bbcdc, 12);
        STEP(F1, br, cr, dr, ar, x[14], 0x00000000, 8);

        const uint32_t t = State[1] + cl + dr;
        State[1] = State[2] + dl + ar;
        State[2] = State[3] + al + br;
        State[3] = State[0] + bl + cr;
        State[0] = t;
    }
    dcp::SecureZero(x, sizeof x);
}

#undef STEP

}  // namespace ripemd128
