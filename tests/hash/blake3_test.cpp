// BLAKE3 under every kernel this CPU runs: the published vectors whole, in pieces and after a
// re-Init; each many-input kernel against the portable one where the vectors don't reach
// (counters past 2^32, every remainder of lanes, parents); longer inputs against the tree as
// the paper defines it, recursively; and the object's contract.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "DCPblake3.h"
#include "hash_test_util.h"
#include "hashhead.h"
#include "kernels.h"

namespace {

using kernels::Entry;

// From test_vectors/test_vectors.json of the BLAKE3 repository: input i % 251 of each length,
// the first 32 bytes of the hash mode's output.
struct Vector {
    size_t length;
    const char* digest;
};
const Vector kVectors[] = {
    {0, "af1349b9f5f9a1a6a0404dea36dcc9499bcb25c9adc112b7cc9a93cae41f3262"},
    {1, "2d3adedff11b61f14c886e35afa036736dcd87a74d27b5c1510225d0f592e213"},
    {1023, "10108970eeda3eb932baac1428c7a2163b0e924c9a9e25b35bba72b28f70bd11"},
    {1024, "42214739f095a406f3fc83deb889744ac00df831c10daa55189b5d121c855af7"},
    {1025, "d00278ae47eb27b34faecf67b4fe263f82d5412916c1ffd97c8cb7fb814b8444"},
    {2048, "e776b6028c7cd22a4d0ba182a8bf62205d2ef576467e838ed6f2529b85fba24a"},
    {2049, "5f4d72f40d7a5f82b15ca2b2e44b1de3c2ef86c426c95c1af0b6879522563030"},
    {3072, "b98cb0ff3623be03326b373de6b9095218513e64f1ee2edd2525c7ad1e5cffd2"},
    {3073, "7124b49501012f81cc7f11ca069ec9226cecb8a2c850cfe644e327d22d3e1cd3"},
    {4096, "015094013f57a5277b59d8475c0501042c0b642e531b0a1c8f58d2163229e969"},
    {4097, "9b4052b38f1c5fc8b1f9ff7ac7b27cd242487b3d890d15c96a1c25b8aa0fb995"},
    {5120, "9cadc15fed8b5d854562b26a9536d9707cadeda9b143978f319ab34230535833"},
    {5121, "628bd2cb2004694adaab7bbd778a25df25c47b9d4155a55f8fbd79f2fe154cff"},
    {6144, "3e2e5b74e048f3add6d21faab3f83aa44d3b2278afb83b80b3c35164ebeca205"},
    {6145, "f1323a8631446cc50536a9f705ee5cb619424d46887f3c376c695b70e0f0507f"},
    {7168, "61da957ec2499a95d6b8023e2b0e604ec7f6b50e80a9678b89d2628e99ada77a"},
    {7169, "a003fc7a51754a9b3c7fae0367ab3d782dccf28855a03d435f8cfe74605e7817"},
    {8192, "aae792484c8efe4f19e2ca7d371d8c467ffb10748d8a5a1ae579948f718a2a63"},
    {8193, "bab6c09cb8ce8cf459261398d2e7aef35700bf488116ceb94a36d0f5f1b7bc3b"},
    {16384, "f875d6646de28985646f34ee13be9a576fd515f76b5b0a26bb324735041ddde4"},
    {31744, "62b6960e1a44bcc1eb1a611a8d6235b6b4b78f32e7abc4fb4c6cdcce94895c47"},
    {102400, "bc3e3d41a1146b069abffad3c0d44860cf664390afce4d9661f7902e7943e085"},
};

// The message fed in pieces of the plan's sizes, over and over.
std::string InPieces(TDCP_blake3& h, const std::string& message, const std::vector<size_t>& plan) {
    h.Init();
    for (size_t at = 0, i = 0; at < message.size(); ++i) {
        const size_t n = std::min(plan[i % plan.size()], message.size() - at);
        h.Update(message.data() + at, n);
        at += n;
    }
    uint8_t out[32];
    h.Final(out);
    return testutil::Hex(out, 32);
}

// Piece plans that cut the input before, on and after block and chunk edges, with empty
// pieces between.
const std::vector<std::vector<size_t>> kPlans = {
    {1}, {63, 0, 65}, {1023}, {1024}, {1025, 1}, {16384}, {3000, 70000}, {65536}, {65537, 64},
};

// The tree as the paper defines it: a lone chunk is its own node, and above it the left
// subtree takes the largest power of two of chunks below the total. Built from the portable
// compression alone.
blake3::Output TreeNode(const uint8_t* p, size_t len, uint64_t chunk) {
    if (len <= blake3::kChunkLen) {
        blake3::Output o{};
        std::memcpy(o.cv, blake3::IV, sizeof o.cv);
        const size_t blocks = len == 0 ? 1 : (len + 63) / 64;
        uint8_t flags = blake3::kChunkStart;
        for (size_t b = 0; b + 1 < blocks; ++b, flags = 0)
            blake3::Compress(o.cv, p + 64 * b, 64, chunk, flags);
        o.blockLen = uint32_t(len - 64 * (blocks - 1));
        std::memcpy(o.block, p + 64 * (blocks - 1), o.blockLen);
        o.counter = chunk;
        o.flags = flags | blake3::kChunkEnd;
        return o;
    }
    const size_t chunks = (len + blake3::kChunkLen - 1) / blake3::kChunkLen;
    size_t left = 1;
    while (left * 2 < chunks)
        left *= 2;
    uint8_t l[32], r[32];
    TreeNode(p, left * blake3::kChunkLen, chunk).ChainingValue(l);
    TreeNode(p + left * blake3::kChunkLen, len - left * blake3::kChunkLen, chunk + left)
        .ChainingValue(r);
    return blake3::ParentOutput(l, r);
}

std::string TreeDigest(const std::string& m) {
    uint8_t out[32];
    TreeNode(reinterpret_cast<const uint8_t*>(m.data()), m.size(), 0).RootBytes(out);
    return testutil::Hex(out, 32);
}

std::vector<const Entry*> Blake3Entries() {
    return testutil::EntriesOf(kernels::Slot::Blake3);
}

class Blake3Kernel : public testing::TestWithParam<const Entry*> {
protected:
    void SetUp() override {
        if (!kernels::Supported(*GetParam())) GTEST_SKIP() << "this CPU lacks " << GetParam()->name;
        scope_ = std::make_unique<testutil::KernelScope>(*GetParam());
    }
    void TearDown() override { scope_.reset(); }

private:
    std::unique_ptr<testutil::KernelScope> scope_;
};

// Whole, in every plan's pieces, and on one object re-initialised in the middle of a message.
TEST_P(Blake3Kernel, PublishedVectors) {
    ASSERT_STREQ(kernels::KernelName(TDCP_blake3::kId), GetParam()->name);
    TDCP_blake3 h;
    for (const Vector& v : kVectors) {
        const std::string message = testutil::Pattern(v.length);
        SCOPED_TRACE("length " + std::to_string(v.length));
        EXPECT_EQ(testutil::Digest(h, message), v.digest);
        for (const auto& plan : kPlans)
            EXPECT_EQ(InPieces(h, message, plan), v.digest) << "first piece " << plan[0];
        h.Init();
        h.Update("left over", 9);
        EXPECT_EQ(testutil::Digest(h, message), v.digest) << "after a re-Init";
    }
}

// Inputs from a few bytes to a few MiB, on either side of the chunk counts where the hasher
// changes what it does (a group of 64 chunks, two, many), against the recursive definition.
TEST_P(Blake3Kernel, LongerInputsFollowTheTree) {
    TDCP_blake3 h;
    for (size_t chunks : {2, 3, 63, 64, 65, 128, 129, 1024, 2049}) {
        for (size_t length : {chunks * 1024 - 1, chunks * 1024, chunks * 1024 + 1}) {
            const std::string message = testutil::Pattern(length);
            SCOPED_TRACE("length " + std::to_string(length));
            const std::string expected = TreeDigest(message);
            EXPECT_EQ(testutil::Digest(h, message), expected);
            for (const auto& plan : {kPlans[3], kPlans[6], kPlans[8]})
                EXPECT_EQ(InPieces(h, message, plan), expected) << "first piece " << plan[0];
        }
    }
}

// The kernel against the portable one on what the vectors never reach: a counter that carries
// into its high word between lanes, every count of inputs up to past two groups of lanes (so
// every remainder), parents (one block, the same counter for all), and unaligned inputs.
TEST_P(Blake3Kernel, ManyInputsAsThePortableCode) {
    const Entry& e = *GetParam();
    kernels::Table t{};
    kernels::Install(t, e);
    const std::string data = testutil::Pattern(41 * 1024 + 1);
    const uint32_t key[8] = {1, 2, 3, 4, 0x80000000u, 0xFFFFFFFFu, 7, 8};
    struct Shape {
        size_t blocks;
        bool increment;
        uint8_t flags, start, end;
    };
    const Shape shapes[] = {{16, true, 0, blake3::kChunkStart, blake3::kChunkEnd},
                            {1, false, blake3::kParent, 0, 0},
                            {3, true, blake3::kRoot, 0, blake3::kChunkEnd}};
    for (uint64_t counter : {uint64_t(0), uint64_t(0xFFFFFFFF) - 5, uint64_t(1) << 40}) {
        for (const Shape& s : shapes) {
            for (size_t count = 1; count <= 40; ++count) {
                std::vector<const uint8_t*> inputs(count);
                for (size_t i = 0; i < count; ++i)
                    inputs[i] = reinterpret_cast<const uint8_t*>(data.data()) + 1 + i * 1024;
                std::vector<uint8_t> mine(count * 32), theirs(count * 32);
                t.blake3(inputs.data(), count, s.blocks, key, counter, s.increment, s.flags,
                         s.start, s.end, mine.data());
                blake3::HashManyPortable(inputs.data(), count, s.blocks, key, counter, s.increment,
                                         s.flags, s.start, s.end, theirs.data());
                ASSERT_EQ(mine, theirs)
                    << count << " inputs of " << s.blocks << " blocks, counter " << counter;
            }
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Kernels, Blake3Kernel, testing::ValuesIn(Blake3Entries()),
                         [](const testing::TestParamInfo<const Entry*>& info) {
                             return std::string(info.param->name);
                         });

TEST(Blake3Object, Contract) {
    auto h = CreateHashObject(TDCP_blake3::kId);
    ASSERT_TRUE(h);
    EXPECT_EQ(h->Id(), 200);
    EXPECT_EQ(h->Algorithm(), "BLAKE3");
    EXPECT_EQ(h->HashSize(), 256);
    EXPECT_TRUE(h->SelfCheck());
    uint8_t out[32];
    EXPECT_THROW(h->Update("a", 1), EDCP_hash);
    h->Init();
    h->Final(out);
    EXPECT_THROW(h->Final(out), EDCP_hash);
    EXPECT_STREQ(kernels::KernelName(TDCP_blake3::kId),
                 kernels::Best().name[int(kernels::Slot::Blake3)]);
}

}  // namespace
