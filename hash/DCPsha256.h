// SHA-256 (FIPS 180-2) as a member of the hash object family.
#pragma once

#include "DCPcrypt2.h"
#include "kernels.h"

namespace sha256 {
// The 64 round constants of FIPS 180-2.
extern const uint32_t K[64];
// The compression function over Count consecutive 64-byte blocks: portable code.
void CompressPortable(uint32_t State[8], const uint8_t* Blocks, size_t Count);
// The same with the SHA extensions (DCPsha256_shani.cpp, x86-64 only); only call when the CPU
// has SHA, SSE4.1 and SSSE3.
void CompressShaNi(uint32_t State[8], const uint8_t* Blocks, size_t Count);
// The same with the ARMv8 cryptographic extension (DCPsha256_armv8.cpp, aarch64 only); only call
// when the CPU has its SHA-256 instructions.
void CompressArmv8(uint32_t State[8], const uint8_t* Blocks, size_t Count);
}  // namespace sha256

class TDCP_sha256 : public dcp::TDCP_blockhash<TDCP_sha256, uint32_t, 8, 64> {
public:
    static constexpr int kId = 28;
    static constexpr int kHashSize = 256;
    static constexpr const char* kAlgorithm = "SHA256";
    static constexpr bool kBigEndian = true;
    static constexpr uint32_t kInitialChain[8] = {0x6A09E667, 0xBB67AE85, 0x3C6EF372, 0xA54FF53A,
                                                  0x510E527F, 0x9B05688C, 0x1F83D9AB, 0x5BE0CD19};
    static constexpr std::string_view kSelfCheck[4] = {
        "abc", "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad",
        "abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq",
        "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1"};

    static void Compress(uint32_t* Chain, const uint8_t* Blocks, size_t Count) {
        kernels::Active().sha256(Chain, Blocks, Count);
    }
};

// SHA-224 (FIPS 180-4): SHA-256's compression, and so its kernels, from its own initial hash
// value; the digest is the first seven chaining words.
class TDCP_sha224 : public dcp::TDCP_blockhash<TDCP_sha224, uint32_t, 8, 64> {
public:
    static constexpr int kId = 207;
    static constexpr int kHashSize = 224;
    static constexpr const char* kAlgorithm = "SHA224";
    static constexpr bool kBigEndian = true;
    static constexpr uint32_t kInitialChain[8] = {0xC1059ED8, 0x367CD507, 0x3070DD17, 0xF70E5939,
                                                  0xFFC00B31, 0x68581511, 0x64F98FA7, 0xBEFA4FA4};
    static constexpr std::string_view kSelfCheck[4] = {
        "abc", "23097d223405d8228642a477bda255b32aadbce4bda0b3f7e36c9da7",
        "abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq",
        "75388b16512776cc5dba5da1fd890150b0c6455cb4f58b1952522525"};

    static void Compress(uint32_t* Chain, const uint8_t* Blocks, size_t Count) {
        kernels::Active().sha256(Chain, Blocks, Count);
    }
};
