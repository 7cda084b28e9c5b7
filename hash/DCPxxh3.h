// XXH3-64 and XXH3-128 (XXH128) with seed 0 and the default secret, as members of the hash
// object family: streaming objects that give, for every way of cutting the input into Update
// calls, the value of the one-call function.
#pragma once

#include "DCPcrypt2.h"
#include "kernels.h"

namespace xxh3 {

// A stripe is 64 bytes: eight 64-bit lanes, one per accumulator. With the 192-byte default
// secret a block is 16 stripes, after which the accumulators are scrambled.
constexpr size_t kStripeSize = 64;
constexpr size_t kSecretSize = 192;
constexpr size_t kStripesPerBlock = (kSecretSize - kStripeSize) / 8;
constexpr size_t kBlockSize = kStripeSize * kStripesPerBlock;
// Inputs up to this length take the short and medium paths, which see the whole input at once.
constexpr size_t kMidSizeMax = 240;

// The default secret of xxHash's published description of XXH3.
extern const uint8_t kSecret[kSecretSize];

constexpr uint64_t kPrime32_1 = 0x9E3779B1u;

// How far ahead of the stripe in hand the loops ask for the input: the hardware prefetchers
// alone leave the loop waiting on memory when the input is not in the caches (a mapped file:
// 13 against 20 GB/s over 16 MiB with AVX2), and a miss for a line never needed costs nothing.
constexpr size_t kPrefetchDistance = 2048;

// The long path's inner loop: accumulates Count stripes from p into Acc, the first of them
// being stripe number First (0 to 15) of its block, and scrambles Acc after each block's
// sixteenth stripe. Every variant gives the same accumulators.
void StripesPortable(uint64_t Acc[8], const uint8_t* p, size_t Count, size_t First);
// SSE2 (DCPxxh3_sse2.cpp, x86-64 only; every x86-64 CPU runs it).
void StripesSse2(uint64_t Acc[8], const uint8_t* p, size_t Count, size_t First);
// AVX2 (DCPxxh3_avx2.cpp, x86-64 only; needs AVX2 and BMI2, which its flags allow).
void StripesAvx2(uint64_t Acc[8], const uint8_t* p, size_t Count, size_t First);
// AVX-512 F/VL/BW (DCPxxh3_avx512.cpp, x86-64 only).
void StripesAvx512(uint64_t Acc[8], const uint8_t* p, size_t Count, size_t First);
// NEON (DCPxxh3_neon.cpp, aarch64 only, where every CPU has it).
void StripesNeon(uint64_t Acc[8], const uint8_t* p, size_t Count, size_t First);

}  // namespace xxh3

// The state both widths share: the long path's accumulators, and the input not yet taken
// into them. A stripe is accumulated only once a byte after it has arrived, since the last
// stripe of the message is treated differently; and nothing is accumulated until the input is
// known to be longer than kMidSizeMax. Final belongs to the two members.
class TDCP_xxh3base : public TDCP_hash {
public:
    ~TDCP_xxh3base() override { Clear(); }

    void Init() override;
    void Wipe() override;
    void Update(const void* Buffer, size_t Size) override;

protected:
    // For the long path: accumulates the stripes still held and then the last stripe (the
    // message's last 64 bytes), leaving Acc ready for the final merge.
    void FinishLong();
    // The merge of the accumulators into one 64-bit value.
    uint64_t Merge(uint64_t Start, size_t SecretOffset) const;

    static constexpr size_t kHeld = 256;  // at least kMidSizeMax, a whole number of stripes

    alignas(64) uint64_t Acc[8] = {};
    alignas(64) uint8_t Held[kHeld] = {};    // the input not accumulated yet
    uint8_t Before[xxh3::kStripeSize] = {};  // the 64 bytes before Held, once any were accumulated
    uint64_t Total = 0;                      // bytes so far, modulo 2^64
    uint32_t HeldCount = 0;
    uint32_t StripeInBlock = 0;  // stripes of the current block already accumulated

private:
    void Clear();
    // Accumulates Count stripes from p, straight from wherever they are.
    void Stripes(const uint8_t* p, size_t Count);
};

class TDCP_xxh3 final : public TDCP_xxh3base {
public:
    static constexpr int kId = 208;
    static constexpr int kHashSize = 64;
    static constexpr const char* kAlgorithm = "XXH3";

    int ClassId() const override { return kId; }
    std::string ClassAlgorithm() const override { return kAlgorithm; }
    int ClassHashSize() const override { return kHashSize; }
    bool SelfCheck() override;
    // The 64-bit value, most significant byte first (as xxhsum prints it).
    void Final(void* Digest) override;
};

class TDCP_xxh128 final : public TDCP_xxh3base {
public:
    static constexpr int kId = 209;
    static constexpr int kHashSize = 128;
    static constexpr const char* kAlgorithm = "XXH128";

    int ClassId() const override { return kId; }
    std::string ClassAlgorithm() const override { return kAlgorithm; }
    int ClassHashSize() const override { return kHashSize; }
    bool SelfCheck() override;
    // The high 64 bits, then the low 64 bits, each most significant byte first.
    void Final(void* Digest) override;
};
