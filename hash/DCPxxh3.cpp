// XXH3-64 and XXH3-128, written from xxHash's published description of XXH3. Inputs of up to
// 16 bytes and of 17 to 240 bytes have paths of their own, computed at Final from the held input;
// longer inputs run through the eight accumulators, stripe by stripe, in the kernel table's
// variant.
#include "DCPxxh3.h"

#include <cstring>

namespace xxh3 {

alignas(64) const uint8_t kSecret[kSecretSize] = {
    0xb8, 0xfe, 0x6c, 0x39, 0x23, 0xa4, 0x4b, 0xbe, 0x7c, 0x01, 0x81, 0x2c, 0xf7, 0x21, 0xad, 0x1c,
    0xde, 0xd4, 0x6d, 0xe9, 0x83, 0x90, 0x97, 0xdb, 0x72, 0x40, 0xa4, 0xa4, 0xb7, 0xb3, 0x67, 0x1f,
    0xcb, 0x79, 0xe6, 0x4e, 0xcc, 0xc0, 0xe5, 0x78, 0x82, 0x5a, 0xd0, 0x7d, 0xcc, 0xff, 0x72, 0x21,
    0xb8, 0x08, 0x46, 0x74, 0xf7, 0x43, 0x24, 0x8e, 0xe0, 0x35, 0x90, 0xe6, 0x81, 0x3a, 0x26, 0x4c,
    0x3c, 0x28, 0x52, 0xbb, 0x91, 0xc3, 0x00, 0xcb, 0x88, 0xd0, 0x65, 0x8b, 0x1b, 0x53, 0x2e, 0xa3,
    0x71, 0x64, 0x48, 0x97, 0xa2, 0x0d, 0xf9, 0x4e, 0x38, 0x19, 0xef, 0x46, 0xa9, 0xde, 0xac, 0xd8,
    0xa8, 0xfa, 0x76, 0x3f, 0xe3, 0x9c, 0x34, 0x3f, 0xf9, 0xdc, 0xbb, 0xc7, 0xc7, 0x0b, 0x4f, 0x1d,
    0x8a, 0x51, 0xe0, 0x4b, 0xcd, 0xb4, 0x59, 0x31, 0xc8, 0x9f, 0x7e, 0xc9, 0xd9, 0x78, 0x73, 0x64,
    0xea, 0xc5, 0xac, 0x83, 0x34, 0xd3, 0xeb, 0xc3, 0xc5, 0x81, 0xa0, 0xff, 0xfa, 0x13, 0x63, 0xeb,
    0x17, 0x0d, 0xdd, 0x51, 0xb7, 0xf0, 0xda, 0x49, 0xd3, 0x16, 0x55, 0x26, 0x29, 0xd4, 0x68, 0x9e,
    0x2b, 0x16, 0xbe, 0x58, 0x7d, 0x47, 0xa1, 0xfc, 0x8f, 0xf8, 0xb8, 0xd1, 0x7a, 0xd0, 0x31, 0xce,
    0x45, 0xcb, 0x3a, 0x8f, 0x95, 0x16, 0x04, 0x28, 0xaf, 0xd7, 0xfb, 0xca, 0xbb, 0x4b, 0x40, 0x7e,
};

namespace {

constexpr uint64_t kPrime32_2 = 0x85EBCA77u;
constexpr uint64_t kPrime32_3 = 0xC2B2AE3Du;
constexpr uint64_t kPrime64_1 = 0x9E3779B185EBCA87ull;
constexpr uint64_t kPrime64_2 = 0xC2B2AE3D27D4EB4Full;
constexpr uint64_t kPrime64_3 = 0x165667B19E3779F9ull;
constexpr uint64_t kPrime64_4 = 0x85EBCA77C2B2AE63ull;
constexpr uint64_t kPrime64_5 = 0x27D4EB2F165667C5ull;
constexpr uint64_t kPrimeMx1 = 0x165667919E3779F9ull;
constexpr uint64_t kPrimeMx2 = 0x9FB21C651E98DF25ull;

// The seed is fixed at 0; it stays in the formulas so that they read as specified.
constexpr uint64_t kSeed = 0;

using u128 = unsigned __int128;

inline uint64_t Read64(const uint8_t* p) {
    return dcp::load_le64(p);
}
inline uint32_t Read32(const uint8_t* p) {
    return dcp::load_le32(p);
}
inline uint64_t Secret64(size_t offset) {
    return Read64(kSecret + offset);
}
inline uint32_t Secret32(size_t offset) {
    return Read32(kSecret + offset);
}
inline uint64_t Rotl64(uint64_t x, int n) {
    return (x << n) | (x >> (64 - n));
}
inline uint64_t Low(u128 v) {
    return uint64_t(v);
}
inline uint64_t High(u128 v) {
    return uint64_t(v >> 64);
}
// The 128-bit product of two 64-bit values, its halves folded together by xor.
inline uint64_t MulFold(uint64_t a, uint64_t b) {
    const u128 m = u128(a) * b;
    return Low(m) ^ High(m);
}

inline uint64_t Avalanche(uint64_t x) {
    x ^= x >> 37;
    x *= kPrimeMx1;
    return x ^ (x >> 32);
}

inline uint64_t AvalancheXxh64(uint64_t x) {
    x ^= x >> 33;
    x *= kPrime64_2;
    x ^= x >> 29;
    x *= kPrime64_3;
    return x ^ (x >> 32);
}

struct Hash128 {
    uint64_t low, high;
};

// ---- 0 to 16 bytes --------------------------------------------------------------------------

uint64_t Short64(const uint8_t* in, size_t len) {
    if (len == 0) return AvalancheXxh64(kSeed ^ Secret64(56) ^ Secret64(64));
    if (len <= 3) {
        const uint32_t combined = uint32_t(in[len - 1]) | uint32_t(len) << 8 |
                                  uint32_t(in[0]) << 16 | uint32_t(in[len >> 1]) << 24;
        const uint64_t value = (uint64_t(Secret32(0) ^ Secret32(4)) + kSeed) ^ combined;
        return AvalancheXxh64(value);
    }
    if (len <= 8) {
        const uint32_t first = Read32(in), last = Read32(in + len - 4);
        const uint64_t modifiedSeed = kSeed ^ uint64_t(__builtin_bswap32(uint32_t(kSeed))) << 32;
        const uint64_t combined = uint64_t(last) | uint64_t(first) << 32;
        uint64_t value = ((Secret64(8) ^ Secret64(16)) - modifiedSeed) ^ combined;
        value ^= Rotl64(value, 49) ^ Rotl64(value, 24);
        value *= kPrimeMx2;
        value ^= (value >> 35) + len;
        value *= kPrimeMx2;
        return value ^ (value >> 28);
    }
    const uint64_t first = Read64(in), last = Read64(in + len - 8);
    const uint64_t low = ((Secret64(24) ^ Secret64(32)) + kSeed) ^ first;
    const uint64_t high = ((Secret64(40) ^ Secret64(48)) - kSeed) ^ last;
    return Avalanche(len + __builtin_bswap64(low) + high + MulFold(low, high));
}

Hash128 Short128(const uint8_t* in, size_t len) {
    if (len == 0)
        return {AvalancheXxh64(kSeed ^ Secret64(64) ^ Secret64(72)),
                AvalancheXxh64(kSeed ^ Secret64(80) ^ Secret64(88))};
    if (len <= 3) {
        const uint32_t combined = uint32_t(in[len - 1]) | uint32_t(len) << 8 |
                                  uint32_t(in[0]) << 16 | uint32_t(in[len >> 1]) << 24;
        const uint64_t low = (uint64_t(Secret32(0) ^ Secret32(4)) + kSeed) ^ combined;
        const uint64_t high = (uint64_t(Secret32(8) ^ Secret32(12)) - kSeed) ^
                              uint64_t(dcp::rotl32(__builtin_bswap32(combined), 13));
        return {AvalancheXxh64(low), AvalancheXxh64(high)};
    }
    if (len <= 8) {
        const uint32_t first = Read32(in), last = Read32(in + len - 4);
        const uint64_t modifiedSeed = kSeed ^ uint64_t(__builtin_bswap32(uint32_t(kSeed))) << 32;
        const uint64_t combined = uint64_t(first) | uint64_t(last) << 32;
        const uint64_t value = ((Secret64(16) ^ Secret64(24)) + modifiedSeed) ^ combined;
        const u128 m = u128(value) * (kPrime64_1 + (uint64_t(len) << 2));
        uint64_t high = High(m), low = Low(m);
        high += low << 1;
        low ^= high >> 3;
        low ^= low >> 35;
        low *= kPrimeMx2;
        low ^= low >> 28;
        return {low, Avalanche(high)};
    }
    const uint64_t first = Read64(in), last = Read64(in + len - 8);
    const uint64_t v1 = ((Secret64(32) ^ Secret64(40)) - kSeed) ^ first ^ last;
    const uint64_t v2 = ((Secret64(48) ^ Secret64(56)) + kSeed) ^ last;
    const u128 m = u128(v1) * kPrime64_1;
    uint64_t low = Low(m) + (uint64_t(len - 1) << 54);
    uint64_t high = High(m) + (v2 & 0xFFFFFFFF00000000ull) + (v2 & 0xFFFFFFFFu) * kPrime32_2;
    low ^= __builtin_bswap64(high);
    const u128 m2 = u128(low) * kPrime64_2;
    low = Low(m2);
    high = High(m2) + high * kPrime64_2;
    return {Avalanche(low), Avalanche(high)};
}

// ---- 17 to 240 bytes ------------------------------------------------------------------------

// 16 bytes of data against 16 bytes of the secret.
inline uint64_t Mix16(const uint8_t* data, size_t secretOffset, uint64_t seed) {
    return MulFold(Read64(data) ^ (Secret64(secretOffset) + seed),
                   Read64(data + 8) ^ (Secret64(secretOffset + 8) - seed));
}

// Two 16-byte pieces into the two accumulators of the 128-bit medium path.
inline void Mix32(uint64_t acc[2], const uint8_t* d1, const uint8_t* d2, size_t secretOffset,
                  uint64_t seed) {
    acc[0] += Mix16(d1, secretOffset, seed);
    acc[1] += Mix16(d2, secretOffset + 16, seed);
    acc[0] ^= Read64(d2) + Read64(d2 + 8);
    acc[1] ^= Read64(d1) + Read64(d1 + 8);
}

uint64_t Mid64(const uint8_t* in, size_t len) {
    uint64_t acc = len * kPrime64_1;
    if (len <= 128) {
        // Pieces from both ends, paired, the innermost pair first.
        for (size_t i = (len - 1) / 32 + 1; i-- > 0;) {
            acc += Mix16(in + 16 * i, 32 * i, kSeed);
            acc += Mix16(in + len - 16 * i - 16, 32 * i + 16, kSeed);
        }
        return Avalanche(acc);
    }
    for (size_t i = 0; i < 8; ++i)
        acc += Mix16(in + 16 * i, 16 * i, kSeed);
    acc = Avalanche(acc);
    for (size_t i = 8; i < len / 16; ++i)
        acc += Mix16(in + 16 * i, 16 * (i - 8) + 3, kSeed);
    acc += Mix16(in + len - 16, 119, kSeed);
    return Avalanche(acc);
}

Hash128 Mid128(const uint8_t* in, size_t len) {
    uint64_t acc[2] = {len * kPrime64_1, 0};
    if (len <= 128) {
        for (size_t i = (len - 1) / 32 + 1; i-- > 0;)
            Mix32(acc, in + 16 * i, in + len - 16 * i - 16, 32 * i, kSeed);
    } else {
        for (size_t i = 0; i < 4; ++i)
            Mix32(acc, in + 32 * i, in + 32 * i + 16, 32 * i, kSeed);
        acc[0] = Avalanche(acc[0]);
        acc[1] = Avalanche(acc[1]);
        for (size_t i = 4; i < len / 32; ++i)
            Mix32(acc, in + 32 * i, in + 32 * i + 16, 32 * (i - 4) + 3, kSeed);
        // The last 32 bytes with their halves swapped and the seed negated.
        Mix32(acc, in + len - 16, in + len - 32, 103, 0 - kSeed);
    }
    const uint64_t low = acc[0] + acc[1];
    const uint64_t high = acc[0] * kPrime64_1 + acc[1] * kPrime64_4 + (len - kSeed) * kPrime64_2;
    return {Avalanche(low), 0 - Avalanche(high)};
}

// ---- over 240 bytes: the accumulators -------------------------------------------------------

constexpr uint64_t kInitialAcc[8] = {kPrime32_3, kPrime64_1, kPrime64_2, kPrime64_3,
                                     kPrime64_4, kPrime32_2, kPrime64_5, kPrime32_1};

// One stripe against 64 bytes of the secret.
inline void Accumulate(uint64_t acc[8], const uint8_t* stripe, const uint8_t* secret) {
    for (int i = 0; i < 8; ++i) {
        const uint64_t data = Read64(stripe + 8 * i);
        const uint64_t keyed = data ^ Read64(secret + 8 * i);
        acc[i ^ 1] += data;
        acc[i] += (keyed & 0xFFFFFFFFu) * (keyed >> 32);
    }
}

inline void Scramble(uint64_t acc[8]) {
    const uint8_t* secret = kSecret + kSecretSize - kStripeSize;
    for (int i = 0; i < 8; ++i) {
        uint64_t a = acc[i];
        a ^= a >> 47;
        a ^= Read64(secret + 8 * i);
        acc[i] = a * kPrime32_1;
    }
}

}  // namespace

void StripesPortable(uint64_t Acc[8], const uint8_t* p, size_t Count, size_t First) {
    uint64_t acc[8];
    std::memcpy(acc, Acc, sizeof acc);
    while (Count > 0) {
        const size_t run = Count < kStripesPerBlock - First ? Count : kStripesPerBlock - First;
        for (size_t s = 0; s < run; ++s) {
            __builtin_prefetch(p + kStripeSize * s + kPrefetchDistance);
            Accumulate(acc, p + kStripeSize * s, kSecret + 8 * (First + s));
        }
        p += kStripeSize * run;
        Count -= run;
        First += run;
        if (First == kStripesPerBlock) {
            Scramble(acc);
            First = 0;
        }
    }
    std::memcpy(Acc, acc, sizeof acc);
}

}  // namespace xxh3

