// The instruction-set variants behind Crc32Update, Crc64Update and Adler32Update (hashhead.h).
// Each variant gives the same value as the portable code for every input; the public functions
// run the one in the kernel table (kernels.h). The x86 variants are built on x86-64 only.
#pragma once

#include <cstddef>
#include <cstdint>

namespace checksums {

// Raw register updates (no inversion), Adler-32 continued from Value.
uint32_t Crc32Portable(const uint8_t* p, size_t n, uint32_t reg);
uint64_t Crc64Portable(const uint8_t* p, size_t n, uint64_t reg);
uint32_t Adler32Portable(uint32_t value, const uint8_t* p, size_t n);

// PCLMULQDQ folding (checksums_pclmul.cpp): needs PCLMULQDQ and SSE4.1.
uint32_t Crc32Pclmul(const uint8_t* p, size_t n, uint32_t reg);
uint64_t Crc64Pclmul(const uint8_t* p, size_t n, uint64_t reg);

// VPCLMULQDQ folding on 512-bit vectors (checksums_vpclmul.cpp): needs VPCLMULQDQ and AVX-512
// F/VL/BW, besides what the PCLMULQDQ code needs.
uint32_t Crc32Vpclmul(const uint8_t* p, size_t n, uint32_t reg);
uint64_t Crc64Vpclmul(const uint8_t* p, size_t n, uint64_t reg);

// VPCLMULQDQ folding on 256-bit vectors (checksums_vpclmul256.cpp): needs VPCLMULQDQ and AVX2,
// besides what the PCLMULQDQ code needs.
uint32_t Crc32Vpclmul256(const uint8_t* p, size_t n, uint32_t reg);
uint64_t Crc64Vpclmul256(const uint8_t* p, size_t n, uint64_t reg);

// PMULL folding (checksums_armv8.cpp, aarch64 only): needs the PMULL instruction.
uint32_t Crc32Pmull(const uint8_t* p, size_t n, uint32_t reg);
uint64_t Crc64Pmull(const uint8_t* p, size_t n, uint64_t reg);

// AVX2 (checksums_avx2.cpp).
uint32_t Adler32Avx2(uint32_t value, const uint8_t* p, size_t n);
// AVX-512 F and BW (checksums_avx512.cpp), and the same with AVX512-VNNI.
uint32_t Adler32Avx512(uint32_t value, const uint8_t* p, size_t n);
uint32_t Adler32Avx512Vnni(uint32_t value, const uint8_t* p, size_t n);

}  // namespace checksums
