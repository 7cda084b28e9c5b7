// Standard input, read once to its end and hashed with several algorithms in that one read:
// for a "-" on quernsum's command line and for a "-" listed in a checksum file.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace cli {

struct StreamDigests {
    std::vector<std::string> digests;  // in the order of the algorithms; empty after a failure
    int error = 0;                     // the errno of a failed read
};

StreamDigests HashStandardInput(const std::vector<int32_t>& Algorithms);

}  // namespace cli
