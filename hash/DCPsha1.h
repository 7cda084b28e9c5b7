// SHA-1 (FIPS 180-1) as a member of the hash object family.
#pragma once

#include "DCPcrypt2.h"
#include "kernels.h"

namespace sha1 {
// The compression function over Count consecutive 64-byte blocks: portable code.
void CompressPortable(uint32_t State[5], const uint8_t* Blocks, size_t Count);
// The same with the SHA extensions (DCPsha1_shani.cpp, x86-64 only); only call when the CPU
// has SHA, SSE4.1 and SSSE3.
void CompressShaNi(uint32_t State[5], const uint8_t* Blocks, size_t Count);
// The same with the ARMv8 cryptographic extension (DCPsha1_armv8.cpp, aarch64 only); only call
// when the CPU has its SHA-1 instructions.
void CompressArmv8(uint32_t State[5], const uint8_t* Blocks, size_t Count);
}  // namespace sha1

class TDCP_sha1 : public dcp::TDCP_blockhash<TDCP_sha1, uint32_t, 5, 64> {
public:
    static constexpr int kId = 2;
    static constexpr int kHashSize = 160;
    static constexpr const char* kAlgorithm = "SHA1";
    static constexpr bool kBigEndian = true;
    static constexpr uint32_t kInitialChain[5] = {0x67452301, 0xEFCDAB89, 0x98BADCFE, 0x10325476,
                                                  0xC3D2E1F0};
    static constexpr std::string_view kSelfCheck[4] = {
        "abc", "a9993e364706816aba3e25717850c26c9cd0d89d",
        "abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq",
        "84983e441c3bd26ebaae4aa1f95129e5e54670f1"};

    static void Compress(uint32_t* Chain, const uint8_t* Blocks, size_t Count) {
        kernels::Active().sha1(Chain, Blocks, Count);
    }
};
