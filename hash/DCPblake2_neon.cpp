// BLAKE2s and BLAKE2b compression in NEON registers, in the row-wise form of the SSE4.1
// kernels: one 128-bit register per BLAKE2s row, two per BLAKE2b row, the diagonal step
// reached by rotating rows b, c and d by one, two and three lanes (EXT). aarch64 only, where
// every CPU has NEON.
#include <arm_neon.h>

#include "DCPblake2.h"

namespace blake2 {

namespace {

// Rotations right: by 16 on 32-bit lanes and by 32 on 64-bit lanes reverse the halves; the
// others shift left and insert the bits shifted right (SHL + SRI).
inline uint32x4_t Rotr16x32(uint32x4_t x) {
    return vreinterpretq_u32_u16(vrev32q_u16(vreinterpretq_u16_u32(x)));
}
template <int N>
inline uint32x4_t Rotrx32(uint32x4_t x) {
    return vsriq_n_u32(vshlq_n_u32(x, 32 - N), x, N);
}
inline uint64x2_t Rotr32x64(uint64x2_t x) {
    return vreinterpretq_u64_u32(vrev64q_u32(vreinterpretq_u32_u64(x)));
}
template <int N>
inline uint64x2_t Rotrx64(uint64x2_t x) {
    return vsriq_n_u64(vshlq_n_u64(x, 64 - N), x, N);
}

inline uint32x4_t Words(uint32_t w0, uint32_t w1, uint32_t w2, uint32_t w3) {
    const uint32_t w[4] = {w0, w1, w2, w3};
    return vld1q_u32(w);
}
inline uint64x2_t Words(uint64_t w0, uint64_t w1) {
    const uint64_t w[2] = {w0, w1};
    return vld1q_u64(w);
}

#define B2S_HALF(x, RD, RB)            \
    a = vaddq_u32(vaddq_u32(a, b), x); \
    d = RD(veorq_u32(d, a));           \
    c = vaddq_u32(c, d);               \
    b = RB(veorq_u32(b, c))

#define B2S_MSG(s, i, j, k, l) Words(m[s[i]], m[s[j]], m[s[k]], m[s[l]])

#define B2S_ROUND(r)                                                 \
    {                                                                \
        const uint8_t* s = kSigma[r];                                \
        B2S_HALF(B2S_MSG(s, 0, 2, 4, 6), Rotr16x32, Rotrx32<12>);    \
        B2S_HALF(B2S_MSG(s, 1, 3, 5, 7), Rotrx32<8>, Rotrx32<7>);    \
        b = vextq_u32(b, b, 1);                                      \
        c = vextq_u32(c, c, 2);                                      \
        d = vextq_u32(d, d, 3);                                      \
        B2S_HALF(B2S_MSG(s, 8, 10, 12, 14), Rotr16x32, Rotrx32<12>); \
        B2S_HALF(B2S_MSG(s, 9, 11, 13, 15), Rotrx32<8>, Rotrx32<7>); \
        b = vextq_u32(b, b, 3);                                      \
        c = vextq_u32(c, c, 2);                                      \
        d = vextq_u32(d, d, 1);                                      \
    }

#define B2B_HALF(xlo, xhi, RD, RB)             \
    alo = vaddq_u64(vaddq_u64(alo, blo), xlo); \
    ahi = vaddq_u64(vaddq_u64(ahi, bhi), xhi); \
    dlo = RD(veorq_u64(dlo, alo));             \
    dhi = RD(veorq_u64(dhi, ahi));             \
    clo = vaddq_u64(clo, dlo);                 \
    chi = vaddq_u64(chi, dhi);                 \
    blo = RB(veorq_u64(blo, clo));             \
    bhi = RB(veorq_u64(bhi, chi))

#define B2B_MSG(s, i, j) Words(m[s[i]], m[s[j]])

// Rows b, c, d turned left by one, two and three lanes; c only swaps its registers' roles.
#define B2B_DIAGONALIZE                               \
    {                                                 \
        const uint64x2_t b0 = vextq_u64(blo, bhi, 1); \
        bhi = vextq_u64(bhi, blo, 1);                 \
        blo = b0;                                     \
        const uint64x2_t c0 = clo;                    \
        clo = chi;                                    \
        chi = c0;                                     \
        const uint64x2_t d0 = vextq_u64(dhi, dlo, 1); \
        dhi = vextq_u64(dlo, dhi, 1);                 \
        dlo = d0;                                     \
    }
#define B2B_UNDIAGONALIZE                             \
    {                                                 \
        const uint64x2_t b0 = vextq_u64(bhi, blo, 1); \
        bhi = vextq_u64(blo, bhi, 1);                 \
        blo = b0;                                     \
        const uint64x2_t c0 = clo;                    \
        clo = chi;                                    \
        chi = c0;                                     \
        const uint64x2_t d0 = vextq_u64(dlo, dhi, 1); \
        dhi = vextq_u64(dhi, dlo, 1);                 \
        dlo = d0;                                     \
    }

#define B2B_ROUND(r)                                                               \
    {                                                                              \
        const uint8_t* s = kSigma[(r) % 10];                                       \
        B2B_HALF(B2B_MSG(s, 0, 2), B2B_MSG(s, 4, 6), Rotr32x64, Rotrx64<24>);      \
        B2B_HALF(B2B_MSG(s, 1, 3), B2B_MSG(s, 5, 7), Rotrx64<16>, Rotrx64<63>);    \
        B2B_DIAGONALIZE;                                                           \
        B2B_HALF(B2B_MSG(s, 8, 10), B2B_MSG(s, 12, 14), Rotr32x64, Rotrx64<24>);   \
        B2B_HALF(B2B_MSG(s, 9, 11), B2B_MSG(s, 13, 15), Rotrx64<16>, Rotrx64<63>); \
        B2B_UNDIAGONALIZE;                                                         \
    }

}  // namespace

void Compress2sNeon(uint32_t State[8], uint32_t Counter[2], const uint8_t* p, size_t Count,
                    uint32_t Increment, bool Last) {
    uint32x4_t h0 = vld1q_u32(State), h1 = vld1q_u32(State + 4);
    const uint32x4_t iv0 = vld1q_u32(kIV2s), iv1 = vld1q_u32(kIV2s + 4);
    const uint32_t flag = Last ? ~0u : 0u;
    for (; Count > 0; --Count, p += 64) {
        Counter[0] += Increment;
        Counter[1] += Counter[0] < Increment ? 1 : 0;
        uint32_t m[16];
        for (int i = 0; i < 16; ++i)
            m[i] = dcp::load_le32(p + 4 * i);
        uint32x4_t a = h0, b = h1, c = iv0;
        uint32x4_t d = veorq_u32(iv1, Words(Counter[0], Counter[1], flag, 0));
        B2S_ROUND(0);
        B2S_ROUND(1);
        B2S_ROUND(2);
        B2S_ROUND(3);
        B2S_ROUND(4);
        B2S_ROUND(5);
        B2S_ROUND(6);
        B2S_ROUND(7);
        B2S_ROUND(8);
        B2S_ROUND(9);
        h0 = veorq_u32(h0, veorq_u32(a, c));
        h1 = veorq_u32(h1, veorq_u32(b, d));
    }
    vst1q_u32(State, h0);
    vst1q_u32(State + 4, h1);
}

void Compress2bNeon(uint64_t State[8], uint64_t Counter[2], const uint8_t* p, size_t Count,
                    uint32_t Increment, bool Last) {
    uint64x2_t h0 = vld1q_u64(State), h1 = vld1q_u64(State + 2);
    uint64x2_t h2 = vld1q_u64(State + 4), h3 = vld1q_u64(State + 6);
    const uint64_t flag = Last ? ~uint64_t(0) : 0;
    for (; Count > 0; --Count, p += 128) {
        Counter[0] += Increment;
        Counter[1] += Counter[0] < Increment ? 1 : 0;
        uint64_t m[16];
        for (int i = 0; i < 16; ++i)
            m[i] = dcp::load_le64(p + 8 * i);
        uint64x2_t alo = h0, ahi = h1, blo = h2, bhi = h3;
        uint64x2_t clo = vld1q_u64(kIV2b), chi = vld1q_u64(kIV2b + 2);
        uint64x2_t dlo = veorq_u64(vld1q_u64(kIV2b + 4), Words(Counter[0], Counter[1]));
        uint64x2_t dhi = veorq_u64(vld1q_u64(kIV2b + 6), Words(flag, 0));
        B2B_ROUND(0);
        B2B_ROUND(1);
        B2B_ROUND(2);
        B2B_ROUND(3);
        B2B_ROUND(4);
        B2B_ROUND(5);
        B2B_ROUND(6);
        B2B_ROUND(7);
        B2B_ROUND(8);
        B2B_ROUND(9);
        B2B_ROUND(10);
        B2B_ROUND(11);
        h0 = veorq_u64(h0, veorq_u64(alo, clo));
        h1 = veorq_u64(h1, veorq_u64(ahi, chi));
        h2 = veorq_u64(h2, veorq_u64(blo, dlo));
        h3 = veorq_u64(h3, veorq_u64(bhi, dhi));
    }
    vst1q_u64(State, h0);
    vst1q_u64(State + 2, h1);
    vst1q_u64(State + 4, h2);
    vst1q_u64(State + 6, h3);
}

}  // namespace blake2
