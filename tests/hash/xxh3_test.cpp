// XXH3-64 and XXH128 under every variant of the stripe loop (each skipped on a CPU without it):
// values at the edges of the short, medium and long paths and of stripes and blocks, every
// length from 0 to 2240 at once, every split of messages around those edges, and the variants
// against the portable loop. Also the object contract, and xxhsum on files of awkward sizes.
//
// The input is the byte stream of a multiplicative generator: a 64-bit state starts at
// PRIME32_1 and is multiplied by PRIME64_1 after each byte; the byte is the state's top 8 bits.
// The expected values were computed with xxhsum 0.8.1 (-H3 and -H2) on files of that stream.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "DCPxxh3.h"
#include "hash_test_util.h"
#include "kernels.h"
#include "peer_check.h"

namespace {

std::string Stream(size_t n) {
    std::string s(n, '\0');
    uint64_t state = 0x9E3779B1u;
    for (char& c : s) {
        c = char(state >> 56);
        state *= 0x9E3779B185EBCA87ull;
    }
    return s;
}

const std::string& LongStream() {
    static const std::string s = Stream(1048583);
    return s;
}

struct Vector {
    size_t length;  // of the stream
    const char* xxh3;
    const char* xxh128;
};

// The lengths sit on the edges of the paths (0, 1-3, 4-8, 9-16, 17-128, 129-240, over 240), of
// the 64-byte stripes and of the 1024-byte blocks, whose last stripe is handled apart.
const Vector kVectors[] = {
    {0, "2d06800538d394c2", "99aa06d3014798d86001c324468d497f"},
    {1, "c44bdff4074eecdb", "a6cd5e9392000f6ac44bdff4074eecdb"},
    {2, "7a9978044cb8a8bb", "76750c3c7bf956687a9978044cb8a8bb"},
    {3, "3f968b83e9a87dc3", "96c9e69d712597023f968b83e9a87dc3"},
    {4, "ceb277f560083438", "b82a7c2448b346349ed107eeb27c98a0"},
    {5, "3e2876f6a8e1b1e5", "77713043159b38a23dc66b470cc1ddf0"},
    {8, "92731f68d8a8a634", "ac605166dcc08d7950cf99bad5cf962e"},
    {9, "56d6bd7878198283", "46fff7eb3f33b11db2039104d2f1051c"},
    {15, "ee4bfa38efa7eb5e", "96c61276d49dda37a8122c03b9b36130"},
    {16, "027b4cb04c597e4b", "06a5c500f7396f72d47638bf87ac5789"},
    {17, "0e1175449b89e26f", "e5399dafc2044a0938efb512b295e427"},
    {31, "ce37f73f891e8137", "8773abb18a6ce2324a32ed1e89e6b90b"},
    {32, "94ff320e8376e4ab", "6150186e2042fed0670fa996661bf5b4"},
    {33, "074d4144802696e4", "f3d787b7e8f05aa56246f7acf0c8e960"},
    {64, "de96c1c20ccf3645", "e0668855beee497bbaac72d2bccad454"},
    {96, "59cd6d668d3b94a5", "59d9a99194ee1e91ead78fffc5d92544"},
    {127, "64b02ce2875f630d", "a7c02c0629f4dd53c383b2b5d773a448"},
    {128, "e774efc8b7526505", "787ef7a7d8dbd6c0e67909f8f46f8ee1"},
    {129, "fd683cd797a1f6f8", "556bb86eda8bf18dc9117c1e071386d3"},
    {143, "29db52bbf5d284f2", "d17761dd54f6c7dfc9bcdce948427bd4"},
    {144, "0f36e80070529aab", "95fc2e65765a1af0da39f110e4364dbe"},
    {160, "daf28e443726dcd8", "7194c95fb3e8ad9d17a14d54f0ec0009"},
    {224, "2aef22f208cb0396", "5c4d9febaff1e3363cbbcfd38dfe94e1"},
    {239, "fa309140703904da", "2d351cea9429741fccdef7d56ce02667"},
    {240, "c0d6647a0e620f7e", "9d788a87ff2db6b9f13e75b202ddf57d"},
    {241, "281410fd53152172", "49460f718bb2b59b281410fd53152172"},
    {255, "917c8bfdc005f818", "1d091bc34725bb40917c8bfdc005f818"},
    {256, "62945c6f9a69e20a", "f5ec1864384cf37762945c6f9a69e20a"},
    {257, "6e11e30ac089be1c", "654dca40790fee686e11e30ac089be1c"},
    {319, "5b1daf41d4d13b36", "0cdc3f24873dad1e5b1daf41d4d13b36"},
    {320, "1af05c0d14a49fe4", "f283e6ccf4c733911af05c0d14a49fe4"},
    {321, "2a61c85d4232f24b", "ebd9731b493d0b212a61c85d4232f24b"},
    {511, "1505737e193e4eda", "0a57730ceb247eba1505737e193e4eda"},
    {512, "2670a49459b231da", "3abf5ea6711e29682670a49459b231da"},
    {960, "760ff25ec6d09941", "8184b43d74d3aed9760ff25ec6d09941"},
    {1023, "6e2516d2b7082f69", "6e8b1c66042143286e2516d2b7082f69"},
    {1024, "95c63c696323768e", "20ccbe01f48bc14295c63c696323768e"},
    {1025, "890c433f563ca294", "556d4fd89bfd35cb890c433f563ca294"},
    {1087, "4d300375bae41270", "5ec623d4f54cceca4d300375bae41270"},
    {1088, "dc372746be48034f", "86159be24d2a9900dc372746be48034f"},
    {1089, "9698acf639eaba78", "ef77c05f96e2bb569698acf639eaba78"},
    {1984, "2217acf28c21461d", "35ac4b0ae8712ee62217acf28c21461d"},
    {2047, "23a23c96d6183c16", "e9fdaa62c574767723a23c96d6183c16"},
    {2048, "8c9a8e3f25d392d6", "4d222afea62ca9448c9a8e3f25d392d6"},
    {2049, "b8091341c9ba5c29", "d011ec9b332500afb8091341c9ba5c29"},
    {2111, "f0534d9b422662ce", "1e7c299018a94c45f0534d9b422662ce"},
    {2112, "0200d76530298425", "4a42ee35e7fb15310200d76530298425"},
    {2113, "740d50d48f60ef36", "f44b318969855790740d50d48f60ef36"},
    {2240, "644826e2b5fafeae", "b14de1856769c469644826e2b5fafeae"},
    {16385, "5bca20082dfe22bb", "8bf5158f350431505bca20082dfe22bb"},
    {100003, "0b7a25bd08ad4e3c", "a57aef93e1737ae60b7a25bd08ad4e3c"},
    {1048583, "5f10e27f28530bad", "f072b64dc88f5f575f10e27f28530bad"},
};

// Every length from 0 to 2240 at once: XXH3-64 of the 2241 XXH3-64 digests one after the other
// (8 bytes each, as xxhsum prints them), and XXH128 of the 2241 XXH128 digests.
constexpr size_t kEveryLengthMax = 2240;
constexpr char kEveryLength3[] = "c6b78a9a807a8dee";
constexpr char kEveryLength128[] = "1d6fabd7610bd225e8384d0176244a19";

std::string Digest(TDCP_hash& h, std::string_view data) {
    return testutil::Digest(h, data);
}

// The digest of Data fed in pieces that end at the given offsets (increasing, within Data).
std::string DigestInPieces(TDCP_hash& h, std::string_view data, const std::vector<size_t>& cuts) {
    uint8_t out[16];
    h.Init();
    size_t at = 0;
    for (size_t cut : cuts) {
        h.Update(data.data() + at, cut - at);
        at = cut;
    }
    h.Update(data.data() + at, data.size() - at);
    h.Final(out);
    return testutil::Hex(out, size_t(h.HashSize()) / 8);
}

class Xxh3Kernels : public testing::TestWithParam<const kernels::Entry*> {
protected:
    void SetUp() override {
        const kernels::Entry& e = *GetParam();
        if (!kernels::Supported(e)) GTEST_SKIP() << "this CPU cannot run " << e.name;
        scope_ = std::make_unique<testutil::KernelScope>(e);
    }
    void TearDown() override { scope_.reset(); }

