// BLAKE3's many-input kernel on 8 lanes of AVX2 (blake3_lanes.h). Compiled with -mavx2;
// called only when the CPU has AVX2.
#include <immintrin.h>

#include "blake3_lanes.h"

namespace blake3 {

namespace {

alignas(32) constexpr uint8_t kRot16[32] = {2, 3, 0, 1, 6, 7, 4, 5, 10, 11, 8, 9, 14, 15, 12, 13,
                                            2, 3, 0, 1, 6, 7, 4, 5, 10, 11, 8, 9, 14, 15, 12, 13};
alignas(32) constexpr uint8_t kRot8[32] = {1, 2, 3, 0, 5, 6, 7, 4, 9, 10, 11, 8, 13, 14, 15, 12,
                                           1, 2, 3, 0, 5, 6, 7, 4, 9, 10, 11, 8, 13, 14, 15, 12};

// The pattern at P, loaded where it is used: the empty asm hides that P never changes, so the
// load is not hoisted into a register for the whole loop.
inline __m256i Pattern(const uint8_t* p) {
    asm volatile("" : "+r"(p));
    return _mm256_load_si256(reinterpret_cast<const __m256i*>(p));
}

struct Avx2 {
    using V = __m256i;
    static constexpr size_t kLanes = 8;
    static constexpr int kRegisters = 16;

    static V Set1(uint32_t x) { return _mm256_set1_epi32(int(x)); }
    static V Load(const uint32_t* p) { return _mm256_loadu_si256(reinterpret_cast<const V*>(p)); }
    static void Store(V x, uint32_t* p) { _mm256_storeu_si256(reinterpret_cast<V*>(p), x); }
    static V Add(V a, V b) { return _mm256_add_epi32(a, b); }
    static V Xor(V a, V b) { return _mm256_xor_si256(a, b); }
    // Rotations by whole bytes are one byte shuffle, its pattern taken from memory each time:
    // kept in registers, the two patterns made GCC spill state words instead, on the critical
    // path (3.1 against 3.5 GB/s of CPU time for AVX2).
    static V Rot16(V x) { return _mm256_shuffle_epi8(x, Pattern(kRot16)); }
    static V Rot8(V x) { return _mm256_shuffle_epi8(x, Pattern(kRot8)); }
    static V Rot12(V x) {
        return _mm256_or_si256(_mm256_srli_epi32(x, 12), _mm256_slli_epi32(x, 20));
    }
    static V Rot7(V x) {
        return _mm256_or_si256(_mm256_srli_epi32(x, 7), _mm256_slli_epi32(x, 25));
    }

    // Eight words of each input at a time, transposed: pairs of rows interleaved by words,
    // then by pairs of words, then the 128-bit halves exchanged.
    static void LoadMessage(const uint8_t* const* in, size_t offset, V m[16]) {
        for (int half = 0; half < 2; ++half) {
            V r[8];
            for (int i = 0; i < 8; ++i)
                r[i] = _mm256_loadu_si256(reinterpret_cast<const V*>(in[i] + offset + 32 * half));
            const V t0 = _mm256_unpacklo_epi32(r[0], r[1]);  // a0 b0 a1 b1 | a4 b4 a5 b5
            const V t1 = _mm256_unpackhi_epi32(r[0], r[1]);  // a2 b2 a3 b3 | a6 b6 a7 b7
            const V t2 = _mm256_unpacklo_epi32(r[2], r[3]);
            const V t3 = _mm256_unpackhi_epi32(r[2], r[3]);
            const V t4 = _mm256_unpacklo_epi32(r[4], r[5]);
            const V t5 = _mm256_unpackhi_epi32(r[4], r[5]);
            const V t6 = _mm256_unpacklo_epi32(r[6], r[7]);
            const V t7 = _mm256_unpackhi_epi32(r[6], r[7]);
            const V u0 = _mm256_unpacklo_epi64(t0, t2);  // a0 b0 c0 d0 | a4 b4 c4 d4
            const V u1 = _mm256_unpackhi_epi64(t0, t2);  // word 1 | word 5
            const V u2 = _mm256_unpacklo_epi64(t1, t3);  // word 2 | word 6
            const V u3 = _mm256_unpackhi_epi64(t1, t3);  // word 3 | word 7
            const V u4 = _mm256_unpacklo_epi64(t4, t6);  // e0 f0 g0 h0 | e4 f4 g4 h4
            const V u5 = _mm256_unpackhi_epi64(t4, t6);
            const V u6 = _mm256_unpacklo_epi64(t5, t7);
            const V u7 = _mm256_unpackhi_epi64(t5, t7);
            V* w = m + 8 * half;
            w[0] = _mm256_permute2x128_si256(u0, u4, 0x20);
            w[1] = _mm256_permute2x128_si256(u1, u5, 0x20);
            w[2] = _mm256_permute2x128_si256(u2, u6, 0x20);
            w[3] = _mm256_permute2x128_si256(u3, u7, 0x20);
            w[4] = _mm256_permute2x128_si256(u0, u4, 0x31);
            w[5] = _mm256_permute2x128_si256(u1, u5, 0x31);
            w[6] = _mm256_permute2x128_si256(u2, u6, 0x31);
            w[7] = _mm256_permute2x128_si256(u3, u7, 0x31);
        }
    }
};

}  // namespace

void HashManyAvx2(const uint8_t* const* Inputs, size_t Count, size_t Blocks, const uint32_t Key[8],
                  uint64_t Counter, bool IncrementCounter, uint8_t Flags, uint8_t FlagsStart,
                  uint8_t FlagsEnd, uint8_t* Out) {
    // A lone input is faster on the portable code; two or more take a pass of eight lanes (which
    // costs about as much as one of four with SSE4.1).
    const size_t done = lanes::HashMany<Avx2>(Inputs, Count, Blocks, Key, Counter, IncrementCounter,
                                              Flags, FlagsStart, FlagsEnd, Out, 2);
    if (done < Count)
        HashManyPortable(Inputs + done, Count - done, Blocks, Key,
                         Counter + (IncrementCounter ? done : 0), IncrementCounter, Flags,
                         FlagsStart, FlagsEnd, Out + done * kCvLen);
}

}  // namespace blake3
