// BLAKE2b and BLAKE2s: RFC 7693's values for "abc" (Appendices A and B) and its self-test
// (Appendix E: one "grand hash" over the digests of many lengths, output sizes and keys),
// lengths around the block size, under every kernel this CPU runs; the object contract; and
// b2sum, python3's hashlib and openssl over awkward file sizes.
#include <cstring>
#include <random>

#include "DCPblake2.h"
#include "vector_suite.h"

namespace {

using vectorsuite::Vector;
using vectorsuite::VectorTest;

const std::vector<Vector>& Vectors() {
    using testutil::Pattern;
    static const std::vector<Vector> v = {
        {201, "empty", "",
         "786a02f742015903c6c6fd852552d272912f4740e15847618a86e217f71f5419d25e1031afee585313896444"
         "934eb04b903a685b1448b755d56f701afe9be2ce"},
        {201, "abc", "abc",
         "ba80a53f981c4d0d6a2797b69f12f6e94c212f14685ac4b74b12bb6fdbffa2d17d87c5392aab792dc252d5de"
         "4533cc9518d38aa8dbf1925ab92386edd4009923"},
        {201, "len127", Pattern(127),
         "b6292669ccd38d5f01caae96ba272c76a879a45743afa0725d83b9ebb26665b731f1848c52f11972b6644f55"
         "4c064fa90780dbbbf3a89d4fc31f67df3e5857ef"},
        {201, "len128", Pattern(128),
         "2319e3789c47e2daa5fe807f61bec2a1a6537fa03f19ff32e87eecbfd64b7e0e8ccff439ac333b040f19b0c4"
         "ddd11a61e24ac1fe0f10a039806c5dcc0da3d115"},
        {201, "len129", Pattern(129),
         "f59711d44a031d5f97a9413c065d1e614c417ede998590325f49bad2fd444d3e4418be19aec4e11449ac1a57"
         "207898bc57d76a1bcf3566292c20c683a5c4648f"},
        {201, "len256", Pattern(256),
         "93463ac058b6163eb43be3f5bb32b28541498f4e3366f1effe253ad44e1e076e41c3616046027c82a7124f8f"
         "4746668ad10b12e8e25a95ac8f3151df01cd5a93"},
        {201, "len257", Pattern(257),
         "9ca40e2ddee9436dbbd08efc65dbaf4870059f5eb3d76efd20241ae5bf13c60f250b882ea5c564838257a3fc"
         "95c496819ace2c6490b55b268535208dfc31822c"},
        {202, "empty", "", "69217a3079908094e11121d042354a7c1f55b6482ca1a51e1b250dfd1ed0eef9"},
        {202, "abc", "abc", "508c5e8c327c14e2e1a72ba34eeb452f37458b209ed63a294d999b4c86675982"},
        {202, "len63", Pattern(63),
         "e57cb79487dd57902432b250733813bd96a84efce59f650fac26e6696aefafc3"},
        {202, "len64", Pattern(64),
         "56f34e8b96557e90c1f24b52d0c89d51086acf1b00f634cf1dde9233b8eaaa3e"},
        {202, "len65", Pattern(65),
         "1b53ee94aaf34e4b159d48de352c7f0661d0a40edff95a0b1639b4090e974472"},
        {202, "len128", Pattern(128),
         "1fa877de67259d19863a2a34bcc6962a2b25fcbf5cbecd7ede8f1fa36688a796"},
        {202, "len129", Pattern(129),
         "5bd169e67c82c2c2e98ef7008bdf261f2ddf30b1c00f9e7f275bb3e8a28dc9a2"},
    };
    return v;
}

INSTANTIATE_TEST_SUITE_P(Rfc7693, VectorTest, testing::ValuesIn(vectorsuite::Cases(Vectors())),
                         vectorsuite::CaseName);

// The RFC's deterministic input: a Fibonacci-like sequence seeded with the length.
std::vector<uint8_t> SelftestSeq(size_t len, uint32_t seed) {
    std::vector<uint8_t> out(len);
    uint32_t a = 0xDEAD4BAD * seed, b = 1;
    for (auto& byte : out) {
        const uint32_t t = a + b;
        a = b;
        b = t;
        byte = uint8_t(t >> 24);
    }
    return out;
}

// The self-test of Appendix E: for each digest length and input length, the digest unkeyed and
// keyed goes into one 256-bit grand hash.
template <class T>
std::string GrandHash(std::initializer_list<size_t> outLengths,
                      std::initializer_list<size_t> inLengths) {
    blake2::State<T> grand, one;
    grand.Start(32);
    uint8_t md[64];
    for (size_t outlen : outLengths)
        for (size_t inlen : inLengths) {
            const auto in = SelftestSeq(inlen, uint32_t(inlen));
            one.Start(outlen);
            one.Absorb(in.data(), in.size());
            one.Finish(md);
            grand.Absorb(md, outlen);
            const auto key = SelftestSeq(outlen, uint32_t(outlen));
            one.Start(outlen, key.data(), key.size());
            one.Absorb(in.data(), in.size());
            one.Finish(md);
            grand.Absorb(md, outlen);
        }
    grand.Finish(md);
    return testutil::Hex(md, 32);
}

TEST(Blake2, Rfc7693SelfTestUnderEveryKernel) {
    for (kernels::Slot slot : {kernels::Slot::Blake2b, kernels::Slot::Blake2s})
        for (const kernels::Entry* e : testutil::EntriesOf(slot)) {
            if (!kernels::Supported(*e)) continue;
            SCOPED_TRACE(e->name);
            testutil::KernelScope scope(*e);
            if (slot == kernels::Slot::Blake2b)
                EXPECT_EQ(
                    (GrandHash<blake2::Traits2b>({20, 32, 48, 64}, {0, 3, 128, 129, 255, 1024})),
                    "c23a7800d98123bd10f506c61e29da5603d763b8bbad2e737f5e765a7bccd475");
            else
                EXPECT_EQ(
                    (GrandHash<blake2::Traits2s>({16, 20, 28, 32}, {0, 3, 64, 65, 255, 1024})),
                    "6a411f08ce25adcdfb02aba641451cec53c598b24f4fc787fbdc88797f4c1dfe");
        }
}

// The counter's low word carries into the high word, in every kernel: a state compressed
// across the carry must match the portable code's.
TEST(Blake2, CounterCarriesUnderEveryKernel) {
    std::vector<uint8_t> data(3 * 128);
    std::mt19937 rng(7693);
    for (auto& b : data)
        b = uint8_t(rng());
    for (const kernels::Entry* e : testutil::EntriesOf(kernels::Slot::Blake2b)) {
        if (!kernels::Supported(*e)) continue;
        kernels::Table t = kernels::Portable();
        kernels::Install(t, *e);
        uint64_t h1[8], h2[8], c1[2] = {~uint64_t(0) - 200, 5}, c2[2] = {c1[0], c1[1]};
        std::memcpy(h1, blake2::kIV2b, sizeof h1);
        std::memcpy(h2, blake2::kIV2b, sizeof h2);
        kernels::Portable().blake2b(h1, c1, data.data(), 3, 128, false);
        t.blake2b(h2, c2, data.data(), 3, 128, false);
        EXPECT_EQ(c1[1], 6u) << e->name;
        EXPECT_EQ(0, std::memcmp(h1, h2, sizeof h1)) << e->name;
        EXPECT_EQ(c1[0], c2[0]);
        EXPECT_EQ(c1[1], c2[1]);
    }
    for (const kernels::Entry* e : testutil::EntriesOf(kernels::Slot::Blake2s)) {
        if (!kernels::Supported(*e)) continue;
        kernels::Table t = kernels::Portable();
        kernels::Install(t, *e);
        uint32_t h1[8], h2[8], c1[2] = {~0u - 100, 9}, c2[2] = {c1[0], c1[1]};
        std::memcpy(h1, blake2::kIV2s, sizeof h1);
        std::memcpy(h2, blake2::kIV2s, sizeof h2);
        kernels::Portable().blake2s(h1, c1, data.data(), 3, 64, false);
        t.blake2s(h2, c2, data.data(), 3, 64, false);
        EXPECT_EQ(c1[1], 10u) << e->name;
        EXPECT_EQ(0, std::memcmp(h1, h2, sizeof h1)) << e->name;
    }
}

TEST(Blake2Objects, Contract) {
    vectorsuite::CheckObject(201, "BLAKE2b", 512);
    vectorsuite::CheckObject(202, "BLAKE2s", 256);
}

TEST(Blake2Peers, B2sum) {
    vectorsuite::CrossCheck(201, "b2sum /dev/null", "b2sum", vectorsuite::AwkwardSizes(128));
}

TEST(Blake2Peers, Hashlib) {
    const std::string probe = "python3 -c 'import hashlib; hashlib.blake2b()'";
    vectorsuite::CrossCheck(201, probe, vectorsuite::Hashlib("blake2b"),
                            vectorsuite::AwkwardSizes(128));
    vectorsuite::CrossCheck(202, probe, vectorsuite::Hashlib("blake2s"),
                            vectorsuite::AwkwardSizes(64));
}

TEST(Blake2Peers, Openssl) {
    vectorsuite::CrossCheck(201, "openssl dgst -blake2b512 /dev/null",
                            "openssl dgst -r -blake2b512", vectorsuite::AwkwardSizes(128));
    vectorsuite::CrossCheck(202, "openssl dgst -blake2s256 /dev/null",
                            "openssl dgst -r -blake2s256", vectorsuite::AwkwardSizes(64));
}

}  // namespace
