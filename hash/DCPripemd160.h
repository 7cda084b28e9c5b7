// RIPEMD-160 as a member of the hash object family.
#pragma once

#include "DCPcrypt2.h"

class TDCP_ripemd160 : public TDCP_hash {
public:
    static constexpr int kId = 10;
    static constexpr int kHashSize = 160;
    static constexpr size_t kBlockSize = 64;

    ~TDCP_ripemd160() override { Wipe(); }

    int ClassId() const override { return kId; }
    std::string ClassAlgorithm() const override { return "RipeMD-160"; }
    int ClassHashSize() const override { return kHashSize; }
    bool SelfCheck() override;
    void Init() override;
    void Final(void* Digest) override;
    void Wipe() override;
    void Update(const void* Buffer, uint32_t Size) override;

private:
    uint32_t BitCountHigh = 0, BitCountLow = 0;
    uint32_t Chain[5] = {};
    dcp::BlockBuffer<kBlockSize> Buf;
};

namespace ripemd160 {
// The compression function over Count consecutive 64-byte blocks.
void CompressPortable(uint32_t State[5], const uint8_t* Blocks, size_t Count);
}  // namespace ripemd160
