// The four little-endian members of the hash object family: MD4, MD5, RIPEMD-128 and
// RIPEMD-160. Published test suites, padding-boundary lengths, properties, self-check and the
// "Hash not initialized" contract.
#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "DCPmd4.h"
#include "DCPmd5.h"
#include "DCPripemd128.h"
#include "DCPripemd160.h"
#include "hash_test_util.h"

namespace {

struct Member {
    const char* Name;
    std::unique_ptr<TDCP_hash> (*Make)();
    int Id;
    const char* Algorithm;
    int HashSize;
    const char* EmptyDigest;  // the published empty-message digest
};

template <class T>
std::unique_ptr<TDCP_hash> Make() {
    return std::make_unique<T>();
}

const Member kMembers[] = {
    {"MD4", Make<TDCP_md4>, 17, "MD4", 128, "31d6cfe0d16ae931b73c59d7e0c089c0"},
    {"MD5", Make<TDCP_md5>, 16, "MD5", 128, "d41d8cd98f00b204e9800998ecf8427e"},
    {"RipeMD128", Make<TDCP_ripemd128>, 27, "RipeMD-128", 128, "cdf26213a150dc3ecb610f18f6b38b46"},
    {"RipeMD160", Make<TDCP_ripemd160>, 10, "RipeMD-160", 160,
     "9c1185a5c5e9fc54612808977ee8f548b2258d31"},
};

const Member& FindMember(std::string_view name) {
    for (const Member& m : kMembers)
        if (name == m.Name) return m;
    throw std::logic_error("no member " + std::string(name));
}

// The messages, by label. PatternN is testutil::Pattern(N): lengths that leave Fill at 55, 56,
// 63, 0 and 1 before the padding.
const std::string& Message(const std::string& label) {
    static const std::map<std::string, std::string> messages = [] {
        std::map<std::string, std::string> m;
        m["Empty"] = "";
        m["A"] = "a";
        m["Abc"] = "abc";
        m["MessageDigest"] = "message digest";
        m["Alphabet"] = "abcdefghijklmnopqrstuvwxyz";
        m["Alnum"] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
        std::string digits;
        for (int i = 0; i < 8; ++i)
            digits += "1234567890";
        m["Digits80"] = digits;
        m["MillionA"] = std::string(1000000, 'a');
        for (size_t n : {55, 56, 63, 64, 65})
            m["Pattern" + std::to_string(n)] = testutil::Pattern(n);
        return m;
    }();
    return messages.at(label);
}

struct Vector {
    const char* Member;
    const char* Message;
    const char* Digest;
};

// RFC 1320 and RFC 1321 appendix A.5, the RIPEMD-160 paper's table of test values (both
// RIPEMD-128 and RIPEMD-160), and the padding boundaries. The Pattern digests were
// cross-checked with openssl, rhash and php (RIPEMD-128: php only) when written.
const Vector kVectors[] = {
    {"MD4", "Empty", "31d6cfe0d16ae931b73c59d7e0c089c0"},
    {"MD4", "A", "bde52cb31de33e46245e05fbdbd6fb24"},
    {"MD4", "Abc", "a448017aaf21d8525fc10ae87aa6729d"},
    {"MD4", "MessageDigest", "d9130a8164549fe818874806e1c7014b"},
    {"MD4", "Alphabet", "d79e1c308aa5bbcdeea8ed63df412da9"},
    {"MD4", "Alnum", "043f8582f241db351ce627e153e7f0e4"},
    {"MD4", "Digits80", "e33b4ddc9c38f2199c3e7b164fcc0536"},
    {"MD4", "MillionA", "bbce80cc6bb65e5c6745e30d4eeca9a4"},
    {"MD4", "Pattern55", "cc8a7f2bd608e3eeecb7f121d13bea55"},
    {"MD4", "Pattern56", "b8e94b6408bbfa6ec9805bf21bc05cbd"},
    {"MD4", "Pattern63", "54ba4472fcd03e99cf28f90eed9f2ae0"},
    {"MD4", "Pattern64", "2de6578f0e7898fa17acd84b79685d3a"},
    {"MD4", "Pattern65", "3a4f2ca37eebdf6dc99a6155517b74fc"},

    {"MD5", "Empty", "d41d8cd98f00b204e9800998ecf8427e"},
    {"MD5", "A", "0cc175b9c0f1b6a831c399e269772661"},
    {"MD5", "Abc", "900150983cd24fb0d6963f7d28e17f72"},
    {"MD5", "MessageDigest", "f96b697d7cb7938d525a2f31aaf161d0"},
    {"MD5", "Alphabet", "c3fcd3d76192e4007dfb496cca67e13b"},
    {"MD5", "Alnum", "d174ab98d277d9f5a5611c2c9f419d9f"},
    {"MD5", "Digits80", "57edf4a22be3c955ac49da2e2107b67a"},
    {"MD5", "MillionA", "7707d6ae4e027c70eea2a935c2296f21"},
    {"MD5", "Pattern55", "6912ee65fff2d9f9ce2508cddf8bcda0"},
    {"MD5", "Pattern56", "51fdd1acda72405dfdfa03fcb85896d7"},
    {"MD5", "Pattern63", "48a6295221902e8e0938f773a7185e72"},
    {"MD5", "Pattern64", "b2d3f56bc197fd985d5965079b5e7148"},
    {"MD5", "Pattern65", "8bd7053801c768420faf816fadba971c"},

    {"RipeMD128", "Empty", "cdf26213a150dc3ecb610f18f6b38b46"},
    {"RipeMD128", "A", "86be7afa339d0fc7cfc785e72f578d33"},
    {"RipeMD128", "Abc", "c14a12199c66e4ba84636b0f69144c77"},
    {"RipeMD128", "MessageDigest", "9e327b3d6e523062afc1132d7df9d1b8"},
    {"RipeMD128", "Alphabet", "fd2aa607f71dc8f510714922b371834e"},
    {"RipeMD128", "Alnum", "d1e959eb179c911faea4624c60c5c702"},
    {"RipeMD128", "Digits80", "3f45ef194732c2dbb2c4a2c769795fa3"},
    {"RipeMD128", "MillionA", "4a7f5723f954eba1216c9d8f6320431f"},
    {"RipeMD128", "Pattern55", "37cec696967031ab2122155998a07f51"},
    {"RipeMD128", "Pattern56", "320b7d4de17a731b9ba5cbb48956d605"},
    {"RipeMD128", "Pattern63", "4466033447f1e1c9bb107d152bf06051"},
    {"RipeMD128", "Pattern64", "406c6ec2643ccef38f964864d12c9191"},
    {"RipeMD128", "Pattern65", "19f725cb43b171dfe18edcb90a9dd900"},

    {"RipeMD160", "Empty", "9c1185a5c5e9fc54612808977ee8f548b2258d31"},
    {"RipeMD160", "A", "0bdc9d2d256b3ee9daae347be6f4dc835a467ffe"},
    {"RipeMD160", "Abc", "8eb208f7e05d987a9b044a8e98c6b087f15a0bfc"},
    {"RipeMD160", "MessageDigest", "5d0689ef49d2fae572b881b123a85ffa21595f36"},
    {"RipeMD160", "Alphabet", "f71c27109c692c1b56bbdceb5b9d2865b3708dbc"},
    {"RipeMD160", "Alnum", "b0e20b6e3116640286ed3a87a5713079b21f5189"},
    {"RipeMD160", "Digits80", "9b752e45573d4b39f4dbd3323cab82bf63326bfb"},
    {"RipeMD160", "MillionA", "52783243c1697bdbe16d37f97f68f08325dc1528"},
    {"RipeMD160", "Pattern55", "3c86963b3ff646a65ae42996e9664c747cc7e5e6"},
    {"RipeMD160", "Pattern56", "ebdd79cfd4fd9949ef8089673d2620427f487cfb"},
    {"RipeMD160", "Pattern63", "6d31d3d634b4a7aa15914c239576eb1956f2d9a4"},
    {"RipeMD160", "Pattern64", "2581f5e9f957b44b0fa24d31996de47409dd1e0f"},
    {"RipeMD160", "Pattern65", "109949b95341eeea7365e8ac4d0d3883d98f709a"},
};

void PrintTo(const Member& m, std::ostream* os) {
    *os << m.Name;
}
void PrintTo(const Vector& v, std::ostream* os) {
    *os << v.Member << " " << v.Message;
}

// Runs f and expects it to raise EDCP_hash with the contract's message.
template <class F>
void ExpectNotInitialized(F&& f) {
    try {
        f();
        ADD_FAILURE() << "no EDCP_hash raised";
    } catch (const EDCP_hash& e) {
        EXPECT_STREQ(e.what(), "Hash not initialized");
    }
}

class MdVectorTest : public ::testing::TestWithParam<Vector> {};

TEST_P(MdVectorTest, DigestInOneUpdate) {
    const Vector& v = GetParam();
    auto h = FindMember(v.Member).Make();
    EXPECT_EQ(testutil::Digest(*h, Message(v.Message)), v.Digest);
}

INSTANTIATE_TEST_SUITE_P(Published, MdVectorTest, ::testing::ValuesIn(kVectors),
                         [](const ::testing::TestParamInfo<Vector>& info) {
                             return std::string(info.param.Member) + "_" + info.param.Message;
                         });

class MdMemberTest : public ::testing::TestWithParam<Member> {};

TEST_P(MdMemberTest, Properties) {
    const Member& m = GetParam();
    auto h = m.Make();
    EXPECT_EQ(h->Id(), m.Id);
    EXPECT_EQ(h->Algorithm(), m.Algorithm);
    EXPECT_EQ(h->HashSize(), m.HashSize);
    EXPECT_EQ(h->ClassId(), m.Id);
    EXPECT_EQ(h->ClassAlgorithm(), m.Algorithm);
    EXPECT_EQ(h->ClassHashSize(), m.HashSize);
}

TEST_P(MdMemberTest, CreateHashObjectMakesThisMember) {
    const Member& m = GetParam();
    auto h = CreateHashObject(m.Id);
    ASSERT_NE(h, nullptr);
    EXPECT_EQ(h->Algorithm(), m.Algorithm);
    EXPECT_EQ(testutil::Digest(*h, ""), m.EmptyDigest);
}

TEST_P(MdMemberTest, SelfCheck) {
    EXPECT_TRUE(GetParam().Make()->SelfCheck());
}

// How the file hash service hashes an empty file.
TEST_P(MdMemberTest, EmptyTextGivesEmptyMessageDigest) {
    const Member& m = GetParam();
    auto h = m.Make();
    uint8_t out[64];
    h->Init();
    h->UpdateText("");
    h->Final(out);
    EXPECT_EQ(testutil::Hex(out, size_t(m.HashSize) / 8), m.EmptyDigest);
}

TEST_P(MdMemberTest, UpdateBeforeInitThrows) {
    auto h = GetParam().Make();
    ExpectNotInitialized([&] { h->Update("abc", 3); });
    ExpectNotInitialized([&] { h->Update(nullptr, 0); });
    ExpectNotInitialized([&] { h->UpdateText("abc"); });
}

TEST_P(MdMemberTest, FinalBeforeInitThrows) {
    auto h = GetParam().Make();
    uint8_t out[64];
    ExpectNotInitialized([&] { h->Final(out); });
}

TEST_P(MdMemberTest, FinalLeavesObjectUninitialisedAndInitRestarts) {
    const Member& m = GetParam();
    auto h = m.Make();
    const size_t n = size_t(m.HashSize) / 8;
    uint8_t first[64], second[64];
    h->Init();
    h->UpdateText("abc");
    h->Final(first);

    ExpectNotInitialized([&] { h->Final(second); });
    ExpectNotInitialized([&] { h->UpdateText("abc"); });

    // A new message after Init: the failed calls changed nothing, and nothing of the first
    // message is left over.
    h->Init();
    h->UpdateText("abc");
    h->Final(second);
    EXPECT_EQ(testutil::Hex(second, n), testutil::Hex(first, n));
    EXPECT_EQ(testutil::Digest(*h, Message("Abc")), testutil::Hex(first, n));
}

TEST_P(MdMemberTest, InitDiscardsAMessageInProgress) {
    const Member& m = GetParam();
    auto h = m.Make();
    uint8_t out[64];
    h->Init();
    h->UpdateText("some bytes that Init must forget");
    h->Init();
    h->Final(out);
    EXPECT_EQ(testutil::Hex(out, size_t(m.HashSize) / 8), m.EmptyDigest);
}

INSTANTIATE_TEST_SUITE_P(Members, MdMemberTest, ::testing::ValuesIn(kMembers),
                         [](const ::testing::TestParamInfo<Member>& info) {
                             return std::string(info.param.Name);
                         });

}  // namespace
