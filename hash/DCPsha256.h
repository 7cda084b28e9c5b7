// SHA-256 (FIPS 180-2) as a member of the hash object family.
#pragma once

#include "DCPcrypt2.h"

class TDCP_sha256 : public TDCP_hash {
public:
    static constexpr int kId = 28;
    static constexpr int kHashSize = 256;
    static constexpr size_t kBlockSize = 64;

    ~TDCP_sha256() override { Wipe(); }

    int ClassId() const override { return kId; }
    std::string ClassAlgorithm() const override { return "SHA256"; }
    int ClassHashSize() const override { return kHashSize; }
    bool SelfCheck() override;
    void Init() override;
    void Final(void* Digest) override;
    void Wipe() override;
    void Update(const void* Buffer, uint32_t Size) override;

private:
    uint32_t BitCountHigh = 0, BitCountLow = 0;
    uint32_t Chain[8] = {};
    dcp::BlockBuffer<kBlockSize> Buf;
};

namespace sha256 {
// The 64 round constants of FIPS 180-2.
extern const uint32_t K[64];
// The compression function over Count consecutive 64-byte blocks: portable code.
void CompressPortable(uint32_t State[8], const uint8_t* Blocks, size_t Count);
// The same with the SHA extensions (DCPsha256_shani.cpp); only call when cpu::HasShaNi().
void CompressShaNi(uint32_t State[8], const uint8_t* Blocks, size_t Count);
// The variant the objects use now: "shani" or "portable".
const char* Provider();
}  // namespace sha256
