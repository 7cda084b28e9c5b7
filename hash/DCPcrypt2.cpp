#include "DCPcrypt2.h"

#include <algorithm>

#include "hextext.h"

void TDCP_hash::RequireReady() const {
    if (!Ready) throw EDCP_hash("Hash not initialized");
}

namespace dcp {

std::string HexToBytes(std::string_view hex) {
    // A character that is no digit counts as 0.
    auto nibble = [](char c) { return std::max(hextext::DigitValue(c), 0); };
    std::string out(hex.size() / 2, '\0');
    for (size_t i = 0; i < out.size(); ++i)
        out[i] = char(nibble(hex[2 * i]) << 4 | nibble(hex[2 * i + 1]));
    return out;
}

}  // namespace dcp
