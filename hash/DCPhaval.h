// HAVAL (Zheng, Pieprzyk and Seberry, 1992) with 5 passes and a 256-bit result as a member of
// the hash object family. It follows published HAVAL in everything but the padding byte:
// 0x80 where HAVAL has 0x01, so its digests are not the published HAVAL-256/5 values.
#pragma once

#include "DCPcrypt2.h"

namespace haval {
// The 5-pass compression function over Count consecutive 128-byte blocks.
void CompressPortable(uint32_t State[8], const uint8_t* Blocks, size_t Count);
}  // namespace haval

class TDCP_haval : public dcp::TDCP_blockhash<TDCP_haval, uint32_t, 8, 128> {
public:
    static constexpr int kId = 14;
    static constexpr int kHashSize = 256;
    static constexpr const char* kAlgorithm =
        "Haval ("
        "256bit, "
        "5 passes)";
    static constexpr bool kBigEndian = false;
    // The first eight words of the fractional part of pi.
    static constexpr uint32_t kInitialChain[8] = {0x243F6A88, 0x85A308D3, 0x13198A2E, 0x03707344,
                                                  0xA4093822, 0x299F31D0, 0x082EFA98, 0xEC4E6C89};
    static constexpr std::string_view kSelfCheck[4] = {
        "abcdefghijklmnopqrstuvwxyz",
        "1a1dc8099bdaa7f35b4da4e805f1a28fee909d8dee920198185cbcaed8a10a8d",
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789",
        "c5647fc6c1877fff96742f27e9266b6874894f41a08f5913033d9d532aeddb39"};
    static constexpr size_t kLengthOffset = 118;

    static void Compress(uint32_t* Chain, const uint8_t* Blocks, size_t Count) {
        haval::CompressPortable(Chain, Blocks, Count);
    }

    // The trailer: version 1, 5 passes, 256-bit output as ((256 mod 4) << 6) | (5 << 3) | 1,
    // then 256 div 4, then the 64-bit bit count, little-endian.
    static void WriteLength(uint8_t* Block, uint32_t High, uint32_t Low) {
        Block[118] = 0x29;
        Block[119] = 0x40;
        dcp::store_le32(Block + 120, Low);
        dcp::store_le32(Block + 124, High);
    }
};
