// Tiger (Anderson and Biham, 1996) as a member of the hash object family: 3 passes, a
// 192-bit result, the padding byte 0x01 of the first published Tiger.
#pragma once

#include "DCPcrypt2.h"

namespace tiger {
// The compression function over Count consecutive 64-byte blocks.
void CompressPortable(uint64_t State[3], const uint8_t* Blocks, size_t Count);

// The four S-boxes t1..t4 of the Tiger paper as T[0]..T[3]. They are generated at compile
// time by the paper's generation procedure and are read-only.
struct SBoxTable {
    uint64_t T[4][256];
};
extern const SBoxTable SBoxes;
}  // namespace tiger

class TDCP_tiger : public dcp::TDCP_blockhash<TDCP_tiger, uint64_t, 3, 64> {
public:
    static constexpr int kId = 18;
    static constexpr int kHashSize = 192;
    static constexpr const char* kAlgorithm = "Tiger";
    static constexpr bool kBigEndian = false;
    static constexpr uint64_t kInitialChain[3] = {0x0123456789ABCDEFull, 0xFEDCBA9876543210ull,
                                                  0xF096A5B4C3B2E187ull};
    static constexpr std::string_view kSelfCheck[4] = {
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+-",
        "f71c8583902afb879edfe610f82c0d4786a3a534504486b5",
        "Tiger - A Fast New Hash Function, by Ross Anderson and Eli Biham",
        "8a866829040a410c729ad23f5ada711603b3cdd357e4c15e"};
    // The padding of the first published Tiger, not Tiger2's 0x80.
    static constexpr uint8_t kPadByte = 0x01;
    static constexpr size_t kLengthOffset = 56;

    static void Compress(uint64_t* Chain, const uint8_t* Blocks, size_t Count) {
        tiger::CompressPortable(Chain, Blocks, Count);
    }

    // Tiger's length field is one 64-bit word: the bit count modulo 2^64.
    static void WriteLength(uint8_t* Block, uint64_t, uint64_t Low) {
        dcp::store_le64(Block + 56, Low);
    }
};
