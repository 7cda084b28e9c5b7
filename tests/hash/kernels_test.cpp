// The kernel table: how it is filled from the entries, the portable switch, and the names it
// gives per algorithm. The variants' results are checked against the vectors by the tests of
// each algorithm, which run over the same entries.
#include <gtest/gtest.h>

#include <string>
#include <string_view>

#include "hash_test_util.h"
#include "hashhead.h"
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

// KernelName follows the table in use: the best one, the portable one while forced, and back.
TEST(Kernels, KernelNameFollowsThePortableSwitch) {
    auto slotOf = [](int32_t id) -> int {
        switch (id) {
            case 2:
                return int(Slot::Sha1);
            case 28:
                return int(Slot::Sha256);
            case 29:
            case 30:
                return int(Slot::Sha512);
            case AlgorithmCrc32:
                return int(Slot::Crc32);
            case AlgorithmCrc64:
                return int(Slot::Crc64);
            case AlgorithmAdler32:
                return int(Slot::Adler32);
            default:
                return -1;  // one implementation only
        }
    };
    auto expected = [&](const kernels::Table& t, int32_t id) {
        const int s = slotOf(id);
        return std::string(s < 0 ? "portable" : t.name[s]);
    };
    for (const TAlgorithmInfo& a : AlgorithmTable)
        EXPECT_EQ(kernels::KernelName(a.Id), expected(kernels::Best(), a.Id)) << a.Name;
    EXPECT_FALSE(kernels::PortableForced());

    kernels::ForcePortable(true);
    EXPECT_TRUE(kernels::PortableForced());
    for (const TAlgorithmInfo& a : AlgorithmTable)
        EXPECT_STREQ(kernels::KernelName(a.Id), "portable") << a.Name;
    kernels::ForcePortable(false);

    for (const TAlgorithmInfo& a : AlgorithmTable)
        EXPECT_EQ(kernels::KernelName(a.Id), expected(kernels::Best(), a.Id)) << a.Name;
    EXPECT_STREQ(kernels::KernelName(-1), "portable");
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