using namespace xxh3;

void TDCP_xxh3base::Clear() {
    dcp::SecureZero(Acc, sizeof Acc);
    dcp::SecureZero(Held, sizeof Held);
    dcp::SecureZero(Before, sizeof Before);
    Total = 0;
    HeldCount = 0;
    StripeInBlock = 0;
}

void TDCP_xxh3base::Init() {
    Wipe();
    std::memcpy(Acc, kInitialAcc, sizeof Acc);
    Ready = true;
}

void TDCP_xxh3base::Wipe() {
    Clear();
    Ready = false;
}

void TDCP_xxh3base::Stripes(const uint8_t* p, size_t Count) {
    kernels::Active().xxh3(Acc, p, Count, StripeInBlock);
    StripeInBlock = uint32_t((StripeInBlock + Count) % kStripesPerBlock);
    std::memcpy(Before, p + (Count - 1) * kStripeSize, kStripeSize);
}

void TDCP_xxh3base::Update(const void* Buffer, size_t Size) {
    RequireReady();
    const auto* p = static_cast<const uint8_t*>(Buffer);
    Total += Size;
    if (HeldCount + Size <= kHeld) {
        if (Size > 0) std::memcpy(Held + HeldCount, p, Size);
        HeldCount += uint32_t(Size);
        return;
    }
    // More than kHeld bytes so far: the long path, and the held stripes are followed by input.
    if (HeldCount > 0) {
        // Complete the held bytes to a whole stripe and accumulate them all.
        const size_t take = (kStripeSize - HeldCount % kStripeSize) % kStripeSize;
        std::memcpy(Held + HeldCount, p, take);
        Stripes(Held, (HeldCount + take) / kStripeSize);
        p += take;
        Size -= take;
        HeldCount = 0;
    }
    // Whole stripes straight from the input, keeping 1 to 64 bytes back: the last of them may
    // be the message's last stripe.
    if (Size > kStripeSize) {
        const size_t stripes = (Size - 1) / kStripeSize;
        Stripes(p, stripes);
        p += stripes * kStripeSize;
        Size -= stripes * kStripeSize;
    }
    std::memcpy(Held, p, Size);
    HeldCount = uint32_t(Size);
}

