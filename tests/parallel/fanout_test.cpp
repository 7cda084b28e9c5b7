// One stream fed to several algorithms gives each the digest of a stream of its own, whatever
// the piece sizes, the number of helper threads and the length (around the hand-over piece).
#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <future>
#include <string>
#include <thread>
#include <vector>

#include "../hash/hash_test_util.h"
#include "fanout.h"
#include "hashhead.h"
#include "hashstream.h"

namespace {

std::string Alone(int32_t id, const std::string& data) {
    THashStream s(id);
    s.Update(data.data(), data.size());
    return s.Final();
}

// Runs Body on a thread of its own; one still running after Limit (a deadlock in the fan-out)
// ends the test program with a message rather than hanging it.
void Within(std::chrono::steady_clock::duration limit, const std::function<void()>& body) {
    std::packaged_task<void()> task(body);
    std::future<void> done = task.get_future();
    std::thread runner(std::move(task));
    if (done.wait_for(limit) != std::future_status::ready) {
        std::fprintf(stderr,
                     "the fan-out did not finish in 5 s and 20 times what hashing the "
                     "stream alone took: a deadlock\n");
        std::_Exit(1);
    }
    runner.join();
    done.get();
}

void ExpectSameAsAlone(const std::vector<int32_t>& ids, const std::string& data, unsigned helpers,
                       size_t feed) {
    SCOPED_TRACE(testing::Message() << data.size() << " bytes, " << helpers << " helpers, fed "
                                    << feed << " at a time");
    // The digests of each algorithm alone, and how long they took on this machine (an emulator
    // or a sanitizer makes it many times longer): the fan-out's deadline is set by it.
    const auto start = std::chrono::steady_clock::now();
    std::vector<std::string> alone;
    for (int32_t id : ids)
        alone.push_back(Alone(id, data));
    const auto limit = std::chrono::seconds(5) + 20 * (std::chrono::steady_clock::now() - start);
    std::vector<std::string> digests;
    Within(limit, [&] {
        parallel::Fanout fanout(ids, helpers);
        for (size_t at = 0; at < data.size(); at += feed)
            fanout.Feed(reinterpret_cast<const uint8_t*>(data.data()) + at,
                        std::min(feed, data.size() - at));
        digests = fanout.Finish();
    });
    ASSERT_EQ(digests.size(), ids.size());
    for (size_t i = 0; i < ids.size(); ++i)
        EXPECT_EQ(digests[i], alone[i]) << ids[i];
}

TEST(Fanout, EachAlgorithmGetsTheWholeStreamInOrder) {
    const size_t piece = parallel::kFanoutPiece;
    const std::vector<int32_t> ids = {AlgorithmIdFromName("md5"), AlgorithmIdFromName("sha1"),
                                      AlgorithmIdFromName("sha256"), AlgorithmCrc32};
    for (size_t size : {size_t(0), size_t(1), piece - 1, piece, piece + 1, 11 * piece + 5})
        for (unsigned helpers : {0u, 1u, 3u})
            for (size_t feed : {size_t(1000), piece, 3 * piece + 7})
                ExpectSameAsAlone(ids, testutil::Pattern(size), helpers, feed);
}

TEST(Fanout, EveryAlgorithmAtOnce) {
    std::vector<int32_t> ids;
    for (const auto& a : AlgorithmTable)
        ids.push_back(a.Id);
    ExpectSameAsAlone(ids, testutil::Pattern(3 * parallel::kFanoutPiece + 17), 2, 100'000);
    // The same algorithm twice is two lanes with the same result.
    ExpectSameAsAlone({16, 16}, testutil::Pattern(2 * parallel::kFanoutPiece), 1, 65536);
}

// A file cut short while it is read: the bytes come from a mapping, and a fault on it is caught
// only on the reading thread, so the helpers must never touch the mapping. The read fails as
// changed, and no digest comes back.
TEST(Fanout, AFileTruncatedDuringTheReadGivesNoDigest) {
    namespace fs = std::filesystem;
    const fs::path path =
        fs::temp_directory_path() / ("quernix-fanout-" + std::to_string(::getpid()) + ".bin");
    std::ofstream(path, std::ios::binary) << testutil::Pattern(size_t(8) << 20);
    engine::Request request;
    request.path = path.string();
    bool truncated = false;
    request.progress = [&](int64_t, int64_t position) {
        if (!truncated && position >= int64_t(2 * parallel::kFanoutPiece)) {
            fs::resize_file(path, 4096);
            truncated = true;
        }
    };
    const parallel::MultiResult r = parallel::HashPathMulti(
        request, {AlgorithmIdFromName("md5"), AlgorithmIdFromName("sha1")}, 2);
    fs::remove(path);
    EXPECT_TRUE(truncated);
    EXPECT_EQ(r.error.kind, engine::Failure::Changed);
    EXPECT_TRUE(r.digests.empty());
}

}  // namespace
