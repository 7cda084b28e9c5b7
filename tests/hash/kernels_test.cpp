// The kernel table: how it is filled from the entries, the portable switch, and the names it
// gives per algorithm. The variants' results are checked against the vectors by the tests of
// each algorithm, which run over the same entries.
#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

#include "hash_test_util.h"
#include "hashhead.h"
#include "hashstream.h"
#include "kernels.h"

namespace {

using kernels::Entry;
using kernels::Slot;

// Each slot of the best table holds the first entry this CPU runs; every slot's list ends with
// the portable code, which every CPU runs, and the portable table holds it everywhere.
TEST(Kernels, BestTakesTheFirstSupportedEntryOfEachSlot) {
    for (int s = 0; s < kernels::kSlots; ++s) {
        const auto entries = testutil::EntriesOf(Slot(s));
        SCOPED_TRACE(testutil::SlotName(Slot(s)));
        ASSERT_FALSE(entries.empty());
        EXPECT_STREQ(entries.back()->name, "portable");
        EXPECT_TRUE(kernels::Supported(*entries.back()));
        const Entry* first = nullptr;
        for (const Entry* e : entries)
            if (!first && kernels::Supported(*e)) first = e;
        EXPECT_STREQ(kernels::Best().name[s], first->name);
        EXPECT_STREQ(kernels::Portable().name[s], "portable");
    }
}

// KernelName names the variant in the algorithm's slot of the table in use: the best one, the
// portable one while forced, and back; "portable" for an algorithm without variants.
TEST(Kernels, KernelNameFollowsThePortableSwitch) {
    auto expected = [&](const kernels::Table& t, const TAlgorithmInfo& a) {
        return std::string(a.Kernel ? t.name[int(*a.Kernel)] : "portable");
    };
    for (const TAlgorithmInfo& a : AlgorithmTable)
        EXPECT_EQ(kernels::KernelName(a.Id), expected(kernels::Best(), a)) << a.Name;
    EXPECT_FALSE(kernels::PortableForced());

    kernels::ForcePortable(true);
    EXPECT_TRUE(kernels::PortableForced());
    for (const TAlgorithmInfo& a : AlgorithmTable)
        EXPECT_STREQ(kernels::KernelName(a.Id), "portable") << a.Name;
    kernels::ForcePortable(false);

    for (const TAlgorithmInfo& a : AlgorithmTable)
        EXPECT_EQ(kernels::KernelName(a.Id), expected(kernels::Best(), a)) << a.Name;
    EXPECT_STREQ(kernels::KernelName(-1), "portable");
}

// A kernel of type F that computes nothing: the state stays as it was, a register or sum comes
// back 0.
template <class F>
struct Inert;
template <class R, class... A>
struct Inert<R (*)(A...)> {
    static R Run(A...) { return R(); }
};

void Disable(kernels::Table& t, Slot s) {
    switch (s) {
        case Slot::Sha1:
            t.sha1 = &Inert<kernels::Sha1Compress>::Run;
            break;
        case Slot::Sha256:
            t.sha256 = &Inert<kernels::Sha256Compress>::Run;
            break;
        case Slot::Sha512:
            t.sha512 = &Inert<kernels::Sha512Compress>::Run;
            break;
        case Slot::Crc32:
            t.crc32 = &Inert<kernels::Crc32Fold>::Run;
            break;
        case Slot::Crc64:
            t.crc64 = &Inert<kernels::Crc64Fold>::Run;
            break;
        case Slot::Adler32:
            t.adler32 = &Inert<kernels::Adler32Sum>::Run;
            break;
        case Slot::Xxh3:
            t.xxh3 = &Inert<kernels::Xxh3Stripes>::Run;
            break;
        case Slot::Crc32c:
            t.crc32c = &Inert<kernels::Crc32Fold>::Run;
            break;
        case Slot::Keccak:
            t.keccak = &Inert<kernels::KeccakAbsorb>::Run;
            break;
        case Slot::Blake2b:
            t.blake2b = &Inert<kernels::Blake2bCompress>::Run;
            break;
        case Slot::Blake2s:
            t.blake2s = &Inert<kernels::Blake2sCompress>::Run;
            break;
    }
}

// Each algorithm runs through the slot its row names and through no other, so KernelName
// names the code that runs: with one slot's kernel computing nothing, exactly the algorithms
// of that slot give other digests. And every slot serves some algorithm.
TEST(Kernels, EachAlgorithmRunsThroughTheSlotOfItsRow) {
    const std::string data = testutil::Pattern(1000);
    auto digest = [&](int32_t id) {
        THashStream stream(id);
        stream.Update(data.data(), data.size());
        return stream.Final();
    };
    std::vector<std::string> normal;
    for (const TAlgorithmInfo& a : AlgorithmTable)
        normal.push_back(digest(a.Id));
    for (int s = 0; s < kernels::kSlots; ++s) {
        SCOPED_TRACE(testutil::SlotName(Slot(s)));
        kernels::Table t = kernels::Best();
        Disable(t, Slot(s));
        kernels::Use(&t);
        int changed = 0;
        for (size_t i = 0; i < AlgorithmTable.size(); ++i) {
            const TAlgorithmInfo& a = AlgorithmTable[i];
            const bool differs = digest(a.Id) != normal[i];
            EXPECT_EQ(differs, a.Kernel == Slot(s)) << a.Name;
            changed += differs ? 1 : 0;
        }
        kernels::Use(nullptr);
        EXPECT_GT(changed, 0) << "no algorithm runs through this slot";
    }
}

// The public functions and the hash objects give the same results whichever table is in use.
TEST(Kernels, SameResultsUnderEitherTable) {
    const std::string data = testutil::Pattern(100000);
    auto results = [&] {
        std::string out;
        for (const TAlgorithmInfo& a : AlgorithmTable) {
            if (auto h = CreateHashObject(a.Id)) out += testutil::Digest(*h, data) + " ";
        }
        out += std::to_string(Crc32Update(data.data(), data.size(), 0xFFFFFFFF)) + " ";
        out += std::to_string(Crc64Update(data.data(), data.size(), ~uint64_t(0))) + " ";
        uint32_t adler = 1;
        Adler32Update(adler, data.data(), data.size());
        return out + std::to_string(adler);
    };
    const std::string best = results();
    kernels::ForcePortable(true);
    const std::string portable = results();
    kernels::ForcePortable(false);
    EXPECT_EQ(best, portable);
}

}  // namespace
