// SHA-384/512 compression with the message schedule in AVX2 registers (DCPsha512_pairs.h).
// Compiled with -mavx2 -mbmi2; called only when the CPU has both.
#include "DCPsha512_pairs.h"

namespace sha512 {

namespace {

// The schedule functions of FIPS 180-4 on four lanes. AVX2 has no 64-bit rotation: each
// rotation is two shifts, except ROTR^8, which moves whole bytes (one VPSHUFB).
struct Avx2Sigma {
    // SSIG0: ROTR^1 ^ ROTR^8 ^ SHR^7.
    static __m256i Ssig0(__m256i x) {
        const __m256i rotr8 =
            _mm256_setr_epi8(1, 2, 3, 4, 5, 6, 7, 0, 9, 10, 11, 12, 13, 14, 15, 8, 1, 2, 3, 4, 5, 6,
                             7, 0, 9, 10, 11, 12, 13, 14, 15, 8);
        const __m256i r1 = _mm256_xor_si256(_mm256_srli_epi64(x, 1), _mm256_slli_epi64(x, 63));
        return _mm256_xor_si256(_mm256_xor_si256(r1, _mm256_shuffle_epi8(x, rotr8)),
                                _mm256_srli_epi64(x, 7));
    }
    // SSIG1: ROTR^19 ^ ROTR^61 ^ SHR^6.
    static __m256i Ssig1(__m256i x) {
        const __m256i a = _mm256_xor_si256(_mm256_srli_epi64(x, 19), _mm256_slli_epi64(x, 45));
        const __m256i b = _mm256_xor_si256(_mm256_srli_epi64(x, 61), _mm256_slli_epi64(x, 3));
        return _mm256_xor_si256(_mm256_xor_si256(a, b), _mm256_srli_epi64(x, 6));
    }
};

}  // namespace

void CompressAvx2(uint64_t State[8], const uint8_t* Blocks, size_t Count) {
    CompressPairs<Avx2Sigma>(State, Blocks, Count);
}

}  // namespace sha512
