// SHA3-224, SHA3-256, SHA3-384 and SHA3-512: the example values NIST publishes for FIPS 202
// (the empty message, "abc", 200 bytes of 0xA3, the 448-bit and 896-bit FIPS 180 messages),
// lengths on either side of each rate, under every Keccak kernel this CPU runs; the object
// contract; and python3's hashlib and openssl over awkward file sizes.
#include <cstring>
#include <random>

#include "DCPsha3.h"
#include "vector_suite.h"

namespace {

using vectorsuite::Vector;
using vectorsuite::VectorTest;

const std::string kMsg448 = "abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq";
const std::string kMsg896 =
    "abcdefghbcdefghicdefghijdefghijkefghijklfghijklmghijklmnhijklmnoijklmnopjklmnopqklmnopqrlmnop"
    "qrsmnopqrstnopqrstu";
const std::string kA3(200, '\xA3');

const std::vector<Vector>& Vectors() {
    using testutil::Pattern;
    static const std::vector<Vector> v = {
        {203, "empty", "", "6b4e03423667dbb73b6e15454f0eb1abd4597f9a1b078e3f5b5a6bc7"},
        {203, "abc", "abc", "e642824c3f8cf24ad09234ee7d3c766fc9a3a5168d0c94ad73b46fdf"},
        {203, "a3x200", kA3, "9376816aba503f72f96ce7eb65ac095deee3be4bf9bbc2a1cb7e11e0"},
        {203, "msg448", kMsg448, "8a24108b154ada21c9fd5574494479ba5c7e7ab76ef264ead0fcce33"},
        {203, "msg896", kMsg896, "543e6868e1666c1a643630df77367ae5a62a85070a51c14cbf665cbc"},
        {203, "len143", Pattern(143), "64d0e8a1be3cf30ef6727b30a6e428f7f068d44634c943d277ad8e7f"},
        {203, "len144", Pattern(144), "5be75e6a08f19913a1d8036c056cc4556b98dc90aeca3f2a0664dedc"},
        {203, "len145", Pattern(145), "90b861ac1b1598459ad8337afa9933ce2f1a6f972c57daf8fc2737e4"},
        {204, "empty", "", "a7ffc6f8bf1ed76651c14756a061d662f580ff4de43b49fa82d80a4b80f8434a"},
        {204, "abc", "abc", "3a985da74fe225b2045c172d6bd390bd855f086e3e9d525b46bfe24511431532"},
        {204, "a3x200", kA3, "79f38adec5c20307a98ef76e8324afbfd46cfd81b22e3973c65fa1bd9de31787"},
        {204, "msg448", kMsg448,
         "41c0dba2a9d6240849100376a8235e2c82e1b9998a999e21db32dd97496d3376"},
        {204, "msg896", kMsg896,
         "916f6061fe879741ca6469b43971dfdb28b1a32dc36cb3254e812be27aad1d18"},
        {204, "len135", Pattern(135),
         "fded8fd9d6551c601eeb3b7c6bc5e5cfd8aad1d015b7e9aaa9c9b9475231d5e2"},
        {204, "len136", Pattern(136),
         "cf3ccff92480a29160c2d38317c430e14749bfee1788106957dfe73f8c4930e5"},
        {204, "len137", Pattern(137),
         "ce9d7dc90913ee5d92745019479a5352c6d6279bef18ed07dc0a83ee8084daca"},
        {204, "len272", Pattern(272),
         "b7ccd55b6c2c3fa144c9e0624059294975a348b02f321abe289701d3012f7794"},
        {205, "empty", "",
         "0c63a75b845e4f7d01107d852e4c2485c51a50aaaa94fc61995e71bbee983a2ac3713831264adb47fb6bd1e0"
         "58d5f004"},
        {205, "abc", "abc",
         "ec01498288516fc926459f58e2c6ad8df9b473cb0fc08c2596da7cf0e49be4b298d88cea927ac7f539f1edf2"
         "28376d25"},
        {205, "a3x200", kA3,
         "1881de2ca7e41ef95dc4732b8f5f002b189cc1e42b74168ed1732649ce1dbcdd76197a31fd55ee989f2d7050"
         "dd473e8f"},
        {205, "msg448", kMsg448,
         "991c665755eb3a4b6bbdfb75c78a492e8c56a22c5c4d7e429bfdbc32b9d4ad5aa04a1f076e62fea19eef51ac"
         "d0657c22"},
        {205, "msg896", kMsg896,
         "79407d3b5916b59c3e30b09822974791c313fb9ecc849e406f23592d04f625dc8c709b98b43b3852b3372161"
         "79aa7fc7"},
        {205, "len103", Pattern(103),
         "1f91ee551ad18f268876d1fc262f137fe196580216c5193819a95ec5222537d2a658dd129c3d8080e65ec746"
         "0f1f4704"},
        {205, "len104", Pattern(104),
         "5b8d0d5cf8b41be507be8fcbfcbdbac3a28eb368d430fed6780aaa78a93a8da4a6c50485949ca344f228be91"
         "a96005a3"},
        {205, "len105", Pattern(105),
         "4a2f0a8f2f1f4cc4605cc2537e0be28cf8b465c30f0a54b494a7128ec54ee4e85706b5e47a5697344d15cbf8"
         "5680cd40"},
        {206, "empty", "",
         "a69f73cca23a9ac5c8b567dc185a756e97c982164fe25859e0d1dcc1475c80a615b2123af1f5f94c11e3e940"
         "2c3ac558f500199d95b6d3e301758586281dcd26"},
        {206, "abc", "abc",
         "b751850b1a57168a5693cd924b6b096e08f621827444f70d884f5d0240d2712e10e116e9192af3c91a7ec576"
         "47e3934057340b4cf408d5a56592f8274eec53f0"},
        {206, "a3x200", kA3,
         "e76dfad22084a8b1467fcf2ffa58361bec7628edf5f3fdc0e4805dc48caeeca81b7c13c30adf52a365958473"
         "9a2df46be589c51ca1a4a8416df6545a1ce8ba00"},
        {206, "msg448", kMsg448,
         "04a371e84ecfb5b8b77cb48610fca8182dd457ce6f326a0fd3d7ec2f1e91636dee691fbe0c985302ba1b0d8d"
         "c78c086346b533b49c030d99a27daf1139d6e75e"},
        {206, "msg896", kMsg896,
         "afebb2ef542e6579c50cad06d2e578f9f8dd6881d7dc824d26360feebf18a4fa73e3261122948efcfd492e74"
         "e82e2189ed0fb440d187f382270cb455f21dd185"},
        {206, "len71", Pattern(71),
         "3ccc850d53a1287af7b4560b2ef0d43eb5d9a80d62a0e9cf1dbc040135921104d4395168e90bfc871773ebb3"
         "4bca1bd67056e1cc7dc7a48ff7c3167d389f117c"},
        {206, "len72", Pattern(72),
         "5d63f2bbe971a983ac6847480106e4e1264ee3a0befd79954914e1d86e795b2e18238f12fc5e46cb9cc78efd"
         "ec610a93647cc04e1c23d8caaa6a58c21dd26c07"},
        {206, "len144", Pattern(144),
         "e1951b8bcb58ca75a34af80a7a2b765cad4257fe383a79b55bf21f180b75f6e5b08f09598851eeea7d134863"
         "87618d6c6bf88cf23c0088a3f783f59a06d60493"},
    };
    return v;
}

INSTANTIATE_TEST_SUITE_P(Fips202, VectorTest, testing::ValuesIn(vectorsuite::Cases(Vectors())),
                         vectorsuite::CaseName);

struct Size {
    int32_t id;
    const char* algorithm;
    int bits;
};
const Size kSizes[] = {
    {203, "SHA3-224", 224}, {204, "SHA3-256", 256}, {205, "SHA3-384", 384}, {206, "SHA3-512", 512}};

TEST(Sha3Objects, Contract) {
    for (const Size& s : kSizes)
        vectorsuite::CheckObject(s.id, s.algorithm, s.bits);
}

// Every Keccak kernel agrees with the portable one on random states, for every rate that is a
// whole number of lanes (the general loop as well as the four specialised ones) and runs of 0
// to 5 blocks from an unaligned address.
TEST(Sha3Kernels, MatchPortableOnEveryRate) {
    std::mt19937_64 rng(202);
    std::vector<uint8_t> data(5 * 200 + 1);
    for (auto& b : data)
        b = uint8_t(rng());
    for (const kernels::Entry* e : testutil::EntriesOf(kernels::Slot::Keccak)) {
        if (!kernels::Supported(*e)) continue;
        kernels::Table t = kernels::Portable();
        kernels::Install(t, *e);
        for (size_t rate = 8; rate <= 200; rate += 8)
            for (size_t count = 0; count <= 5; ++count) {
                uint64_t expected[25], got[25];
                for (auto& w : expected)
                    w = rng();
                std::memcpy(got, expected, sizeof got);
                kernels::Portable().keccak(expected, data.data() + 1, count, rate);
                t.keccak(got, data.data() + 1, count, rate);
                EXPECT_EQ(0, std::memcmp(expected, got, sizeof got))
                    << e->name << ": rate " << rate << ", " << count << " blocks";
            }
    }
}

TEST(Sha3Peers, Hashlib) {
    for (const Size& s : kSizes)
        vectorsuite::CrossCheck(s.id, "python3 -c 'import hashlib; hashlib.sha3_256()'",
                                vectorsuite::Hashlib("sha3_" + std::to_string(s.bits)),
                                vectorsuite::AwkwardSizes(200 - size_t(s.bits) / 4));
}

TEST(Sha3Peers, Openssl) {
    for (const Size& s : kSizes)
        vectorsuite::CrossCheck(s.id, "openssl dgst -sha3-256 /dev/null",
                                "openssl dgst -r -sha3-" + std::to_string(s.bits),
                                vectorsuite::AwkwardSizes(200 - size_t(s.bits) / 4));
}

}  // namespace
