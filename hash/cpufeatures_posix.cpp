// The CPU features that 64-bit ARM Linux reports in the auxiliary vector: user code cannot
// read the ID registers itself, so the kernel passes what the CPU has as HWCAP bits.
#include "cpufeatures.h"

#if defined(__aarch64__) && defined(__linux__)
#include <asm/hwcap.h>
#include <sys/auxv.h>
#endif

namespace cpu {

ArmCapabilities ReadArmCapabilities() {
    ArmCapabilities caps;
#if defined(__aarch64__) && defined(__linux__)
    const unsigned long hwcap = ::getauxval(AT_HWCAP);
    caps.sha1 = hwcap & HWCAP_SHA1;
    caps.sha2 = hwcap & HWCAP_SHA2;
    caps.pmull = hwcap & HWCAP_PMULL;
    caps.crc32 = hwcap & HWCAP_CRC32;
    caps.neon = hwcap & HWCAP_ASIMD;
#endif
    return caps;
}

}  // namespace cpu
