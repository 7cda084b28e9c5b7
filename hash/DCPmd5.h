// MD5 (RFC 1321) as a member of the hash object family.
#pragma once

#include "DCPcrypt2.h"

namespace md5 {
// The compression function over Count consecutive 64-byte blocks.
void CompressPortable(uint32_t State[4], const uint8_t* Blocks, size_t Count);
}  // namespace md5

class TDCP_md5 : public dcp::TDCP_blockhash<TDCP_md5, uint32_t, 4, 64> {
public:
    static constexpr int kId = 16;
    static constexpr int kHashSize = 128;
    static constexpr const char* kAlgorithm = "MD5";
    static constexpr bool kBigEndian = false;
    static constexpr uint32_t kInitialChain[4] = {0x67452301, 0xEFCDAB89, 0x98BADCFE, 0x10325476};
    static constexpr std::string_view kSelfCheck[4] = {"abc", "900150983cd24fb0d6963f7d28e17f72",
                                                       "abcdefghijklmnopqrstuvwxyz",
                                                       "c3fcd3d76192e4007dfb496cca67e13b"};

    static void Compress(uint32_t* Chain, const uint8_t* Blocks, size_t Count) {
        md5::CompressPortable(Chain, Blocks, Count);
    }
};
