// BLAKE3's many-input kernel on 16 lanes of AVX-512 (blake3_lanes.h). Compiled with
// -mavx512f -mavx512vl -mavx512bw; called only when the CPU has them with AVX2 (eight inputs or
// fewer go to the AVX2 kernel).
#include <immintrin.h>

#include "blake3_lanes.h"

namespace blake3 {

namespace {

// The unmasked forms of ror, unpack and shuffle_i32x4 take an unspecified source that GCC 12
// wrongly warns about; the forms with every lane selected are the same instructions.
constexpr __mmask16 kAll32 = 0xFFFF;
constexpr __mmask8 kAll64 = 0xFF;

struct Avx512 {
    using V = __m512i;
    static constexpr size_t kLanes = 16;
    static constexpr int kRegisters = 32;

    static V Set1(uint32_t x) { return _mm512_set1_epi32(int(x)); }
    static V Load(const uint32_t* p) { return _mm512_loadu_si512(p); }
    static void Store(V x, uint32_t* p) { _mm512_storeu_si512(p, x); }
    static V Add(V a, V b) { return _mm512_add_epi32(a, b); }
    static V Xor(V a, V b) { return _mm512_xor_si512(a, b); }
    static V Rot16(V x) { return _mm512_maskz_ror_epi32(kAll32, x, 16); }
    static V Rot12(V x) { return _mm512_maskz_ror_epi32(kAll32, x, 12); }
    static V Rot8(V x) { return _mm512_maskz_ror_epi32(kAll32, x, 8); }
    static V Rot7(V x) { return _mm512_maskz_ror_epi32(kAll32, x, 7); }

    // A whole block of each input is one register: a 16 x 16 transpose. Within 128-bit lanes,
    // rows are interleaved by words and by pairs of words, which leaves, for each group of four
    // inputs and each k, lane L holding word 4L + k of the four; a 4 x 4 transpose of 128-bit
    // lanes across the four groups finishes it.
    static void LoadMessage(const uint8_t* const* in, size_t offset, V m[16]) {
        V u[4][4];  // [group of four inputs][k]
        for (int g = 0; g < 4; ++g) {
            const V r0 = _mm512_loadu_si512(in[4 * g + 0] + offset);
            const V r1 = _mm512_loadu_si512(in[4 * g + 1] + offset);
            const V r2 = _mm512_loadu_si512(in[4 * g + 2] + offset);
            const V r3 = _mm512_loadu_si512(in[4 * g + 3] + offset);
            const V t0 = _mm512_maskz_unpacklo_epi32(kAll32, r0, r1);
            const V t1 = _mm512_maskz_unpackhi_epi32(kAll32, r0, r1);
            const V t2 = _mm512_maskz_unpacklo_epi32(kAll32, r2, r3);
            const V t3 = _mm512_maskz_unpackhi_epi32(kAll32, r2, r3);
            u[g][0] = _mm512_maskz_unpacklo_epi64(kAll64, t0, t2);
            u[g][1] = _mm512_maskz_unpackhi_epi64(kAll64, t0, t2);
            u[g][2] = _mm512_maskz_unpacklo_epi64(kAll64, t1, t3);
            u[g][3] = _mm512_maskz_unpackhi_epi64(kAll64, t1, t3);
        }
        for (int k = 0; k < 4; ++k) {
            const V x0 = _mm512_maskz_shuffle_i32x4(kAll32, u[0][k], u[1][k], 0x44);  // A0 A1 B0 B1
            const V x1 = _mm512_maskz_shuffle_i32x4(kAll32, u[0][k], u[1][k], 0xEE);  // A2 A3 B2 B3
            const V y0 = _mm512_maskz_shuffle_i32x4(kAll32, u[2][k], u[3][k], 0x44);  // C0 C1 D0 D1
            const V y1 = _mm512_maskz_shuffle_i32x4(kAll32, u[2][k], u[3][k], 0xEE);  // C2 C3 D2 D3
            m[0 + k] = _mm512_maskz_shuffle_i32x4(kAll32, x0, y0, 0x88);              // A0 B0 C0 D0
            m[4 + k] = _mm512_maskz_shuffle_i32x4(kAll32, x0, y0, 0xDD);              // A1 B1 C1 D1
            m[8 + k] = _mm512_maskz_shuffle_i32x4(kAll32, x1, y1, 0x88);              // A2 B2 C2 D2
            m[12 + k] = _mm512_maskz_shuffle_i32x4(kAll32, x1, y1, 0xDD);             // A3 B3 C3 D3
        }
    }
};

}  // namespace

void HashManyAvx512(const uint8_t* const* Inputs, size_t Count, size_t Blocks,
                    const uint32_t Key[8], uint64_t Counter, bool IncrementCounter, uint8_t Flags,
                    uint8_t FlagsStart, uint8_t FlagsEnd, uint8_t* Out) {
    // Eight inputs or fewer fill a pass of AVX2 instead of half of one of sixteen lanes.
    const size_t done = lanes::HashMany<Avx512>(
        Inputs, Count, Blocks, Key, Counter, IncrementCounter, Flags, FlagsStart, FlagsEnd, Out, 9);
    if (done < Count)
        HashManyAvx2(Inputs + done, Count - done, Blocks, Key,
                     Counter + (IncrementCounter ? done : 0), IncrementCounter, Flags, FlagsStart,
                     FlagsEnd, Out + done * kCvLen);
}

}  // namespace blake3
