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
    void Update(const void* Buffer, uint32_t Size) override;

protected:
    // The frame of Final shared by both members: pads, writes the 128-bit length, compresses,
    // copies the first Words chaining words big-endian into Digest and wipes.
    void FinalWords(void* Digest, int Words);

    uint64_t BitCountHigh = 0, BitCountLow = 0;
    uint64_t Chain[8] = {};
    dcp::BlockBuffer<kBlockSize> Buf;
};

class TDCP_sha384 : public TDCP_sha512base {
public:
    static constexpr int kId = 29;
    static constexpr int kHashSize = 384;

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
// The same with the message schedule in AVX2 registers, two blocks at a time, and BMI2
// rotations in the rounds (DCPsha512_avx2.cpp); only call when Supported(Variant::Avx2).
void CompressAvx2(uint64_t State[8], const uint8_t* Blocks, size_t Count);
// The same schedule with AVX-512 instructions on 256-bit vectors (DCPsha512_avx512.cpp); only
// call when Supported(Variant::Avx512).
void CompressAvx512(uint64_t State[8], const uint8_t* Blocks, size_t Count);

enum class Variant { Portable, Avx2, Avx512 };
// "portable", "avx2" or "avx512".
const char* VariantName(Variant v);
// Whether this CPU can run the variant.
bool Supported(Variant v);

// The objects use the fastest variant this CPU runs, or the portable code while
// cpu::ForcePortable is on. For tests and benchmarks, Select makes them use v instead until
// SelectFastest; it answers false and changes nothing when the CPU cannot run v. Not for use
// while another thread is hashing.
bool Select(Variant v);
void SelectFastest();
// The variant the objects use now.
Variant InUse();
// VariantName(InUse()).
const char* Provider();
}  // namespace sha512
