// SHA-384/512 compression: the portable code (DCPsha512_rounds.h) compiled with -mbmi2, so
// that each rotation is one RORX into a free register. Called only when the CPU has BMI2.
#include "DCPsha512_rounds.h"

namespace sha512 {

void CompressBmi2(uint64_t State[8], const uint8_t* p, size_t Count) {
    CompressScalar(State, p, Count);
}

}  // namespace sha512
