// MD4 (RFC 1320) as a member of the hash object family.
#pragma once

#include "DCPcrypt2.h"

namespace md4 {
// The compression function over Count consecutive 64-byte blocks.
void CompressPortable(uint32_t State[4], const uint8_t* Blocks, size_t Count);
}  // namespace md4

class TDCP_md4 : public dcp::TDCP_blockhash<TDCP_md4, uint32_t, 4, 64> {
public:
    static constexpr int kId = 17;
    static constexpr int kHashSize = 128;
    static constexpr const char* kAlgorithm = "MD4";
    static constexpr bool kBigEndian = false;
    static constexpr uint32_t kInitialChain[4] = {0x67452301, 0xEFCDAB89, 0x98BADCFE, 0x10325476};
    static constexpr std::string_view kSelfCheck[4] = {"abc", "a448017aaf21d8525fc10ae87aa6729d",
                                                       "abcdefghijklmnopqrstuvwxyz",
                                                       "d79e1c308aa5bbcdeea8ed63df412da9"};

    static void Compress(uint32_t* Chain, const uint8_t* Blocks, size_t Count) {
        md4::CompressPortable(Chain, Blocks, Count);
    }
};
