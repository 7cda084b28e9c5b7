// Tiger (Anderson and Biham, 1996) as a member of the hash object family: 3 passes, a
// 192-bit result, the padding byte 0x01 of the first published Tiger.
#pragma once

#include "DCPcrypt2.h"

class TDCP_tiger : public TDCP_hash {
public:
    static constexpr int kId = 18;
    static constexpr int kHashSize = 192;
    static constexpr size_t kBlockSize = 64;

    ~TDCP_tiger() override { Wipe(); }

    int ClassId() const override { return kId; }
    std::string ClassAlgorithm() const override { return "Tiger"; }
    int ClassHashSize() const override { return kHashSize; }
    bool SelfCheck() override;
    void Init() override;
    void Final(void* Digest) override;
    void Wipe() override;
    void Update(const void* Buffer, uint32_t Size) override;

private:
    uint64_t BitCount = 0;
    uint64_t Chain[3] = {};
    dcp::BlockBuffer<kBlockSize> Buf;
};

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
