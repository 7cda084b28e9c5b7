// MD2's compression with the last round of each block deferred to run beside the next block's
// first round must leave the state and checksum that one whole transform per block leaves,
// after any number of blocks; the class's digests are covered by the RFC 1319 suite in
// hashhead_test.cpp.
#include <gtest/gtest.h>

#include <cstring>
#include <random>

#include "MD2.h"
#include "hash_test_util.h"

namespace {

TEST(Md2Rounds, DeferredLastRoundMatchesWholeTransforms) {
    std::mt19937 rng(1319);
    for (int blocks : {1, 2, 3, 7, 64}) {
        for (int round = 0; round < 5; ++round) {
            uint8_t start[48], checksum[16];
            for (auto& b : start)
                b = uint8_t(rng());
            for (auto& b : checksum)
                b = uint8_t(rng());
            std::memset(start + 16, 0, 32);  // only the first 16 bytes carry over between blocks
            uint8_t whole[48], wholeSum[16], deferred[48], deferredSum[16];
            std::memcpy(whole, start, 48);
            std::memcpy(deferred, start, 48);
            std::memcpy(wholeSum, checksum, 16);
            std::memcpy(deferredSum, checksum, 16);
            unsigned pending = md2::kNonePending;
            for (int i = 0; i < blocks; ++i) {
                uint8_t block[16];
                for (auto& b : block)
                    b = uint8_t(rng());
                md2::TransformPortable(whole, wholeSum, block);
                md2::TransformDeferred(deferred, deferredSum, block, pending);
                EXPECT_EQ(testutil::Hex(deferredSum, 16), testutil::Hex(wholeSum, 16));
            }
            EXPECT_NE(pending, md2::kNonePending);
            md2::FinishRounds(deferred, pending);
            EXPECT_EQ(pending, md2::kNonePending);
            EXPECT_EQ(testutil::Hex(deferred, 48), testutil::Hex(whole, 48)) << blocks << " blocks";
        }
    }
}

}  // namespace
