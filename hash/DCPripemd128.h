// RIPEMD-128 as a member of the hash object family.
#pragma once

#include "DCPcrypt2.h"

namespace ripemd128 {
// The compression function over Count consecutive 64-byte blocks.
void CompressPortable(uint32_t State[4], const uint8_t* Blocks, size_t Count);
}  // namespace ripemd128

class TDCP_ripemd128 : public dcp::TDCP_blockhash<TDCP_ripemd128, uint32_t, 4, 64> {
public:
    static constexpr int kId = 27;
    static constexpr int kHashSize = 128;
    static constexpr const char* kAlgorithm = "RipeMD-128";
    static constexpr bool kBigEndian = false;
    static constexpr uint32_t kInitialChain[4] = {0x67452301, 0xEFCDAB89, 0x98BADCFE, 0x10325476};
    static constexpr std::string_view kSelfCheck[4] = {"a", "86be7afa339d0fc7cfc785e72f578d33",
                                                       "abcdefghijklmnopqrstuvwxyz",
                                                       "fd2aa607f71dc8f510714922b371834e"};

    static void Compress(uint32_t* Chain, const uint8_t* Blocks, size_t Count) {
        ripemd128::CompressPortable(Chain, Blocks, Count);
    }
};
