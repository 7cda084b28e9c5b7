// The kernel table: what the best table holds, the rule that picks between timed variants, and
// KernelName telling the variant that really runs. The variants' results are checked against
// the vectors by the tests of each algorithm, which run over the same entries.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "hash_test_util.h"
#include "hashhead.h"
#include "hashstream.h"
#include "kernels.h"

namespace {

using kernels::Entry;
using kernels::Slot;

// Each slot of the best table holds an entry of that slot this CPU runs; every slot's list ends
// with the portable code, which every CPU runs, and the portable table holds it everywhere.
TEST(Kernels, BestHoldsAnEntryThisCpuRunsInEachSlot) {
    ASSERT_EQ(kernels::Slots().size(), size_t(kernels::kSlots));
    for (int s = 0; s < kernels::kSlots; ++s) {
        const auto entries = testutil::EntriesOf(Slot(s));
        SCOPED_TRACE(testutil::SlotName(Slot(s)));
        ASSERT_FALSE(entries.empty());
        EXPECT_STREQ(entries.back()->name, "portable");
        EXPECT_TRUE(kernels::Supported(*entries.back()));
        bool found = false;
        for (const Entry* e : entries)
            found = found ||
                    (kernels::Supported(*e) && e->name == std::string(kernels::Best().name[s]));
        EXPECT_TRUE(found) << kernels::Best().name[s];
        EXPECT_STREQ(kernels::Portable().name[s], "portable");
    }
}

// The first candidate stays unless another takes at most 95% of its time; then the fastest.
TEST(Kernels, PickFastestKeepsTheFirstUnlessAnotherIsClearlyFaster) {
    struct Case {
        std::vector<double> seconds;
        size_t pick;
    };
    const Case cases[] = {
        {{1.0}, 0},           {{1.0, 0.96}, 0},     {{1.0, 0.95}, 1},      {{1.0, 1.5}, 0},
        {{1.0, 0.9, 0.8}, 2}, {{1.0, 0.8, 0.9}, 1}, {{1.0, 0.97, 0.5}, 2}, {{2.0, 0.5, 0.5}, 1},
    };
    for (const Case& c : cases)
        EXPECT_EQ(kernels::PickFastest(c.seconds), c.pick) << ::testing::PrintToString(c.seconds);
}

// Breaks a table's slot: its function leaves the state as it was, so every algorithm that runs
// it gives another result.
void Break(kernels::Table& t, Slot s) {
    switch (s) {
        case Slot::Sha1:
            t.sha1 = [](uint32_t*, const uint8_t*, size_t) {};
            break;
        case Slot::Sha256:
            t.sha256 = [](uint32_t*, const uint8_t*, size_t) {};
            break;
        case Slot::Sha512:
            t.sha512 = [](uint64_t*, const uint8_t*, size_t) {};
            break;
        case Slot::Crc32:
            t.crc32 = [](const uint8_t*, size_t, uint32_t r) { return r; };
            break;
        case Slot::Crc64:
            t.crc64 = [](const uint8_t*, size_t, uint64_t r) { return r; };
            break;
        case Slot::Adler32:
            t.adler32 = [](uint32_t v, const uint8_t*, size_t) { return v; };
            break;
    }
    t.name[int(s)] = "broken";
}

std::string DigestOf(int32_t id, const std::string& data) {
    THashStream s(id);
    s.Update(data.data(), data.size());
    return s.Final();
}

// KernelName names the variant an algorithm runs: with one slot broken at a time, exactly the
// algorithms whose results change are named after it. And it follows the portable switch.
TEST(Kernels, KernelNameNamesTheVariantThatRuns) {
    const std::string data = testutil::Pattern(5000);
    std::map<int32_t, std::string> good;
    for (const TAlgorithmInfo& a : AlgorithmTable)
        good[a.Id] = DigestOf(a.Id, data);
    for (int s = 0; s < kernels::kSlots; ++s) {
        SCOPED_TRACE(testutil::SlotName(Slot(s)));
        kernels::Table broken = kernels::Best();
        Break(broken, Slot(s));
        kernels::Use(&broken);
        for (const TAlgorithmInfo& a : AlgorithmTable)
            EXPECT_EQ(std::string(kernels::KernelName(a.Id)) == "broken",
                      DigestOf(a.Id, data) != good[a.Id])
                << a.Name;
        kernels::Use(nullptr);
    }
    EXPECT_STREQ(kernels::KernelName(-1), "portable");

    EXPECT_FALSE(kernels::PortableForced());
    kernels::ForcePortable(true);
    EXPECT_TRUE(kernels::PortableForced());
    for (const TAlgorithmInfo& a : AlgorithmTable)
        EXPECT_STREQ(kernels::KernelName(a.Id), "portable") << a.Name;
    kernels::ForcePortable(false);
    EXPECT_FALSE(kernels::PortableForced());
}

// The public functions and the hash objects give the same results whichever table is in use.
TEST(Kernels, SameResultsUnderEitherTable) {
    const std::string data = testutil::Pattern(100000);
    auto results = [&] {
        std::string out;
        for (const TAlgorithmInfo& a : AlgorithmTable)
            out += DigestOf(a.Id, data) + " ";
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