void TDCP_xxh3base::FinishLong() {
    // At least one byte is held (Update always keeps some back); every held stripe that has
    // a byte after it is accumulated, then the last 64 bytes with their own secret offset.
    const size_t stripes = (HeldCount - 1) / kStripeSize;
    if (stripes > 0) Stripes(Held, stripes);
    uint8_t last[kStripeSize];
    if (HeldCount >= kStripeSize) {
        std::memcpy(last, Held + HeldCount - kStripeSize, kStripeSize);
    } else {
        const size_t before = kStripeSize - HeldCount;
        std::memcpy(last, Before + HeldCount, before);
        std::memcpy(last + before, Held, HeldCount);
    }
    Accumulate(Acc, last, kSecret + kSecretSize - kStripeSize - 7);
    dcp::SecureZero(last, sizeof last);
}

uint64_t TDCP_xxh3base::Merge(uint64_t Start, size_t SecretOffset) const {
    uint64_t result = Start;
    for (size_t i = 0; i < 4; ++i)
        result += MulFold(Acc[2 * i] ^ Secret64(SecretOffset + 16 * i),
                          Acc[2 * i + 1] ^ Secret64(SecretOffset + 16 * i + 8));
    return Avalanche(result);
}

// The self-check digests were computed with xxhsum (-H3 and -H2).
bool TDCP_xxh3::SelfCheck() {
    return dcp::SelfCheckVectors<TDCP_xxh3>("abc", "78af5f94892f3950",
                                            "The quick brown fox jumps over the lazy dog",
                                            "ce7d19a5418fb365");
}

