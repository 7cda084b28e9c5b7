// RIPEMD-160 as a member of the hash object family.
#pragma once

#include "DCPcrypt2.h"

namespace ripemd160 {
// The compression function over Count consecutive 64-byte blocks.
void CompressPortable(uint32_t State[5], const uint8_t* Blocks, size_t Count);
}  // namespace ripemd160

class TDCP_ripemd160 : public dcp::TDCP_blockhash<TDCP_ripemd160, uint32_t, 5, 64> {
public:
    static constexpr int kId = 10;
    static constexpr int kHashSize = 160;
    static constexpr const char* kAlgorithm = "RipeMD-160";
    static constexpr bool kBigEndian = false;
    static constexpr uint32_t kInitialChain[5] = {0x67452301, 0xEFCDAB89, 0x98BADCFE, 0x10325476,
                                                  0xC3D2E1F0};
    static constexpr std::string_view kSelfCheck[4] = {
        "a", "0bdc9d2d256b3ee9daae347be6f4dc835a467ffe", "abcdefghijklmnopqrstuvwxyz",
        "f71c27109c692c1b56bbdceb5b9d2865b3708dbc"};

    static void Compress(uint32_t* Chain, const uint8_t* Blocks, size_t Count) {
        ripemd160::CompressPortable(Chain, Blocks, Count);
    }
};
