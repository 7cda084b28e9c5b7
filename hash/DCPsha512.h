// SHA-384 and SHA-512 (FIPS 180-2) as members of the hash object family, with their common
// base TDCP_sha512base that holds the state and the 128-byte-block compression.
#pragma once

#include "DCPcrypt2.h"

// Never created itself: its queries keep the base answers, and its Init and Final do nothing.
class TDCP_sha512base : public TDCP_hash {
public:
    static constexpr size_t kBlockSize = 128;

    ~TDCP_sha512base() override { Wipe(); }

    void Wipe() override;
    void Update(const void* Buffer, size_t Size) override;

protected:
    // The frame of Final shared by both members: pads, writes the 128-bit length, compresses,
    // copies the first Words chaining words big-endian into Digest and wipes.
    void FinalWords(void* Digest, int Words);
    // Init of both members: wipes, loads the member's initial chaining words, marks ready.
    void Start(const uint64_t* InitialChain);

    uint64_t BitCountHigh = 0, BitCountLow = 0;
    uint64_t Chain[8] = {};
    dcp::BlockBuffer<kBlockSize> Buf;
};

class TDCP_sha384 : public TDCP_sha512base {
public:
    static constexpr int kId = 29;
    static constexpr int kHashSize = 384;
    static constexpr uint64_t kInitialChain[8] = {
        0xCBBB9D5DC1059ED8, 0x629A292A367CD507, 0x9159015A3070DD17, 0x152FECD8F70E5939,
        0x67332667FFC00B31, 0x8EB44A8768581511, 0xDB0C2E0D64F98FA7, 0x47B5481DBEFA4FA4};
    static constexpr std::string_view kSelfCheck[4] = {
        "abc",
        "cb00753f45a35e8bb5a03d699ac65007272c32ab0eded1631a8b605a43ff5bed8086072ba1e7cc2358baeca1"
        "34c825a7",
        "abcdefghbcdefghicdefghijdefghijkefghijklfghijklmghijklmnhijklmnoijklmnopjklmnopqklmnopqrlm"
        "nopqrsmnopqrstnopqrstu",
        "09330c33f71147e83d192fc782cd1b4753111b173b3b05d22fa08086e3b0f712fcc7c71a557e2db966c3e9fa"
        "91746039"};

    int ClassId() const override { return kId; }
    std::string ClassAlgorithm() const override { return "SHA384"; }
    int ClassHashSize() const override { return kHashSize; }
    bool SelfCheck() override;
    void Init() override;
    void Final(void* Digest) override;
};

class TDCP_sha512 : public TDCP_sha512base {
public:
    static constexpr int kId = 30;
    static constexpr int kHashSize = 512;
    static constexpr uint64_t kInitialChain[8] = {
        0x6A09E667F3BCC908, 0xBB67AE8584CAA73B, 0x3C6EF372FE94F82B, 0xA54FF53A5F1D36F1,
        0x510E527FADE682D1, 0x9B05688C2B3E6C1F, 0x1F83D9ABFB41BD6B, 0x5BE0CD19137E2179};
    static constexpr std::string_view kSelfCheck[4] = {
        "abc",
        "ddaf35a193617abacc417349ae20413112e6fa4e89a97ea20a9eeee64b55d39a2192992a274fc1a836ba3c23"
        "a3feebbd454d4423643ce80e2a9ac94fa54ca49f",
        "abcdefghbcdefghicdefghijdefghijkefghijklfghijklmghijklmnhijklmnoijklmnopjklmnopqklmnopqrlm"
        "nopqrsmnopqrstnopqrstu",
        "8e959b75dae313da8cf4f72814fc143f8f7779c6eb9f7fa17299aeadb6889018501d289e4900f7e4331b99de"
        "c4b5433ac7d329eeb6dd26545e96e55b874be909"};

    int ClassId() const override { return kId; }
    std::string ClassAlgorithm() const override { return "SHA512"; }
    int ClassHashSize() const override { return kHashSize; }
    bool SelfCheck() override;
    void Init() override;
    void Final(void* Digest) override;
};

namespace sha512 {
// The 80 round constants of FIPS 180-2, shared by SHA-384 and SHA-512.
extern const uint64_t K[80];

// The compression function over Count consecutive 128-byte blocks: portable code.
void CompressPortable(uint64_t State[8], const uint8_t* Blocks, size_t Count);
// The same code compiled with BMI2, whose RORX makes every rotation one instruction
// (DCPsha512_bmi2.cpp, x86-64 only); only call when the CPU has BMI2.
void CompressBmi2(uint64_t State[8], const uint8_t* Blocks, size_t Count);
// The same with the message schedule in AVX2 registers, two blocks at a time, and BMI2
// rotations in the rounds (DCPsha512_avx2.cpp, x86-64 only); only call when the CPU has AVX2
// and BMI2.
void CompressAvx2(uint64_t State[8], const uint8_t* Blocks, size_t Count);
// The same schedule with AVX-512 instructions on 256-bit vectors (DCPsha512_avx512.cpp,
// x86-64 only); only call when the CPU also has AVX-512 F/VL/BW.
void CompressAvx512(uint64_t State[8], const uint8_t* Blocks, size_t Count);
}  // namespace sha512