    TDCP_xxh3 h3_;
    TDCP_xxh128 h128_;

private:
    std::unique_ptr<testutil::KernelScope> scope_;
};

// One object per width for all vectors, so every vector after the first also runs after a
// re-Init.
TEST_P(Xxh3Kernels, Vectors) {
    ASSERT_STREQ(kernels::KernelName(TDCP_xxh3::kId), GetParam()->name);
    ASSERT_STREQ(kernels::KernelName(TDCP_xxh128::kId), GetParam()->name);
    for (const Vector& v : kVectors) {
        const std::string_view data(LongStream().data(), v.length);
        EXPECT_EQ(Digest(h3_, data), v.xxh3) << v.length;
        EXPECT_EQ(Digest(h128_, data), v.xxh128) << v.length;
    }
}

TEST_P(Xxh3Kernels, EveryLength) {
    std::string all3, all128;
    uint8_t out[16];
    for (size_t n = 0; n <= kEveryLengthMax; ++n) {
        h3_.Init();
        h3_.Update(LongStream().data(), n);
        h3_.Final(out);
        all3.append(reinterpret_cast<char*>(out), 8);
        h128_.Init();
        h128_.Update(LongStream().data(), n);
        h128_.Final(out);
        all128.append(reinterpret_cast<char*>(out), 16);
    }
    EXPECT_EQ(Digest(h3_, all3), kEveryLength3);
    EXPECT_EQ(Digest(h128_, all128), kEveryLength128);
}

// Two pieces, cut at every offset, for every length up to past the medium path and for lengths
// around stripe and block edges; and pieces of every size from 1 to 130 bytes in turn. Each
// equals the one-call digest, which the tests above check.
TEST_P(Xxh3Kernels, EverySplitGivesTheOneCallDigest) {
    std::vector<size_t> lengths;
    for (size_t n = 0; n <= 300; ++n)
        lengths.push_back(n);
    for (size_t n : {511, 512, 513, 1023, 1024, 1025, 1088, 1089, 2047, 2048, 2049, 2240})
        lengths.push_back(n);
    for (TDCP_hash* h : {static_cast<TDCP_hash*>(&h3_), static_cast<TDCP_hash*>(&h128_)}) {
        for (size_t n : lengths) {
            const std::string_view data(LongStream().data(), n);
            const std::string whole = Digest(*h, data);
            for (size_t cut = 0; cut <= n; ++cut)
                ASSERT_EQ(DigestInPieces(*h, data, {cut}), whole)
                    << h->Algorithm() << ": " << n << " bytes cut at " << cut;
        }
        const std::string_view data(LongStream().data(), 100003);
        const std::string whole = Digest(*h, data);
        for (size_t piece = 1; piece <= 130; ++piece) {
            std::vector<size_t> cuts;
            for (size_t at = piece; at < data.size(); at += piece)
                cuts.push_back(at);
            ASSERT_EQ(DigestInPieces(*h, data, cuts), whole)
                << h->Algorithm() << ": pieces of " << piece;
        }
    }
}

// The variant's loop against the portable one from random accumulators, starting at every
// stripe of a block, over runs that end before, at and past block edges.
TEST_P(Xxh3Kernels, LoopMatchesThePortableLoop) {
    std::mt19937_64 rng(3);
    std::string data(64 * 40, '\0');
    for (char& c : data)
        c = char(rng());
    const auto* p = reinterpret_cast<const uint8_t*>(data.data());
    for (size_t first = 0; first < xxh3::kStripesPerBlock; ++first) {
        for (size_t count : {1, 2, 15, 16, 17, 33, 40}) {
            uint64_t want[8], got[8];
            for (uint64_t& a : want)
                a = rng();
            std::memcpy(got, want, sizeof got);
            xxh3::StripesPortable(want, p, count, first);
            kernels::Active().xxh3(got, p, count, first);
            EXPECT_EQ(std::memcmp(want, got, sizeof got), 0)
                << count << " stripes from stripe " << first;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Xxh3, Xxh3Kernels,
                         testing::ValuesIn(testutil::EntriesOf(kernels::Slot::Xxh3)),
                         [](const testing::TestParamInfo<const kernels::Entry*>& info) {
                             return std::string(info.param->name);
                         });

// The object contract, per class: properties, the factory, the self-check, misuse, and Final
// ending the message.
TEST(Xxh3Objects, Contract) {
    struct Row {
        std::function<std::unique_ptr<TDCP_hash>()> make;
        int id;
        const char* algorithm;
        int bits;
        const char* abc;
    };
    const Row rows[] = {
        {[] { return std::make_unique<TDCP_xxh3>(); }, 208, "XXH3", 64, "78af5f94892f3950"},
        {[] { return std::make_unique<TDCP_xxh128>(); }, 209, "XXH128", 128,
         "06b05ab6733a618578af5f94892f3950"},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.algorithm);
        auto h = r.make();
        EXPECT_EQ(h->Id(), r.id);
        EXPECT_EQ(h->Algorithm(), r.algorithm);
        EXPECT_EQ(h->HashSize(), r.bits);
        auto made = CreateHashObject(r.id);
        ASSERT_NE(made, nullptr);
        EXPECT_EQ(made->Id(), r.id);
        EXPECT_TRUE(h->SelfCheck());

        uint8_t out[16];
        EXPECT_THROW(h->Update("abc", 3), EDCP_hash);
        EXPECT_THROW(h->Final(out), EDCP_hash);
        h->Init();
        h->UpdateText("abc");
        h->Final(out);
        EXPECT_EQ(testutil::Hex(out, size_t(r.bits) / 8), r.abc);
        EXPECT_THROW(h->Final(out), EDCP_hash);
        EXPECT_THROW(h->UpdateText(""), EDCP_hash);
    }
}

// xxhsum on files around the stripe, block and read-chunk edges, up to 3 MiB, hashed through
// the engine as a file is.
TEST(Xxh3Peer, XxhsumAgrees) {
    if (!peercheck::Installed("xxhsum")) GTEST_SKIP() << "xxhsum is not installed";
    const std::vector<size_t> sizes = {0,
                                       1,
                                       3,
                                       4,
                                       8,
                                       9,
                                       16,
                                       17,
                                       128,
                                       129,
                                       240,
                                       241,
                                       1023,
                                       1024,
                                       1025,
                                       16383,
                                       16384,
                                       16385,
                                       65535,
                                       65536,
                                       65537,
                                       262143,
                                       262144,
                                       262145,
                                       1 << 20,
                                       (1 << 20) + 1023,
                                       3 * (1 << 20) + 7};
    peercheck::ExpectPeerAgrees(TDCP_xxh3::kId, "xxhsum -H3", sizes);
    peercheck::ExpectPeerAgrees(TDCP_xxh128::kId, "xxhsum -H2", sizes);
}

}  // namespace
