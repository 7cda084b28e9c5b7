// SHA-1, SHA-224, SHA-256, SHA-384 and SHA-512: the FIPS 180 vectors, empty-message digests, the
// self-check vectors, the lengths around the extra padding block, the contract of the hash
// object family, and the 64-bit and 128-bit counter carries. Every vector runs against every
// compression variant in the kernel table's entries (each skipped on a CPU without it). The
// expected digests were cross-checked with `openssl dgst`.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "DCPsha1.h"
#include "DCPsha256.h"
#include "DCPsha512.h"
#include "hash_test_util.h"
#include "kernels.h"
#include "vector_suite.h"

namespace {

enum class Algo { Sha1, Sha256, Sha384, Sha512 };
using kernels::Entry;
using testutil::KernelScope;

const char* AlgoName(Algo a) {
    switch (a) {
        case Algo::Sha1:
            return "Sha1";
        case Algo::Sha256:
            return "Sha256";
        case Algo::Sha384:
            return "Sha384";
        case Algo::Sha512:
            return "Sha512";
    }
    return "";
}

std::unique_ptr<TDCP_hash> Make(Algo a) {
    switch (a) {
        case Algo::Sha1:
            return std::make_unique<TDCP_sha1>();
        case Algo::Sha256:
            return std::make_unique<TDCP_sha256>();
        case Algo::Sha384:
            return std::make_unique<TDCP_sha384>();
        case Algo::Sha512:
            return std::make_unique<TDCP_sha512>();
    }
    return nullptr;
}

// The kernel slot that holds the algorithm's compression.
kernels::Slot SlotOf(Algo a) {
    switch (a) {
        case Algo::Sha1:
            return kernels::Slot::Sha1;
        case Algo::Sha256:
            return kernels::Slot::Sha256;
        default:
            return kernels::Slot::Sha512;
    }
}

const Algo kAlgos[] = {Algo::Sha1, Algo::Sha256, Algo::Sha384, Algo::Sha512};

// The kernel table's entries of the four algorithms' slots.
std::vector<const Entry*> ShaEntries() {
    std::vector<const Entry*> out;
    for (kernels::Slot slot : {kernels::Slot::Sha1, kernels::Slot::Sha256, kernels::Slot::Sha512})
        for (const Entry* e : testutil::EntriesOf(slot))
            out.push_back(e);
    return out;
}

const std::string kMsg448 = "abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq";
const std::string kMsg896 =
    "abcdefghbcdefghicdefghijdefghijkefghijklfghijklmghijklmnhijklmnoijklmnopjklmnopqklmnopqrlmnop"
    "qrsmnopqrstnopqrstu";

struct Vector {
    Algo algo;
    const char* name;  // test name suffix
    std::string message;
    const char* digest;  // lower-case hex
};

std::vector<Vector> Vectors() {
    using testutil::Pattern;
    const std::string million(1000000, 'a');
    return {
        // SHA-1: FIPS 180 (the 448-bit message is also the second self-check vector).
        {Algo::Sha1, "empty", "", "da39a3ee5e6b4b0d3255bfef95601890afd80709"},
        {Algo::Sha1, "abc", "abc", "a9993e364706816aba3e25717850c26c9cd0d89d"},
        {Algo::Sha1, "msg448", kMsg448, "84983e441c3bd26ebaae4aa1f95129e5e54670f1"},
        {Algo::Sha1, "msg896", kMsg896, "a49b2446a02c645bf419f995b67091253a04a259"},
        {Algo::Sha1, "million_a", million, "34aa973cd4c4daa4f61eeb2bdbad27316534016f"},
        {Algo::Sha1, "len55", Pattern(55), "8ae2d46729cfe68ff927af5eec9c7d1b66d65ac2"},
        {Algo::Sha1, "len56", Pattern(56), "636e2ec698dac903498e648bd2f3af641d3c88cb"},
        {Algo::Sha1, "len63", Pattern(63), "6d942da0c4392b123528f2905c713a3ce28364bd"},
        {Algo::Sha1, "len64", Pattern(64), "c6138d514ffa2135bfce0ed0b8fac65669917ec7"},
        {Algo::Sha1, "len65", Pattern(65), "69bd728ad6e13cd76ff19751fde427b00e395746"},
        {Algo::Sha1, "len129", Pattern(129), "3352e41cc30b40ae80108970492b21014049e625"},

        // SHA-256: FIPS 180.
        {Algo::Sha256, "empty", "",
         "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"},
        {Algo::Sha256, "abc", "abc",
         "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
        {Algo::Sha256, "msg448", kMsg448,
         "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1"},
        {Algo::Sha256, "msg896", kMsg896,
         "cf5b16a778af8380036ce59e7b0492370b249b11e8f07a51afac45037afee9d1"},
        {Algo::Sha256, "million_a", million,
         "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0"},
        {Algo::Sha256, "len55", Pattern(55),
         "463eb28e72f82e0a96c0a4cc53690c571281131f672aa229e0d45ae59b598b59"},
        {Algo::Sha256, "len56", Pattern(56),
         "da2ae4d6b36748f2a318f23e7ab1dfdf45acdc9d049bd80e59de82a60895f562"},
        {Algo::Sha256, "len63", Pattern(63),
         "29af2686fd53374a36b0846694cc342177e428d1647515f078784d69cdb9e488"},
        {Algo::Sha256, "len64", Pattern(64),
         "fdeab9acf3710362bd2658cdc9a29e8f9c757fcf9811603a8c447cd1d9151108"},
        {Algo::Sha256, "len65", Pattern(65),
         "4bfd2c8b6f1eec7a2afeb48b934ee4b2694182027e6d0fc075074f2fabb31781"},
        {Algo::Sha256, "len129", Pattern(129),
         "5099c6a56203f9687f7d33f4bfdf576d31dc91f6b695ecea38b2770c87631135"},

        // SHA-384: FIPS 180 (the 896-bit message is also the second self-check vector).
        {Algo::Sha384, "empty", "",
         "38b060a751ac96384cd9327eb1b1e36a21fdb71114be07434c0cc7bf63f6e1da274edebfe76f65fbd51ad2f1"
         "4898b95b"},
        {Algo::Sha384, "abc", "abc",
         "cb00753f45a35e8bb5a03d699ac65007272c32ab0eded1631a8b605a43ff5bed8086072ba1e7cc2358baeca1"
         "34c825a7"},
        {Algo::Sha384, "msg448", kMsg448,
         "3391fdddfc8dc7393707a65b1b4709397cf8b1d162af05abfe8f450de5f36bc6b0455a8520bc4e6f5fe95b1f"
         "e3c8452b"},
        {Algo::Sha384, "msg896", kMsg896,
         "09330c33f71147e83d192fc782cd1b4753111b173b3b05d22fa08086e3b0f712fcc7c71a557e2db966c3e9fa"
         "91746039"},
        {Algo::Sha384, "million_a", million,
         "9d0e1809716474cb086e834e310a4a1ced149e9c00f248527972cec5704c2a5b07b8b3dc38ecc4ebae97ddd8"
         "7f3d8985"},
        {Algo::Sha384, "len111", Pattern(111),
         "f5f9fe110d809d34029de262a01b208356caec6e054c7f926b2591f6c9780579d4b59f5578c6f531a84f158a"
         "33660cef"},
        {Algo::Sha384, "len112", Pattern(112),
         "33ba080ec0ccb378e4e95fed3b26c23aa1a280476e007519ee47f60cd9c5c8a65d627259a9aa2fd33ca06d3c"
         "14ee5548"},
        {Algo::Sha384, "len127", Pattern(127),
         "d5fcfe2fcf6b3ef375ede37c8123d9b78065fecc1d55197e2f7721e6e9a93d0ba4d7fd15f9b96dea2744df24"
         "141ba2ef"},
        {Algo::Sha384, "len128", Pattern(128),
         "ca2385773319124534111a36d0581fc3f00815e907034b90cff9c3a861e126a741d5dfcff65a417b6d729686"
         "3ac0ec17"},
        {Algo::Sha384, "len129", Pattern(129),
         "ef49ae5b9ad51433d00323528d81ea8d2e4d2b507dbd9f1cb84f952b66249a788b1c89fcdb77a0db9f1feb90"
         "1d47fc73"},

        // SHA-512: FIPS 180.
        {Algo::Sha512, "empty", "",
         "cf83e1357eefb8bdf1542850d66d8007d620e4050b5715dc83f4a921d36ce9ce47d0d13c5d85f2b0ff8318d2"
         "877eec2f63b931bd47417a81a538327af927da3e"},
        {Algo::Sha512, "abc", "abc",
         "ddaf35a193617abacc417349ae20413112e6fa4e89a97ea20a9eeee64b55d39a2192992a274fc1a836ba3c23"
         "a3feebbd454d4423643ce80e2a9ac94fa54ca49f"},
        {Algo::Sha512, "msg448", kMsg448,
         "204a8fc6dda82f0a0ced7beb8e08a41657c16ef468b228a8279be331a703c33596fd15c13b1b07f9aa1d3bea"
         "57789ca031ad85c7a71dd70354ec631238ca3445"},
        {Algo::Sha512, "msg896", kMsg896,
         "8e959b75dae313da8cf4f72814fc143f8f7779c6eb9f7fa17299aeadb6889018501d289e4900f7e4331b99de"
         "c4b5433ac7d329eeb6dd26545e96e55b874be909"},
        {Algo::Sha512, "million_a", million,
         "e718483d0ce769644e2e42c7bc15b4638e1f98b13b2044285632a803afa973ebde0ff244877ea60a4cb0432c"
         "e577c31beb009c5c2c49aa2e4eadb217ad8cc09b"},
        {Algo::Sha512, "len111", Pattern(111),
         "a1a111449b198d9b1f538bad7f3fc1022b3a5b1a5e90a0bc860de8512746cbc31599e6c834de3a3235327af0"
         "b51ff57bf7acf1974a73014d9c3953812edc7c8d"},
        {Algo::Sha512, "len112", Pattern(112),
         "c5fbd731d19d2ae1180f001be72c2c1aaba1d7b094b3748880e24593b8e117a750e11c1bd867cc2f96dace8c"
         "8b74abd2d5c4f236be444e77d30d1916174070b9"},
        {Algo::Sha512, "len127", Pattern(127),
         "eab89674feaa34e27aebeeff3c0a4d70070bb872d5e9f186cf1dbbdee517b6e35724d629ff025a5b07185e91"
         "1ada7e3c8acf830aa0e4f71777bd2d44f504f7f0"},
        {Algo::Sha512, "len128", Pattern(128),
         "1dffd5e3adb71d45d2245939665521ae001a317a03720a45732ba1900ca3b8351fc5c9b4ca513eba6f80bc7b"
         "1d1fdad4abd13491cb824d61b08d8c0e1561b3f7"},
        {Algo::Sha512, "len129", Pattern(129),
         "1d9da57fbbdab09afb3506ab2d223d06109d65c1c8ad197f50138f714bc4c3f2fe5787922639c680acad1c65"
         "1f955990425954ce2cba0c5cc83f2667d878eb0f"},
    };
}

struct Case {
    const Entry* entry;
    size_t index;  // into Vectors()
};

const std::vector<Vector>& AllVectors() {
    static const std::vector<Vector> v = Vectors();
    return v;
}

// Every vector under every variant of its algorithm.
std::vector<Case> Cases() {
    std::vector<Case> cases;
    for (const Entry* e : ShaEntries())
        for (size_t i = 0; i < AllVectors().size(); ++i)
            if (SlotOf(AllVectors()[i].algo) == e->slot) cases.push_back({e, i});
    return cases;
}

std::string CaseName(const testing::TestParamInfo<Case>& info) {
    const Vector& vec = AllVectors()[info.param.index];
    return std::string(AlgoName(vec.algo)) + "_" + vec.name + "_" + info.param.entry->name;
}

// Runs the test with the parameter's kernel entry installed; skips it where the CPU lacks it.
template <class Param>
class WithKernel : public testing::TestWithParam<Param> {
protected:
    void SetUp() override {
        const Entry& e = *this->GetParam().entry;
        if (!kernels::Supported(e)) GTEST_SKIP() << "this CPU cannot run " << e.name;
        scope_ = std::make_unique<KernelScope>(e);
    }
    void TearDown() override { scope_.reset(); }

private:
    std::unique_ptr<KernelScope> scope_;
};

class ShaVectorTest : public WithKernel<Case> {
protected:
    const Vector& Vec() const { return AllVectors()[GetParam().index]; }
};

TEST_P(ShaVectorTest, OneUpdate) {
    const Vector& v = Vec();
    auto h = Make(v.algo);
    ASSERT_STREQ(kernels::KernelName(h->Id()), GetParam().entry->name);
    EXPECT_EQ(testutil::Digest(*h, v.message), v.digest);
}

// The same message in pieces of 7 bytes (never block-aligned), through the block buffer.
TEST_P(ShaVectorTest, SevenBytePieces) {
    const Vector& v = Vec();
    auto h = Make(v.algo);
    h->Init();
    for (size_t i = 0; i < v.message.size(); i += 7)
        h->Update(v.message.data() + i, uint32_t(std::min<size_t>(7, v.message.size() - i)));
    uint8_t out[64];
    h->Final(out);
    EXPECT_EQ(testutil::Hex(out, size_t(h->HashSize()) / 8), v.digest);
}

// Through UpdateText, as the file hash service hashes an empty file (UpdateText with "").
TEST_P(ShaVectorTest, UpdateText) {
    const Vector& v = Vec();
    auto h = Make(v.algo);
    h->Init();
    h->UpdateText(v.message);
    uint8_t out[64];
    h->Final(out);
    EXPECT_EQ(testutil::Hex(out, size_t(h->HashSize()) / 8), v.digest);
}

INSTANTIATE_TEST_SUITE_P(Fips180, ShaVectorTest, testing::ValuesIn(Cases()), CaseName);

// The stored self-check vectors and SelfCheck itself, per algorithm and variant.
struct SelfCheckCase {
    Algo algo;
    const Entry* entry;
};

class ShaSelfCheckTest : public WithKernel<SelfCheckCase> {};

TEST_P(ShaSelfCheckTest, SelfCheckIsTrue) {
    auto h = Make(GetParam().algo);
    EXPECT_TRUE(h->SelfCheck());
}

TEST_P(ShaSelfCheckTest, StoredVectors) {
    struct Row {
        Algo algo;
        const char* text;
        const char* digest;
    };
    static const Row rows[] = {
        {Algo::Sha1, "abc", "a9993e364706816aba3e25717850c26c9cd0d89d"},
        {Algo::Sha1, "abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq",
         "84983e441c3bd26ebaae4aa1f95129e5e54670f1"},
        {Algo::Sha256, "abc", "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
        {Algo::Sha256, "abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq",
         "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1"},
        {Algo::Sha384, "abc",
         "cb00753f45a35e8bb5a03d699ac65007272c32ab0eded1631a8b605a43ff5bed8086072ba1e7cc2358baeca1"
         "34c825a7"},
        {Algo::Sha384,
         "abcdefghbcdefghicdefghijdefghijkefghijklfghijklmghijklmnhijklmnoijklmnopjklmnopqklmnopqrl"
         "mnopqrsmnopqrstnopqrstu",
         "09330c33f71147e83d192fc782cd1b4753111b173b3b05d22fa08086e3b0f712fcc7c71a557e2db966c3e9fa"
         "91746039"},
        {Algo::Sha512, "abc",
         "ddaf35a193617abacc417349ae20413112e6fa4e89a97ea20a9eeee64b55d39a2192992a274fc1a836ba3c23"
         "a3feebbd454d4423643ce80e2a9ac94fa54ca49f"},
        {Algo::Sha512,
         "abcdefghbcdefghicdefghijdefghijkefghijklfghijklmghijklmnhijklmnoijklmnopjklmnopqklmnopqrl"
         "mnopqrsmnopqrstnopqrstu",
         "8e959b75dae313da8cf4f72814fc143f8f7779c6eb9f7fa17299aeadb6889018501d289e4900f7e4331b99de"
         "c4b5433ac7d329eeb6dd26545e96e55b874be909"},
    };
    int checked = 0;
    for (const Row& r : rows) {
        if (r.algo != GetParam().algo) continue;
        auto h = Make(r.algo);
        h->Init();
        h->UpdateText(r.text);
        uint8_t out[64];
        h->Final(out);
        EXPECT_EQ(testutil::Hex(out, size_t(h->HashSize()) / 8), r.digest) << r.text;
        ++checked;
    }
    EXPECT_EQ(checked, 2);
}

std::vector<SelfCheckCase> SelfCheckCases() {
    std::vector<SelfCheckCase> cases;
    for (const Entry* e : ShaEntries())
        for (Algo a : kAlgos)
            if (SlotOf(a) == e->slot) cases.push_back({a, e});
    return cases;
}

INSTANTIATE_TEST_SUITE_P(SelfCheck, ShaSelfCheckTest, testing::ValuesIn(SelfCheckCases()),
                         [](const testing::TestParamInfo<SelfCheckCase>& info) {
                             return std::string(AlgoName(info.param.algo)) + "_" +
                                    info.param.entry->name;
                         });

// The published properties and the object factory.
TEST(ShaObjects, Properties) {
    struct Row {
        Algo algo;
        int id;
        const char* algorithm;
        int hashSize;
    };
    const Row rows[] = {
        {Algo::Sha1, 2, "SHA1", 160},
        {Algo::Sha256, 28, "SHA256", 256},
        {Algo::Sha384, 29, "SHA384", 384},
        {Algo::Sha512, 30, "SHA512", 512},
    };
    for (const Row& r : rows) {
        auto h = Make(r.algo);
        EXPECT_EQ(h->Id(), r.id);
        EXPECT_EQ(h->Algorithm(), r.algorithm);
        EXPECT_EQ(h->HashSize(), r.hashSize);
        auto made = CreateHashObject(r.id);
        ASSERT_NE(made, nullptr) << r.algorithm;
        EXPECT_EQ(made->Id(), r.id);
        EXPECT_EQ(made->Algorithm(), r.algorithm);
        EXPECT_EQ(made->HashSize(), r.hashSize);
    }
}

// TDCP_sha512base keeps the base answers of the family.
TEST(ShaObjects, Sha512BaseKeepsBaseAnswers) {
    TDCP_sha512base base;
    EXPECT_EQ(base.Id(), -1);
    EXPECT_EQ(base.Algorithm(), "");
    EXPECT_EQ(base.HashSize(), -1);
    EXPECT_FALSE(base.SelfCheck());
}

void ExpectNotInitialized(const std::function<void()>& f) {
    try {
        f();
        ADD_FAILURE() << "no EDCP_hash raised";
    } catch (const EDCP_hash& e) {
        EXPECT_STREQ(e.what(), "Hash not initialized");
    }
}

TEST(ShaObjects, UseBeforeInitRaises) {
    for (Algo a : {Algo::Sha1, Algo::Sha256, Algo::Sha384, Algo::Sha512}) {
        SCOPED_TRACE(AlgoName(a));
        auto h = Make(a);
        uint8_t out[64];
        ExpectNotInitialized([&] { h->Update("abc", 3); });
        ExpectNotInitialized([&] { h->Final(out); });
        ExpectNotInitialized([&] { h->UpdateText(""); });
    }
}

TEST(ShaObjects, FinalLeavesObjectUninitialisedAndInitRestarts) {
    for (Algo a : {Algo::Sha1, Algo::Sha256, Algo::Sha384, Algo::Sha512}) {
        SCOPED_TRACE(AlgoName(a));
        auto h = Make(a);
        const std::string first = testutil::Digest(*h, "abc");
        uint8_t out[64];
        ExpectNotInitialized([&] { h->Final(out); });
        ExpectNotInitialized([&] { h->Update("abc", 3); });
        // A half-fed message is dropped by Init.
        h->Init();
        h->Update("xyz", 3);
        EXPECT_EQ(testutil::Digest(*h, "abc"), first);
        // After Wipe, too, the object needs Init.
        h->Init();
        h->Wipe();
        ExpectNotInitialized([&] { h->Update("abc", 3); });
    }
}

// The counter carries, tested on the arithmetic itself: no test can feed 2^61 bytes.
TEST(ShaCounter, Carry64BitWordsInto128BitCount) {
    uint64_t high = 0, low = ~uint64_t(0) - 7;  // 2^64 - 8
    dcp::AddBitCount(high, low, 1);             // + 8 bits: exactly to 2^64
    EXPECT_EQ(high, 1u);
    EXPECT_EQ(low, 0u);

    high = 5;
    low = ~uint64_t(0) - 7;
    dcp::AddBitCount(high, low, 2);  // + 16 bits: 2^64 + 8
    EXPECT_EQ(high, 6u);
    EXPECT_EQ(low, 8u);

    high = 0;
    low = ~uint64_t(0) - 8;  // one below the carry
    dcp::AddBitCount(high, low, 1);
    EXPECT_EQ(high, 0u);
    EXPECT_EQ(low, ~uint64_t(0));

    // The largest 32-bit size, 0xFFFFFFFF bytes = 0x7FFFFFFF8 bits, across the boundary.
    high = 0;
    low = ~uint64_t(0) - 0xFu;  // 2^64 - 16
    dcp::AddBitCount(high, low, 0xFFFFFFFFu);
    EXPECT_EQ(high, 1u);
    EXPECT_EQ(low, 0x7FFFFFFF8ull - 16);

    // Sizes past 32 bits: 2^61 + 1 bytes are 2^64 + 8 bits.
    high = 0;
    low = 0;
    dcp::AddBitCount(high, low, (uint64_t(1) << 61) + 1);
    EXPECT_EQ(high, 1u);
    EXPECT_EQ(low, 8u);

    // Size 0 changes nothing; the count wraps modulo 2^128.
    high = 7;
    low = 9;
    dcp::AddBitCount(high, low, 0);
    EXPECT_EQ(high, 7u);
    EXPECT_EQ(low, 9u);
    high = ~uint64_t(0);
    low = ~uint64_t(0) - 7;
    dcp::AddBitCount(high, low, 1);
    EXPECT_EQ(high, 0u);
    EXPECT_EQ(low, 0u);
}

TEST(ShaCounter, Carry32BitWordsInto64BitCount) {
    uint32_t high = 0, low = 0xFFFFFFF8u;
    dcp::AddBitCount(high, low, 1);
    EXPECT_EQ(high, 1u);
    EXPECT_EQ(low, 0u);

    high = 0;
    low = 0xFFFFFFF7u;
    dcp::AddBitCount(high, low, 1);
    EXPECT_EQ(high, 0u);
    EXPECT_EQ(low, 0xFFFFFFFFu);

    // 0xFFFFFFFF bytes = 0x7_FFFFFFF8 bits: the bits above 32 go into High as well.
    high = 0;
    low = 0;
    dcp::AddBitCount(high, low, 0xFFFFFFFFu);
    EXPECT_EQ(high, 7u);
    EXPECT_EQ(low, 0xFFFFFFF8u);
    dcp::AddBitCount(high, low, 1);
    EXPECT_EQ(high, 8u);
    EXPECT_EQ(low, 0u);

    // Both parts of the carry at once: 0x7_FFFFFFF8 + 0x10 overflows the low word.
    high = 0;
    low = 0x10;
    dcp::AddBitCount(high, low, 0xFFFFFFFFu);
    EXPECT_EQ(high, 8u);
    EXPECT_EQ(low, 8u);

    // A size past 32 bits: 2^32 + 1 bytes are 2^35 + 8 bits.
    high = 0;
    low = 0;
    dcp::AddBitCount(high, low, (uint64_t(1) << 32) + 1);
    EXPECT_EQ(high, 8u);
    EXPECT_EQ(low, 8u);

    // The 64-bit count wraps.
    high = 0xFFFFFFFFu;
    low = 0xFFFFFFF8u;
    dcp::AddBitCount(high, low, 1);
    EXPECT_EQ(high, 0u);
    EXPECT_EQ(low, 0u);
}

// Every compression variant agrees with the portable code on random states and random blocks,
// for runs of 0 to 17 blocks in one call (the two-block SHA-512 variants take a lone block, a
// pair, and a pair followed by a lone block in different ways), from an aligned and an
// unaligned address.
TEST(ShaCompress, VariantsMatchPortable) {
    const kernels::Table& portable = kernels::Portable();
    int ran = 0;
    for (const Entry* e : ShaEntries()) {
        if (!kernels::Supported(*e) || std::string_view(e->name) == "portable") continue;
        SCOPED_TRACE(std::string(testutil::SlotName(e->slot)) + " " + e->name);
        ++ran;
        kernels::Table variant = portable;
        kernels::Install(variant, *e);
        const size_t block = e->slot == kernels::Slot::Sha512 ? 128 : 64;
        std::mt19937_64 rng(20240611);
        std::vector<uint8_t> data(17 * block + 1);
        for (size_t offset : {0, 1})
            for (size_t count = 0; count <= 17; ++count) {
                for (auto& b : data)
                    b = uint8_t(rng());
                uint64_t expected[8], got[8];
                for (auto& w : expected)
                    w = rng();
                std::memcpy(got, expected, sizeof got);
                const uint8_t* p = data.data() + offset;
                switch (e->slot) {
                    case kernels::Slot::Sha1:
                    case kernels::Slot::Sha256: {
                        auto* x = reinterpret_cast<uint32_t*>(expected);
                        auto* y = reinterpret_cast<uint32_t*>(got);
                        const bool one = e->slot == kernels::Slot::Sha1;
                        (one ? portable.sha1 : portable.sha256)(x, p, count);
                        (one ? variant.sha1 : variant.sha256)(y, p, count);
                        break;
                    }
                    default:
                        portable.sha512(expected, p, count);
                        variant.sha512(got, p, count);
                        break;
                }
                EXPECT_EQ(0, std::memcmp(expected, got, sizeof got))
                    << count << " blocks at offset " << offset;
            }
    }
    if (ran == 0) GTEST_SKIP() << "this CPU runs no variant besides the portable code";
}

// Runs Body(algorithm) for each algorithm under each kernel of its slot that this CPU runs,
// with that kernel installed.
template <class Body>
void UnderEveryKernel(Body body) {
    for (const Entry* e : ShaEntries()) {
        if (!kernels::Supported(*e)) continue;
        KernelScope scope(*e);
        for (Algo a : kAlgos) {
            if (SlotOf(a) != e->slot) continue;
            SCOPED_TRACE(std::string(AlgoName(a)) + " " + e->name);
            body(a);
        }
    }
}

// Pieces of random sizes, some block-aligned and some empty, give the digest of one Update
// under every variant: the buffered blocks and the runs of whole blocks share the chain.
TEST(ShaCompress, RandomPiecesMatchOneUpdate) {
    std::mt19937 rng(7);
    std::string msg(40000, '\0');
    for (char& c : msg)
        c = char(rng());
    UnderEveryKernel([&](Algo a) {
        auto h = Make(a);
        const std::string whole = testutil::Digest(*h, msg);
        for (int trial = 0; trial < 20; ++trial) {
            h->Init();
            for (size_t i = 0; i < msg.size();) {
                const size_t kinds[] = {0, 1, 128, 256, 384, size_t(rng() % 1500)};
                const size_t n = std::min(kinds[rng() % 6], msg.size() - i);
                h->Update(msg.data() + i, n);
                i += n;
            }
            uint8_t out[64];
            h->Final(out);
            EXPECT_EQ(testutil::Hex(out, size_t(h->HashSize()) / 8), whole) << "trial " << trial;
        }
    });
}

// Unaligned input reaches the compression straight from the caller's buffer.
TEST(ShaCompress, UnalignedCallerBuffer) {
    const std::string msg = testutil::Pattern(1000);
    std::vector<char> shifted(msg.size() + 1);
    std::memcpy(shifted.data() + 1, msg.data(), msg.size());
    UnderEveryKernel([&](Algo a) {
        auto h = Make(a);
        const std::string aligned = testutil::Digest(*h, msg);
        EXPECT_EQ(testutil::Digest(*h, std::string_view(shifted.data() + 1, msg.size())), aligned);
    });
}

// SHA-224 runs SHA-256's kernels: its FIPS 180 examples and the lengths around the padding
// block under each of them, the object contract, and the peers over awkward file sizes.
const std::vector<vectorsuite::Vector>& Sha224Vectors() {
    using testutil::Pattern;
    static const std::vector<vectorsuite::Vector> v = {
        {207, "empty", "", "d14a028c2a3a2bc9476102bb288234c415a2b01f828ea62ac5b3e42f"},
        {207, "abc", "abc", "23097d223405d8228642a477bda255b32aadbce4bda0b3f7e36c9da7"},
        {207, "msg448", kMsg448, "75388b16512776cc5dba5da1fd890150b0c6455cb4f58b1952522525"},
        {207, "msg896", kMsg896, "c97ca9a559850ce97a04a96def6d99a9e0e0e2ab14e6b8df265fc0b3"},
        {207, "million_a", std::string(1000000, 'a'),
         "20794655980c91d8bbb4c1ea97618a4bf03f42581948b2ee4ee7ad67"},
        {207, "len55", Pattern(55), "8991dfba74284e04dc7581c7c3e4068ff6cb7a63733361429834bb56"},
        {207, "len56", Pattern(56), "2b2cd637c16ad7290bb067ad7d8fd04e204fa43a84366afc7130f4ef"},
        {207, "len64", Pattern(64), "c37b88a3522dbf7ac30d1c68ea397ac11d4773571aed01ddab73531e"},
        {207, "len65", Pattern(65), "114b5fd665736a96585c5d5837d35250aed73c725252cbf7f8b121f6"},
    };
    return v;
}

using vectorsuite::VectorTest;
INSTANTIATE_TEST_SUITE_P(Sha224, VectorTest, testing::ValuesIn(vectorsuite::Cases(Sha224Vectors())),
                         vectorsuite::CaseName);

TEST(Sha224, ContractAndPeers) {
    vectorsuite::CheckObject(207, "SHA224", 224);
    vectorsuite::CrossCheck(207, "python3 -c 'import hashlib'", vectorsuite::Hashlib("sha224"),
                            vectorsuite::AwkwardSizes(64));
    vectorsuite::CrossCheck(207, "openssl dgst -sha224 /dev/null", "openssl dgst -r -sha224",
                            vectorsuite::AwkwardSizes(64));
}

}  // namespace
