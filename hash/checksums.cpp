// CRC-32 (ISO-HDLC, as in zlib and PKZIP), Adler-32 (RFC 1950) and CRC-64/XZ (ECMA-182
// polynomial, reflected).
//
// Both CRCs use slicing by eight: eight derived tables let one step consume eight bytes with
// eight independent look-ups instead of a chain of eight dependent ones. The results equal the
// byte-at-a-time update with the first table.
//
// This is the portable code. Crc32Update, Crc64Update and Adler32Update hand the work to the
// variant in the kernel table (kernels.h).
#include "checksums.h"

#include <array>
#include <cstring>

#include "hashhead.h"
#include "kernels.h"

namespace {

constexpr uint32_t kCrc32Poly = 0xEDB88320u;
constexpr uint64_t kCrc64Poly = 0xC96C5795D7870F42ull;

template <class T>
constexpr std::array<std::array<T, 256>, 8> MakeSlicingTables(T poly) {
    std::array<std::array<T, 256>, 8> t{};
    for (unsigned i = 0; i < 256; ++i) {
        T v = T(i);
        for (int k = 0; k < 8; ++k)
            v = (v & 1) ? (v >> 1) ^ poly : v >> 1;
        t[0][i] = v;
    }
    for (unsigned i = 0; i < 256; ++i)
        for (int s = 1; s < 8; ++s)
            t[s][i] = (t[s - 1][i] >> 8) ^ t[0][t[s - 1][i] & 0xFF];
    return t;
}

constexpr auto kCrc32Slices = MakeSlicingTables<uint32_t>(kCrc32Poly);
constexpr auto kCrc64Slices = MakeSlicingTables<uint64_t>(kCrc64Poly);
// The slicing code's first table is the published one.
static_assert(kCrc64Slices[0] == BuildCrc64Table());

inline uint64_t Load64(const uint8_t* p) {
    uint64_t v;
    std::memcpy(&v, p, 8);
    return v;
}

}  // namespace

// The standard reflected CRC-32 table: entry i is i shifted right eight times, with the
// polynomial added after every shift that drops a 1 bit.
const uint32_t Crc32Table[256] = {
#define E(i) kCrc32Slices[0][i]
#define E8(i) E(i), E(i + 1), E(i + 2), E(i + 3), E(i + 4), E(i + 5), E(i + 6), E(i + 7)
#define E64(i) \
    E8(i), E8(i + 8), E8(i + 16), E8(i + 24), E8(i + 32), E8(i + 40), E8(i + 48), E8(i + 56)
    E64(0), E64(64), E64(128), E64(192)
#undef E64
#undef E8
#undef E
};

namespace checksums {

uint32_t Crc32Portable(const uint8_t* p, size_t Count, uint32_t Register) {
    const auto& t = kCrc32Slices;
    while (Count >= 8) {
        const uint64_t v = Load64(p) ^ Register;
        Register = t[7][v & 0xFF] ^ t[6][(v >> 8) & 0xFF] ^ t[5][(v >> 16) & 0xFF] ^
                   t[4][(v >> 24) & 0xFF] ^ t[3][(v >> 32) & 0xFF] ^ t[2][(v >> 40) & 0xFF] ^
                   t[1][(v >> 48) & 0xFF] ^ t[0][v >> 56];
        p += 8;
        Count -= 8;
    }
    for (; Count > 0; --Count)
        Register = Crc32Table[(Register ^ *p++) & 0xFF] ^ (Register >> 8);
    return Register;
}

// Adler-32 with the modulo reductions deferred: 5552 is the most bytes that can be summed
// before s2 could pass 2^32 (RFC 1950, zlib's NMAX), so the sums are reduced once per 5552
// bytes instead of after every byte. The value is the same.
uint32_t Adler32Portable(uint32_t Value, const uint8_t* p, size_t Count) {
    constexpr uint32_t kMod = 65521;
    constexpr size_t kMaxRun = 5552;
    uint32_t s1 = Value & 0xFFFF, s2 = Value >> 16;
    while (Count > 0) {
        size_t n = Count < kMaxRun ? Count : kMaxRun;
        Count -= n;
        for (; n >= 8; n -= 8, p += 8) {
            s1 += p[0];
            s2 += s1;
            s1 += p[1];
            s2 += s1;
            s1 += p[2];
            s2 += s1;
            s1 += p[3];
            s2 += s1;
            s1 += p[4];
            s2 += s1;
            s1 += p[5];
            s2 += s1;
            s1 += p[6];
            s2 += s1;
            s1 += p[7];
            s2 += s1;
        }
        for (; n > 0; --n) {
            s1 += *p++;
            s2 += s1;
        }
        s1 %= kMod;
        s2 %= kMod;
    }
    return s1 | (s2 << 16);
}

uint64_t Crc64Portable(const uint8_t* p, size_t Count, uint64_t Register) {
    const auto& t = kCrc64Slices;
    while (Count >= 8) {
        const uint64_t v = Load64(p) ^ Register;
        Register = t[7][v & 0xFF] ^ t[6][(v >> 8) & 0xFF] ^ t[5][(v >> 16) & 0xFF] ^
                   t[4][(v >> 24) & 0xFF] ^ t[3][(v >> 32) & 0xFF] ^ t[2][(v >> 40) & 0xFF] ^
                   t[1][(v >> 48) & 0xFF] ^ t[0][v >> 56];
        p += 8;
        Count -= 8;
    }
    for (; Count > 0; --Count)
        Register = (Register >> 8) ^ t[0][(Register ^ *p++) & 0xFF];
    return Register;
}

}  // namespace checksums

uint32_t Crc32Update(const void* Buffer, int64_t Count, uint32_t Register) {
    if (Count <= 0) return Register;
    return kernels::Active().crc32(static_cast<const uint8_t*>(Buffer), size_t(Count), Register);
}

void Adler32Update(uint32_t& Value, const void* Buffer, int64_t Count) {
    if (Count <= 0) return;
    Value = kernels::Active().adler32(Value, static_cast<const uint8_t*>(Buffer), size_t(Count));
}

const uint64_t Crc64Table[256] = {
#define E(i) kCrc64Slices[0][i]
#define E8(i) E(i), E(i + 1), E(i + 2), E(i + 3), E(i + 4), E(i + 5), E(i + 6), E(i + 7)
#define E64(i) \
    E8(i), E8(i + 8), E8(i + 16), E8(i + 24), E8(i + 32), E8(i + 40), E8(i + 48), E8(i + 56)
    E64(0), E64(64), E64(128), E64(192)
#undef E64
#undef E8
#undef E
};

uint64_t Crc64Update(const void* Buffer, int64_t Count, uint64_t Register) {
    if (Count <= 0) return Register;
    return kernels::Active().crc64(static_cast<const uint8_t*>(Buffer), size_t(Count), Register);
}

uint64_t Crc64Buffer(const void* Buffer, int64_t Count, uint64_t Value) {
    return ~Crc64Update(Buffer, Count, ~Value);
}

uint64_t Crc64String(std::string_view Text, uint64_t Value) {
    return Crc64Buffer(Text.data(), int64_t(Text.size()), Value);
}
