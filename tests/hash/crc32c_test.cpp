// CRC-32C under every variant (each skipped on a CPU without it): the check value and the
// examples of RFC 3720, B.4; every length up to past the variants' thresholds and every run
// length of the three-stream code, at odd addresses and from odd registers, against the
// portable code; random splits; the portable code against the bit-at-a-time definition. Also
// the object contract, and rhash on files of awkward sizes.
#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "DCPcrc32c.h"
#include "hash_test_util.h"
#include "kernels.h"
#include "peer_check.h"

namespace {

std::string Bytes(std::initializer_list<int> values) {
    std::string s;
    for (int v : values)
        s += char(v);
    return s;
}

std::string Counting(int from, int step) {
    std::string s(32, '\0');
    for (int i = 0; i < 32; ++i)
        s[size_t(i)] = char(from + step * i);
    return s;
}

struct Published {
    const char* name;
    std::string message;
    uint32_t crc;
};

// RFC 3720 prints each CRC as the bytes sent, least significant first ("aa 36 91 8a").
const Published kPublished[] = {
    {"check value", "123456789", 0xE3069283u},
    {"32 bytes of zeros", std::string(32, '\0'), 0x8A9136AAu},
    {"32 bytes of ones", std::string(32, '\xFF'), 0x62A8AB43u},
    {"32 incrementing bytes", Counting(0, 1), 0x46DD794Eu},
    {"32 decrementing bytes", Counting(31, -1), 0x113FDB5Cu},
    {"iSCSI read command PDU",
     Bytes({0x01, 0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
            0x00, 0x00, 0x00, 0x00, 0x14, 0x00, 0x00, 0x00, 0x00, 0x00, 0x04, 0x00,
            0x00, 0x00, 0x00, 0x14, 0x00, 0x00, 0x00, 0x18, 0x28, 0x00, 0x00, 0x00,
            0x00, 0x00, 0x00, 0x00, 0x02, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00}),
     0xD9963A56u},
};

class Crc32cKernels : public testing::TestWithParam<const kernels::Entry*> {
protected:
    void SetUp() override {
        const kernels::Entry& e = *GetParam();
        if (!kernels::Supported(e)) GTEST_SKIP() << "this CPU cannot run " << e.name;
        scope_ = std::make_unique<testutil::KernelScope>(e);
    }
    void TearDown() override { scope_.reset(); }

