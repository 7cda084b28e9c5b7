// Every instruction-set variant of CRC-32, CRC-64/XZ and Adler-32 against the same vectors:
// block-edge lengths at unaligned addresses, the published check values, random splits, and
// random data against the byte-at-a-time definitions. The variants are the kernel table's
// entries; one the CPU lacks is skipped. Also the folding constants, checked by independent
// means.
#include <gtest/gtest.h>

#include <bitset>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "checksums.h"
#include "crcfold.h"
#include "hash_test_util.h"
#include "hashhead.h"
#include "kernels.h"

namespace {

// One variant of one checksum: an entry of the kernel table.
struct Subject {
    const kernels::Entry* entry;
};

std::vector<Subject> Subjects() {
    std::vector<Subject> out;
    for (kernels::Slot slot : {kernels::Slot::Crc32, kernels::Slot::Crc64, kernels::Slot::Adler32})
        for (const kernels::Entry* e : testutil::EntriesOf(slot))
            out.push_back({e});
    return out;
}

void PrintTo(const Subject& s, std::ostream* os) {
    *os << testutil::SlotName(s.entry->slot) << " " << s.entry->name;
}

// Drives the entry through a common form: start value, raw update, and the finishing step.
class Variants : public ::testing::TestWithParam<Subject> {
protected:
    void SetUp() override {
        const kernels::Entry& e = *GetParam().entry;
        if (!kernels::Supported(e)) GTEST_SKIP() << "this CPU lacks " << e.name;
        kernels::Install(table_, e);
    }
    kernels::Slot Slot() const { return GetParam().entry->slot; }
    uint64_t Update(uint64_t state, const uint8_t* p, size_t n) const {
        switch (Slot()) {
            case kernels::Slot::Crc32:
                return table_.crc32(p, n, uint32_t(state));
            case kernels::Slot::Crc64:
                return table_.crc64(p, n, state);
            default:
                return table_.adler32(uint32_t(state), p, n);
        }
    }
    // The finished checksum of Data, fed in the given pieces.
    uint64_t Value(const std::vector<std::string_view>& pieces) const {
        const uint64_t ones = Slot() == kernels::Slot::Crc64 ? ~uint64_t(0) : 0xFFFFFFFF;
        const bool crc = Slot() != kernels::Slot::Adler32;
        uint64_t state = crc ? ones : 1;
        for (auto piece : pieces)
            state = Update(state, reinterpret_cast<const uint8_t*>(piece.data()), piece.size());
        return crc ? state ^ ones : state;
    }
    uint64_t Value(std::string_view data) const { return Value(std::vector{data}); }
    uint64_t Pick(uint64_t crc32, uint64_t adler32, uint64_t crc64) const {
        return Slot() == kernels::Slot::Crc32     ? crc32
               : Slot() == kernels::Slot::Adler32 ? adler32
                                                  : crc64;
    }
    const char* Algorithm() const { return testutil::SlotName(Slot()); }

private:
    kernels::Table table_ = kernels::Portable();
};

struct Vector {
    size_t length;  // of testutil::Pattern: byte i is i mod 251
    uint32_t crc32, adler32;
    uint64_t crc64;
};

// Computed independently: CRC-32 and Adler-32 with zlib, CRC-64 as the block check of xz.
// The lengths sit on the edges of the variants' steps (16, 64, 128 and 256 bytes, and the
// lengths below which a variant hands over to a simpler one).
const Vector kVectors[] = {
    {0, 0x00000000, 0x00000001, 0x0000000000000000ull},
    {1, 0xD202EF8D, 0x00010001, 0x1FADA17364673F59ull},
    {15, 0xA06C675E, 0x023F006A, 0xEDB6371293E5B0CAull},
    {16, 0xCECEE288, 0x02B80079, 0x7A64E421B6985356ull},
    {17, 0x2C183A19, 0x03410089, 0xF4351B8EF9DDDEC3ull},
    {63, 0xDBDEA683, 0xA2FF07A2, 0x1272C116CFFA2AABull},
    {64, 0x100ECE8C, 0xAAE007E1, 0xD098E69B0B93F24Bull},
    {65, 0x40C06FD8, 0xB3010821, 0xAF76C475AB95EFF9ull},
    {127, 0xDEC481AA, 0x364A1F42, 0xFDF18B596BB90EA0ull},
    {128, 0x24650D57, 0x560B1FC1, 0x04CAB3FBFB0D759Cull},
    {240, 0xA60B0B66, 0x2AD57009, 0x8C887E47209C279Full},
    {255, 0x6F7C9956, 0x24A77A96, 0x54A4A93EF9EB987Full},
    {256, 0x5708A3CC, 0x9F417A9A, 0x4DE830B816F1BAE9ull},
    {272, 0x79848BBF, 0x4EA97B62, 0xAF5B3FB3690F098Full},
    {511, 0x21D6E1A0, 0x44D1F543, 0xDD478B53ED1C3955ull},
    {512, 0x7D292220, 0x3A2CF54C, 0x8A2C28878DEB20DDull},
    {513, 0x09C40F79, 0x2F91F556, 0xF31CE951DAF59BD4ull},
    {767, 0x297225D6, 0x60FA7018, 0x6EF211807C5A6BC2ull},
    {1023, 0x5A9E0EFF, 0x799FEAF7, 0x84B74967E2D3C30Cull},
    {4099, 0x48D1721D, 0x19C7B6A5, 0xAA2651F551D0A7ADull},
    {65521, 0x28C62DEA, 0xB2DEFB3D, 0xD1169053C8504661ull},
    {100000, 0xB353B8FA, 0x84CBA994, 0x693C6C5349A22AC9ull},
};

TEST_P(Variants, BlockEdgeLengthsAtEveryAlignment) {
    for (const Vector& v : kVectors) {
        const std::string data = testutil::Pattern(v.length);
        for (size_t offset : {0, 1, 3, 8, 15, 33}) {
            SCOPED_TRACE("length " + std::to_string(v.length) + " at offset " +
                         std::to_string(offset));
            std::vector<char> buffer(offset + v.length + 1);
            std::memcpy(buffer.data() + offset, data.data(), v.length);
            EXPECT_EQ(Value(std::string_view(buffer.data() + offset, v.length)),
                      Pick(v.crc32, v.adler32, v.crc64));
        }
    }
}

TEST_P(Variants, CheckValues) {
    EXPECT_EQ(Value("123456789"), Pick(0xCBF43926, 0x091E01DE, 0x995DC9BBDF1939FAull));
    EXPECT_EQ(Value(""), Pick(0, 1, 0));
    // All-ones data makes the Adler-32 sums largest between reductions; the CRC values were
    // computed with zlib and xz.
    const std::string ones(200000, '\xFF');
    EXPECT_EQ(Value(ones), Pick(0x7C9B27E0, 0x14D06057, 0xA036244939B4ABB1ull));
    // 65521 bytes of 'a': both Adler sums wrap exactly to their start values.
    if (Slot() == kernels::Slot::Adler32) {
        EXPECT_EQ(Value(std::string(65521, 'a')), 1u);
    }
}

// Byte-at-a-time, straight from the definitions.
uint64_t Definition(const std::string& algorithm, std::string_view data) {
    if (algorithm == "adler32") {
        uint32_t s1 = 1, s2 = 0;
        for (unsigned char b : data) {
            s1 = (s1 + b) % 65521;
            s2 = (s2 + s1) % 65521;
        }
        return s1 | uint64_t(s2) << 16;
    }
    const bool wide = algorithm == "crc64";
    const uint64_t poly = wide ? 0xC96C5795D7870F42ull : 0xEDB88320u;
    const uint64_t ones = wide ? ~uint64_t(0) : 0xFFFFFFFFu;
    uint64_t reg = ones;
    for (unsigned char b : data) {
        reg ^= b;
        for (int k = 0; k < 8; ++k)
            reg = (reg & 1) ? (reg >> 1) ^ poly : reg >> 1;
    }
    return reg ^ ones;
}

TEST_P(Variants, RandomDataMatchesTheDefinition) {
    std::mt19937 rng(1950);
    for (int round = 0; round < 40; ++round) {
        std::string data(rng() % 3000, '\0');
        for (char& c : data)
            c = char(rng());
        EXPECT_EQ(Value(data), Definition(Algorithm(), data)) << data.size();
    }
}

// Any split into pieces, empty ones and block edges included, gives the one-pass value.
TEST_P(Variants, RandomSplitsGiveTheOnePassValue) {
    std::mt19937 rng(20111005);
    for (size_t size : {size_t(100), size_t(1000), size_t(70000), size_t(300001)}) {
        std::string data(size, '\0');
        for (char& c : data)
            c = char(rng());
        const uint64_t once = Value(data);
        for (int round = 0; round < 6; ++round) {
            std::vector<std::string_view> pieces;
            std::string_view rest = data;
            while (!rest.empty()) {
                static const size_t kEdges[] = {0, 1, 15, 16, 17, 64, 255, 256, 512, 65521};
                size_t n = rng() % 2 ? kEdges[rng() % std::size(kEdges)] : rng() % 20000;
                n = std::min(n, rest.size());
                pieces.push_back(rest.substr(0, n));
                rest.remove_prefix(n);
            }
            EXPECT_EQ(Value(pieces), once) << size << " bytes in " << pieces.size() << " pieces";
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Checksums, Variants, ::testing::ValuesIn(Subjects()),
                         [](const ::testing::TestParamInfo<Subject>& info) {
                             return std::string(testutil::SlotName(info.param.entry->slot)) + "_" +
                                    info.param.entry->name;
                         });

// The folding multipliers: R64(x^(e-1) mod P) is the register left by the table code after a
// message that is one 1 bit followed by zeros, e - n bits long in all, started from zero.
template <class Reg>
uint64_t Impulse(unsigned e, Reg (*table)(const uint8_t*, size_t, Reg)) {
    constexpr unsigned n = sizeof(Reg) * 8;
    if (e <= n) return uint64_t(1) << (64 - e);  // x^(e-1) is already reduced
    std::vector<uint8_t> message((e - n) / 8, 0);
    message[0] = 1;  // the first bit of a reflected message is its highest power
    return uint64_t(table(message.data(), message.size(), 0)) << (64 - n);
}

template <class Reg>
void CheckFoldPairs(const crcfold::Constants& c, Reg (*table)(const uint8_t*, size_t, Reg)) {
    const std::pair<crcfold::FoldPair, unsigned> pairs[] = {
        {c.By32, 32},     {c.By128, 128},   {c.By256, 256},   {c.By384, 384},
        {c.By512, 512},   {c.By640, 640},   {c.By768, 768},   {c.By896, 896},
        {c.By1024, 1024}, {c.By1536, 1536}, {c.By2048, 2048},
    };
    for (const auto& [pair, bits] : pairs) {
        EXPECT_EQ(pair.Low, Impulse(bits + 64, table)) << bits;
        EXPECT_EQ(pair.High, Impulse(bits, table)) << bits;
    }
    EXPECT_EQ(c.By64Low, Impulse(64, table));
    EXPECT_EQ(c.By128Low, Impulse(128, table));
}

TEST(FoldConstants, MultipliersMatchTheTableCode) {
    CheckFoldPairs<uint32_t>(crcfold::kCrc32, checksums::Crc32Portable);
    CheckFoldPairs<uint64_t>(crcfold::kCrc64, checksums::Crc64Portable);
}

// mu = floor(x^(2n) / P) exactly when mu * P = x^(2n) + r with r of degree below n.
TEST(FoldConstants, BarrettQuotient) {
    for (const auto& [c, n, poly] :
         {std::tuple{crcfold::kCrc32, 32, uint64_t{0x04C11DB7}},
          std::tuple{crcfold::kCrc64, 64, uint64_t{0x42F0E1EBA9EA3693}}}) {
        std::bitset<160> mu, p, product;
        mu.set(size_t(n));
        p.set(size_t(n));
        for (int d = 0; d < n; ++d) {
            mu[size_t(d)] = (c.Mu >> (63 - d)) & 1;  // R64 form back to normal order
            p[size_t(d)] = (poly >> d) & 1;
        }
        // Only powers below n are stored: the x^n term is implied.
        if (n < 64) {
            EXPECT_EQ(c.Mu & ((uint64_t(1) << (64 - n)) - 1), 0u);
        }
        EXPECT_EQ(c.P, crcfold::Reverse64(poly));
        for (size_t i = 0; i <= size_t(n); ++i)
            if (mu[i]) product ^= p << i;
        std::bitset<160> expectedHigh;
        expectedHigh.set(size_t(2 * n));
        EXPECT_EQ(product >> size_t(n), expectedHigh >> size_t(n)) << "width " << n;
    }
}

}  // namespace
