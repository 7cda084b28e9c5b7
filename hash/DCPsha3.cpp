// Keccak-f[1600] and the SHA-3 sponge, written from FIPS 202: the portable kernel. Chi's
// (~x & y) is left to the compiler, which has no single instruction for it on the baseline
// x86-64 (DCPsha3_bmi1.cpp is the same code where ANDN exists).
#include "DCPsha3.h"

#include "keccak_rounds.h"

#define KECCAK_ANDN(x, y) (~(x) & (y))

namespace sha3 {
KECCAK_DEFINE_ABSORB(AbsorbPortable)
}  // namespace sha3