    static uint32_t Update(std::string_view data, uint32_t reg) {
        return kernels::Active().crc32c(reinterpret_cast<const uint8_t*>(data.data()), data.size(),
                                        reg);
    }

private:
    std::unique_ptr<testutil::KernelScope> scope_;
};

TEST_P(Crc32cKernels, PublishedValues) {
    ASSERT_STREQ(kernels::KernelName(TDCP_crc32c::kId), GetParam()->name);
    TDCP_crc32c h;
    for (const Published& v : kPublished) {
        SCOPED_TRACE(v.name);
        EXPECT_EQ(~Update(v.message, 0xFFFFFFFFu), v.crc);
        char hex[9];
        std::snprintf(hex, sizeof hex, "%08x", v.crc);
        EXPECT_EQ(testutil::Digest(h, v.message), hex);
    }
}

// Every length up to past the thresholds of the three-stream code (24 bytes) and of the blocks
// that add vector folding (1280 bytes); for each run length of the three-stream code (24 to
// 24576 bytes in steps of 24) and each block length of the mixed code (1280 to 20480 bytes in
// steps of 320) a length just past it; and several runs and blocks. Each at several addresses and
// from a register other than the start value.
TEST_P(Crc32cKernels, EveryEdgeMatchesThePortableCode) {
    std::mt19937 rng(3720);
    std::string data(50000, '\0');
    for (char& c : data)
        c = char(rng());
    std::vector<size_t> lengths;
    for (size_t n = 0; n <= 1400; ++n)
        lengths.push_back(n);
    for (size_t k = 59; k <= 1024; ++k)
        lengths.push_back(24 * k + k % 24);
    for (size_t k = 5; k <= 64; ++k)
        lengths.push_back(320 * k + k % 24);
    for (size_t n :
         {6143, 6144, 6145, 16383, 16384, 16385, 20479, 20480, 20481, 21759, 21760, 41000, 49990})
        lengths.push_back(n);
    for (size_t n : lengths) {
        for (size_t offset : {0, 1, 7}) {
            const std::string_view piece(data.data() + offset, n);
            const uint32_t reg = uint32_t(rng());
            ASSERT_EQ(
                Update(piece, reg),
                crc32c::UpdatePortable(reinterpret_cast<const uint8_t*>(piece.data()), n, reg))
                << n << " bytes at offset " << offset;
        }
    }
}

// Any split into pieces, empty ones and run edges included, gives the one-pass value.
TEST_P(Crc32cKernels, RandomSplitsGiveTheOnePassValue) {
    std::mt19937 rng(20040401);
    std::string data(300001, '\0');
    for (char& c : data)
        c = char(rng());
    TDCP_crc32c h;
    const std::string once = testutil::Digest(h, data);
    for (int round = 0; round < 8; ++round) {
        static const size_t kEdges[] = {0, 1, 7, 8, 24, 1280, 16384, 20480, 24576};
        std::vector<size_t> pieces;
        h.Init();
        for (size_t at = 0; at < data.size();) {
            size_t n = rng() % 2 ? kEdges[rng() % std::size(kEdges)] : rng() % 20000;
            n = std::min(n, data.size() - at);
            h.Update(data.data() + at, n);
            at += n;
            pieces.push_back(n);
        }
        uint8_t out[4];
        h.Final(out);
        EXPECT_EQ(testutil::Hex(out, 4), once) << pieces.size() << " pieces";
    }
}

INSTANTIATE_TEST_SUITE_P(Crc32c, Crc32cKernels,
                         testing::ValuesIn(testutil::EntriesOf(kernels::Slot::Crc32c)),
                         [](const testing::TestParamInfo<const kernels::Entry*>& info) {
                             return std::string(info.param->name);
                         });

// The portable code against the definition, bit by bit with the reflected polynomial.
TEST(Crc32cPortable, MatchesTheDefinition) {
    std::mt19937 rng(0x82F63B78u);
    for (int round = 0; round < 50; ++round) {
        std::string data(rng() % 3000, '\0');
        for (char& c : data)
            c = char(rng());
        uint32_t reg = 0xFFFFFFFFu;
        for (unsigned char b : data) {
            reg ^= b;
            for (int k = 0; k < 8; ++k)
                reg = (reg & 1) ? (reg >> 1) ^ 0x82F63B78u : reg >> 1;
        }
        EXPECT_EQ(crc32c::UpdatePortable(reinterpret_cast<const uint8_t*>(data.data()), data.size(),
                                         0xFFFFFFFFu),
                  reg)
            << data.size();
    }
}

TEST(Crc32cObject, Contract) {
    TDCP_crc32c h;
    EXPECT_EQ(h.Id(), 210);
    EXPECT_EQ(h.Algorithm(), "CRC32C");
    EXPECT_EQ(h.HashSize(), 32);
    auto made = CreateHashObject(210);
    ASSERT_NE(made, nullptr);
    EXPECT_EQ(made->Id(), 210);
    EXPECT_TRUE(h.SelfCheck());

    uint8_t out[4];
    EXPECT_THROW(h.Update("abc", 3), EDCP_hash);
    EXPECT_THROW(h.Final(out), EDCP_hash);
    h.Init();
    h.UpdateText("");
    h.Final(out);
    EXPECT_EQ(testutil::Hex(out, 4), "00000000");
    EXPECT_THROW(h.Final(out), EDCP_hash);
}

// rhash on files around the run and block edges and the engine's read chunks, up to 3 MiB.
TEST(Crc32cPeer, RhashAgrees) {
    if (!peercheck::Installed("rhash")) GTEST_SKIP() << "rhash is not installed";
    peercheck::ExpectPeerAgrees(TDCP_crc32c::kId, "rhash --crc32c",
                                {0,
                                 1,
                                 7,
                                 8,
                                 9,
                                 23,
                                 24,
                                 25,
                                 1279,
                                 1280,
                                 1281,
                                 6143,
                                 6144,
                                 6145,
                                 16383,
                                 16384,
                                 16385,
                                 20480,
                                 65537,
                                 262145,
                                 (1 << 20) + 1023,
                                 3 * (1 << 20) + 7});
}

}  // namespace
