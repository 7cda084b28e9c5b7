// BLAKE3's many-input kernel on 4 lanes of SSE4.1 (blake3_lanes.h). Compiled with -msse4.1;
// called only when the CPU has SSE4.1 and SSSE3.
#include <immintrin.h>

#include "blake3_lanes.h"

namespace blake3 {

namespace {

alignas(16) constexpr uint8_t kRot16[16] = {2, 3, 0, 1, 6, 7, 4, 5, 10, 11, 8, 9, 14, 15, 12, 13};
alignas(16) constexpr uint8_t kRot8[16] = {1, 2, 3, 0, 5, 6, 7, 4, 9, 10, 11, 8, 13, 14, 15, 12};

// The pattern at P, loaded where it is used: the empty asm hides that P never changes, so the
// load is not hoisted into a register for the whole loop.
inline __m128i Pattern(const uint8_t* p) {
    asm volatile("" : "+r"(p));
    return _mm_load_si128(reinterpret_cast<const __m128i*>(p));
}

struct Sse41 {
    using V = __m128i;
    static constexpr size_t kLanes = 4;
    static constexpr int kRegisters = 16;

    static V Set1(uint32_t x) { return _mm_set1_epi32(int(x)); }
    static V Load(const uint32_t* p) { return _mm_loadu_si128(reinterpret_cast<const V*>(p)); }
    static void Store(V x, uint32_t* p) { _mm_storeu_si128(reinterpret_cast<V*>(p), x); }
    static V Add(V a, V b) { return _mm_add_epi32(a, b); }
    static V Xor(V a, V b) { return _mm_xor_si128(a, b); }
    // Rotations by whole bytes are one byte shuffle, its pattern taken from memory each time:
    // kept in registers, the two patterns made GCC spill state words instead, on the critical
    // path (3.1 against 3.5 GB/s of CPU time for AVX2).
    static V Rot16(V x) { return _mm_shuffle_epi8(x, Pattern(kRot16)); }
    static V Rot8(V x) { return _mm_shuffle_epi8(x, Pattern(kRot8)); }
    static V Rot12(V x) { return _mm_or_si128(_mm_srli_epi32(x, 12), _mm_slli_epi32(x, 20)); }
    static V Rot7(V x) { return _mm_or_si128(_mm_srli_epi32(x, 7), _mm_slli_epi32(x, 25)); }

    // Four words of each input at a time, transposed.
    static void LoadMessage(const uint8_t* const* in, size_t offset, V m[16]) {
        for (int q = 0; q < 4; ++q) {
            const V r0 = _mm_loadu_si128(reinterpret_cast<const V*>(in[0] + offset + 16 * q));
            const V r1 = _mm_loadu_si128(reinterpret_cast<const V*>(in[1] + offset + 16 * q));
            const V r2 = _mm_loadu_si128(reinterpret_cast<const V*>(in[2] + offset + 16 * q));
            const V r3 = _mm_loadu_si128(reinterpret_cast<const V*>(in[3] + offset + 16 * q));
            const V t0 = _mm_unpacklo_epi32(r0, r1);  // a0 b0 a1 b1
            const V t1 = _mm_unpackhi_epi32(r0, r1);  // a2 b2 a3 b3
            const V t2 = _mm_unpacklo_epi32(r2, r3);  // c0 d0 c1 d1
            const V t3 = _mm_unpackhi_epi32(r2, r3);  // c2 d2 c3 d3
            m[4 * q + 0] = _mm_unpacklo_epi64(t0, t2);
            m[4 * q + 1] = _mm_unpackhi_epi64(t0, t2);
            m[4 * q + 2] = _mm_unpacklo_epi64(t1, t3);
            m[4 * q + 3] = _mm_unpackhi_epi64(t1, t3);
        }
    }
};

}  // namespace

void HashManySse41(const uint8_t* const* Inputs, size_t Count, size_t Blocks, const uint32_t Key[8],
                   uint64_t Counter, bool IncrementCounter, uint8_t Flags, uint8_t FlagsStart,
                   uint8_t FlagsEnd, uint8_t* Out) {
    // A lone input is faster on the portable code; two or more take a pass of four lanes (which
    // costs about one and a half portable compressions).
    const size_t done = lanes::HashMany<Sse41>(
        Inputs, Count, Blocks, Key, Counter, IncrementCounter, Flags, FlagsStart, FlagsEnd, Out, 2);
    if (done < Count)
        HashManyPortable(Inputs + done, Count - done, Blocks, Key,
                         Counter + (IncrementCounter ? done : 0), IncrementCounter, Flags,
                         FlagsStart, FlagsEnd, Out + done * kCvLen);
}

}  // namespace blake3
