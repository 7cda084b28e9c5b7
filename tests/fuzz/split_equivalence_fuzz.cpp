// Split equivalence of every algorithm: a message fed in pieces of any sizes (empty
// ones included) gives the text of the same message fed in one piece, with the best kernels
// and with the portable ones. The input is the message after a short plan of piece sizes.
#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <iterator>
#include <string>
#include <vector>

#include "hashhead.h"
#include "hashstream.h"
#include "kernels.h"

namespace {

std::string OnePiece(int32_t id, const std::vector<uint8_t>& message) {
    THashStream stream(id);
    stream.Update(message.data(), message.size());
    return stream.Final();
}

// The plan's sizes, over and over, until the message is used up; the plan holds a size above 0.
std::string InPieces(int32_t id, const std::vector<uint8_t>& message,
                     const std::vector<size_t>& plan) {
    THashStream stream(id);
    for (size_t at = 0, i = 0; at < message.size(); ++i) {
        const size_t n = std::min(plan[i % plan.size()], message.size() - at);
        stream.Update(message.data() + at, n);
        at += n;
    }
    return stream.Final();
}

void Check(bool same, const char* algorithm, const char* what) {
    if (same) return;
    std::fprintf(stderr, "%s: %s differs from one piece\n", algorithm, what);
    std::abort();
}

void CheckAlgorithm(const TAlgorithmInfo& a, const std::vector<uint8_t>& message,
                    const std::vector<size_t>& plan) {
    const std::string whole = OnePiece(a.Id, message);
    if (whole.size() != size_t(a.HexLength)) std::abort();
    Check(InPieces(a.Id, message, plan) == whole, a.Name, "pieces");
    kernels::ForcePortable(true);
    Check(InPieces(a.Id, message, plan) == whole, a.Name, "pieces on the portable kernels");
    kernels::ForcePortable(false);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider input(data, size);
    std::vector<size_t> plan(input.ConsumeIntegralInRange<size_t>(1, 8));
    for (size_t& n : plan)
        n = input.ConsumeIntegralInRange<size_t>(0, 300);
    if (std::all_of(plan.begin(), plan.end(), [](size_t n) { return n == 0; })) plan.push_back(1);
    const std::vector<uint8_t> message = input.ConsumeRemainingBytes<uint8_t>();

    for (const TAlgorithmInfo& a : AlgorithmTable)
        CheckAlgorithm(a, message, plan);
    return 0;
}
