#include "DCPcrypt2.h"

void TDCP_hash::RequireReady() const {
    if (!Ready) throw EDCP_hash("Hash not initialized");
}

namespace dcp {

std::string HexToBytes(std::string_view hex) {
    auto nibble = [](char c) -> int {
        if (c >= '0' && c <= '9') return c - '0';
        if (c >= 'a' && c <= 'f') return c - 'a' + 10;
        if (c >= 'A' && c <= 'F') return c - 'A' + 10;
        return 0;
    };
    std::string out(hex.size() / 2, '\0');
    for (size_t i = 0; i < out.size(); ++i)
        out[i] = char(nibble(hex[2 * i]) << 4 | nibble(hex[2 * i + 1]));
    return out;
}

}  // namespace dcp
