// SHA-384/512 compression with the message schedule in AVX-512 registers (DCPsha512_pairs.h),
// on 256-bit vectors: the same steps as the AVX2 variant, with VPRORQ for the rotations and
// one VPTERNLOGQ for each three-way exclusive or. Compiled with the AVX-512 F/VL/BW, AVX2 and
// BMI2 flags; called only when the CPU has them all.
#include "DCPsha512_pairs.h"

namespace sha512 {

namespace {

// VPTERNLOGQ truth table of a ^ b ^ c.
constexpr int kXor3 = 0x96;

// The schedule functions of FIPS 180-4 on four lanes.
struct Avx512Sigma {
    // SSIG0: ROTR^1 ^ ROTR^8 ^ SHR^7.
    static __m256i Ssig0(__m256i x) {
        return _mm256_ternarylogic_epi64(_mm256_ror_epi64(x, 1), _mm256_ror_epi64(x, 8),
                                         _mm256_srli_epi64(x, 7), kXor3);
    }
    // SSIG1: ROTR^19 ^ ROTR^61 ^ SHR^6.
    static __m256i Ssig1(__m256i x) {
        return _mm256_ternarylogic_epi64(_mm256_ror_epi64(x, 19), _mm256_ror_epi64(x, 61),
                                         _mm256_srli_epi64(x, 6), kXor3);
    }
};

}  // namespace

void CompressAvx512(uint64_t State[8], const uint8_t* Blocks, size_t Count) {
    CompressPairs<Avx512Sigma>(State, Blocks, Count);
}

}  // namespace sha512