void TDCP_xxh3::Final(void* Digest) {
    RequireReady();
    uint64_t value;
    if (Total <= kMidSizeMax) {
        value = Total <= 16 ? Short64(Held, Total) : Mid64(Held, Total);
    } else {
        FinishLong();
        value = Merge(Total * kPrime64_1, 11);
    }
    dcp::store_be64(static_cast<uint8_t*>(Digest), value);
    Wipe();
}

bool TDCP_xxh128::SelfCheck() {
    return dcp::SelfCheckVectors<TDCP_xxh128>("abc", "06b05ab6733a618578af5f94892f3950",
                                              "The quick brown fox jumps over the lazy dog",
                                              "ddd650205ca3e7fa24a1cc2e3a8a7651");
}

void TDCP_xxh128::Final(void* Digest) {
    RequireReady();
    Hash128 h;
    if (Total <= kMidSizeMax) {
        h = Total <= 16 ? Short128(Held, Total) : Mid128(Held, Total);
    } else {
        FinishLong();
        h = {Merge(Total * kPrime64_1, 11),
             Merge(~(Total * kPrime64_2), kSecretSize - kStripeSize - 11)};
    }
    auto* out = static_cast<uint8_t*>(Digest);
    dcp::store_be64(out, h.high);
    dcp::store_be64(out + 8, h.low);
    Wipe();
}
