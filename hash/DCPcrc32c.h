// CRC-32C (Castagnoli: polynomial 0x1EDC6F41, reflected, start value and final xor 0xFFFFFFFF,
// as iSCSI, ext4 and SSE4.2's crc32 instruction compute it), as a member of the hash object
// family.
#pragma once

#include "DCPcrypt2.h"
#include "kernels.h"

namespace crc32c {

// The polynomial in reflected form.
constexpr uint32_t kPoly = 0x82F63B78u;

// Raw register updates over n bytes (no inversion): register in, register out. Every variant
// gives the same register as the portable code.
uint32_t UpdatePortable(const uint8_t* p, size_t n, uint32_t reg);
// SSE4.2's crc32 instruction on three streams at once, joined with PCLMULQDQ
// (DCPcrc32c_sse42.cpp, x86-64 only; needs SSE4.2 and PCLMULQDQ).
uint32_t UpdateSse42(const uint8_t* p, size_t n, uint32_t reg);
// The crc32 instruction on three streams and VPCLMULQDQ folding on 256-bit vectors in the same
// loop (DCPcrc32c_vpclmul256.cpp, x86-64 only; needs VPCLMULQDQ, AVX2, SSE4.2 and PCLMULQDQ).
uint32_t UpdateVpclmul256(const uint8_t* p, size_t n, uint32_t reg);
// ARMv8's crc32c instructions on three streams, joined with PMULL (DCPcrc32c_armv8crc.cpp,
// aarch64 only; needs the CRC32 and PMULL instructions).
uint32_t UpdateArmv8(const uint8_t* p, size_t n, uint32_t reg);

}  // namespace crc32c

class TDCP_crc32c final : public TDCP_hash {
public:
    static constexpr int kId = 210;
    static constexpr int kHashSize = 32;
    static constexpr const char* kAlgorithm = "CRC32C";

    ~TDCP_crc32c() override { Wipe(); }

    int ClassId() const override { return kId; }
    std::string ClassAlgorithm() const override { return kAlgorithm; }
    int ClassHashSize() const override { return kHashSize; }
    bool SelfCheck() override;
    void Init() override;
    void Wipe() override;
    void Update(const void* Buffer, size_t Size) override;
    // The finished value, most significant byte first (as rhash prints it).
    void Final(void* Digest) override;

private:
    uint32_t Register = 0;
};
