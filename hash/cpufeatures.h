// Run-time CPU feature detection for the engine's instruction-set variants; the kernel table
// (kernels.h) is filled from it.
#pragma once

namespace cpu {

// What the CPU (and, for the AVX families, the operating system) supports. Detected once, on
// first use; every field is false on a CPU without cpuid or on a non-x86 target.
struct Features {
    bool Ssse3 = false;
    bool Sse41 = false;
    bool Pclmul = false;
    bool Sha = false;  // the SHA extensions: cpuid leaf 7, EBX bit 29
    bool Bmi2 = false;
    bool Avx2 = false;        // with OS support for the YMM state
    bool Avx512 = false;      // F, VL and BW, with OS support for the ZMM state
    bool Vpclmul = false;     // VPCLMULQDQ (used with AVX-512)
    bool Avx512Vnni = false;  // AVX512-VNNI (used with AVX-512)
};

// The features of this CPU, detected on the first call.
const Features& Detected();

}  // namespace cpu
