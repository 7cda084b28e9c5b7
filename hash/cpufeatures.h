// Run-time CPU feature detection for the engine's instruction-set variants; the kernel table
// (kernels.h) is filled from it.
#pragma once

namespace cpu {

// What the CPU (and, for the AVX families, the operating system) supports. Detected once, on
// first use; every field is false where the CPU or the system does not tell.
struct Features {
    bool Ssse3 = false;
    bool Sse41 = false;
    bool Pclmul = false;
    bool Sha = false;  // the SHA extensions: cpuid leaf 7, EBX bit 29
    bool Bmi2 = false;
    bool Bmi1 = false;        // ANDN
    bool Avx2 = false;        // with OS support for the YMM state
    bool Avx512 = false;      // F, VL and BW, with OS support for the ZMM state
    bool Vpclmul = false;     // VPCLMULQDQ, with AVX2 (256-bit vectors; 512-bit with AVX-512)
    bool Avx512Vnni = false;  // AVX512-VNNI (used with AVX-512)
    bool Sse42 = false;       // SSE4.2, for its crc32 instruction (CRC-32C)
    // 64-bit ARM, as the kernel reports it (HWCAP): the SHA-1, SHA-256 and PMULL instructions
    // of the cryptographic extension.
    bool ArmSha1 = false;
    bool ArmSha2 = false;
    bool ArmPmull = false;  // the 64-bit carry-less multiply
    bool ArmCrc32 = false;  // the CRC32 and CRC32C instructions
    bool ArmNeon = false;   // Advanced SIMD (every 64-bit ARM Linux system has it)
};

// The features of this CPU, detected on the first call.
const Features& Detected();

// What the system reports of a 64-bit ARM CPU (cpufeatures_posix.cpp); all false elsewhere.
struct ArmCapabilities {
    bool sha1 = false;
    bool sha2 = false;
    bool pmull = false;
    bool crc32 = false;
    bool neon = false;
};
ArmCapabilities ReadArmCapabilities();

}  // namespace cpu
