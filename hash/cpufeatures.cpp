#include "cpufeatures.h"

#if defined(__x86_64__) || defined(__i386__)
#include <cpuid.h>
#endif

namespace cpu {

namespace {

#if defined(__x86_64__) || defined(__i386__)
// XCR0 read by xgetbv; only called when cpuid reports OSXSAVE.
unsigned long long ReadXcr0() {
    unsigned eax, edx;
    asm volatile("xgetbv" : "=a"(eax), "=d"(edx) : "c"(0));
    return (static_cast<unsigned long long>(edx) << 32) | eax;
}

Features Detect() {
    Features f;
    unsigned a, b, c, d;
    if (!__get_cpuid(1, &a, &b, &c, &d)) return f;
    f.Ssse3 = c & (1u << 9);
    f.Sse41 = c & (1u << 19);
    f.Pclmul = c & (1u << 1);
    f.Sse42 = c & (1u << 20);
    const bool osxsave = c & (1u << 27);
    const bool avx = c & (1u << 28);
    const unsigned long long xcr0 = osxsave ? ReadXcr0() : 0;
    const bool ymm = (xcr0 & 0x6) == 0x6;    // SSE and AVX state
    const bool zmm = (xcr0 & 0xE6) == 0xE6;  // plus opmask, ZMM_Hi256 and Hi16_ZMM

    if (__get_cpuid_max(0, nullptr) >= 7) {
        __cpuid_count(7, 0, a, b, c, d);
        f.Sha = b & (1u << 29);
        f.Bmi2 = b & (1u << 8);
        f.Bmi1 = b & (1u << 3);
        f.Avx2 = avx && ymm && (b & (1u << 5));
        const bool avx512 = (b & (1u << 16)) && (b & (1u << 31)) && (b & (1u << 30));
        f.Avx512 = f.Avx2 && zmm && avx512;
        f.Vpclmul = f.Avx2 && (c & (1u << 10));
        f.Avx512Vnni = f.Avx512 && (c & (1u << 11));
    }
    return f;
}
#elif defined(__aarch64__)
Features Detect() {
    Features f;
    const ArmCapabilities caps = ReadArmCapabilities();
    f.ArmSha1 = caps.sha1;
    f.ArmSha2 = caps.sha2;
    f.ArmPmull = caps.pmull;
    f.ArmCrc32 = caps.crc32;
    f.ArmNeon = caps.neon;
    return f;
}
#else
Features Detect() {
    return {};
}
#endif

}  // namespace

const Features& Detected() {
    static const Features features = Detect();
    return features;
}

}  // namespace cpu
