// MD4 (RFC 1320) as a member of the hash object family.
#pragma once

#include "DCPcrypt2.h"

class TDCP_md4 : public TDCP_hash {
public:
    static constexpr int kId = 17;
    static constexpr int kHashSize = 128;
    static constexpr size_t kBlockSize = 64;

    ~TDCP_md4() override { Wipe(); }

    int ClassId() const override { return kId; }
    std::string ClassAlgorithm() const override { return "MD4"; }
    int ClassHashSize() const override { return kHashSize; }
    bool SelfCheck() override;
    void Init() override;
    void Final(void* Digest) override;
    void Wipe() override;
    void Update(const void* Buffer, uint32_t Size) override;

private:
    uint32_t BitCountHigh = 0, BitCountLow = 0;
    uint32_t Chain[4] = {};
    dcp::BlockBuffer<kBlockSize> Buf;
};

namespace md4 {
// The compression function over Count consecutive 64-byte blocks.
void CompressPortable(uint32_t State[4], const uint8_t* Blocks, size_t Count);
}  // namespace md4
