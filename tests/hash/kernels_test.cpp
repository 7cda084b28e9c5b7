// The kernel table: what the best table holds, the rule that picks between timed variants, and
// KernelName telling the variant that really runs. The variants' results are checked against
// the vectors by the tests of each algorithm, which run over the same entries.
#include <gtest/gtest.h>

#include <map>
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
        case Slot::Blake3:
            // Every output chaining value zero, never left unwritten.
            t.blake3 = [](const uint8_t* const*, size_t Count, size_t, const uint32_t*, uint64_t,
                          bool, uint8_t, uint8_t, uint8_t,
                          uint8_t* Out) { std::fill(Out, Out + 32 * Count, uint8_t(0)); };
            break;
    }
}

// Breaks a table's slot as Disable does and names it "broken".
void Break(kernels::Table& t, Slot s) {
    Disable(t, s);
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
        int changed = 0;
        for (const TAlgorithmInfo& a : AlgorithmTable) {
            const bool differs = DigestOf(a.Id, data) != good[a.Id];
            EXPECT_EQ(std::string(kernels::KernelName(a.Id)) == "broken", differs) << a.Name;
            changed += differs ? 1 : 0;
        }
        kernels::Use(nullptr);
        EXPECT_GT(changed, 0) << "no algorithm runs through this slot";
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
