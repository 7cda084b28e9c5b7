// Run-time CPU feature detection for the engine's instruction-set variants, and the
// process-wide switch that makes every module use its portable code (for tests and benches).
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

// While set, the modules that dispatch on Detected() take their portable code. Off at start.
// Meant for tests and benchmarks; not for use while another thread is hashing.
void ForcePortable(bool On);
bool PortableForced();

// The SHA-1/SHA-256 SHA-NI variants need SHA, SSE4.1 and SSSE3.
inline bool HasShaNi() {
    const Features& f = Detected();
    return f.Sha && f.Sse41 && f.Ssse3;
}

// The choice between a portable compression function and its SHA-NI variant, made once on
// first use; while ForcePortable is on, the portable one runs.
template <class Fn, Fn Portable, Fn ShaNi>
struct ShaNiChoice {
    static Fn Chosen() {
        static const Fn fn = HasShaNi() ? ShaNi : Portable;
        return fn;
    }
    static Fn InUse() { return PortableForced() ? Portable : Chosen(); }
    // "shani" or "portable".
    static const char* Provider() { return InUse() == ShaNi ? "shani" : "portable"; }
};

}  // namespace cpu
