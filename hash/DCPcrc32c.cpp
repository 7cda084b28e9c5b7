// CRC-32C: the portable code, slicing by eight (eight tables derived from the polynomial, so
// one step takes eight bytes with eight independent look-ups), and the hash object, which runs
// the kernel table's variant.
#include "DCPcrc32c.h"

#include <array>

namespace crc32c {

namespace {

constexpr std::array<std::array<uint32_t, 256>, 8> MakeTables() {
    std::array<std::array<uint32_t, 256>, 8> t{};
    for (uint32_t i = 0; i < 256; ++i) {
        uint32_t v = i;
        for (int k = 0; k < 8; ++k)
            v = (v & 1) ? (v >> 1) ^ kPoly : v >> 1;
        t[0][i] = v;
    }
    for (unsigned i = 0; i < 256; ++i)
        for (int s = 1; s < 8; ++s)
            t[s][i] = (t[s - 1][i] >> 8) ^ t[0][t[s - 1][i] & 0xFF];
    return t;
}

constexpr auto kTables = MakeTables();

}  // namespace

uint32_t UpdatePortable(const uint8_t* p, size_t n, uint32_t reg) {
    const auto& t = kTables;
    for (; n >= 8; n -= 8, p += 8) {
        const uint64_t v = dcp::load_le64(p) ^ reg;
        reg = t[7][v & 0xFF] ^ t[6][(v >> 8) & 0xFF] ^ t[5][(v >> 16) & 0xFF] ^
              t[4][(v >> 24) & 0xFF] ^ t[3][(v >> 32) & 0xFF] ^ t[2][(v >> 40) & 0xFF] ^
              t[1][(v >> 48) & 0xFF] ^ t[0][v >> 56];
    }
    for (; n > 0; --n)
        reg = t[0][(reg ^ *p++) & 0xFF] ^ (reg >> 8);
    return reg;
}

}  // namespace crc32c

bool TDCP_crc32c::SelfCheck() {
    // The check value of the nine ASCII digits, and the 32 zero bytes of RFC 3720, B.4.
    return dcp::SelfCheckVectors<TDCP_crc32c>("123456789", "e3069283",
                                              std::string_view("\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0"
                                                               "\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0",
                                                               32),
                                              "8a9136aa");
}

void TDCP_crc32c::Init() {
    Register = 0xFFFFFFFFu;
    Ready = true;
}

void TDCP_crc32c::Wipe() {
    Register = 0;
    Ready = false;
}

void TDCP_crc32c::Update(const void* Buffer, size_t Size) {
    RequireReady();
    if (Size > 0)
        Register = kernels::Active().crc32c(static_cast<const uint8_t*>(Buffer), Size, Register);
}

void TDCP_crc32c::Final(void* Digest) {
    RequireReady();
    dcp::store_be32(static_cast<uint8_t*>(Digest), ~Register);
    Wipe();
}
