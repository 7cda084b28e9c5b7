// The Keccak kernel compiled with -mbmi: each of chi's 25 (~x & y) becomes one ANDN, where the
// baseline needs a copy, a NOT and an AND. Called only when the CPU has BMI1.
#include "DCPsha3.h"
#include "keccak_rounds.h"

#define KECCAK_ANDN(x, y) (~(x) & (y))

namespace sha3 {
KECCAK_DEFINE_ABSORB(AbsorbBmi1)
}  // namespace sha3
