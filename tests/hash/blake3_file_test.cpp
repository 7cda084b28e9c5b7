// BLAKE3 over files through engine::HashPath: one large file on several threads gives the digest
// of the bytes in memory on every side of a piece and read boundary, with increasing positions;
// a sparse file over 4 GiB; a stop, a failed or short read in any part and a file cut while it
// is read give no digest; and b3sum agrees on awkward sizes.
#include <fcntl.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "DCPblake3.h"
#include "blake3_parallel.h"
#include "filehash.h"
#include "hash_test_util.h"
#include "hashstream.h"

namespace fs = std::filesystem;
using engine::Failure;

namespace {

constexpr int64_t kPiece = int64_t(blake3par::kPiece);
constexpr int64_t kRead = int64_t(blake3par::kRead);

std::string Expected(const std::string& data) {
    THashStream s(TDCP_blake3::kId);
    s.Update(data.data(), data.size());
    return s.Final();
}

class Blake3File : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() /
               ("quernix-b3-" + std::to_string(::getpid()) + "-" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::create_directories(dir_);
    }
    void TearDown() override { fs::remove_all(dir_); }
    std::string Write(const std::string& name, const std::string& content) {
        const std::string p = (dir_ / name).string();
        std::ofstream(p, std::ios::binary | std::ios::trunc) << content;
        return p;
    }
    fs::path dir_;
};

struct Outcome {
    engine::Result result;
    std::vector<int64_t> positions, sizes;
};

Outcome Hash(const std::string& path, unsigned threads,
             const std::function<void(int64_t)>& also = nullptr,
             std::atomic<bool>* stop = nullptr) {
    Outcome run;
    engine::Request r;
    r.path = path;
    r.algorithm = TDCP_blake3::kId;
    r.threads = threads;
    r.stop = stop;
    r.progress = [&](int64_t size, int64_t position) {
        run.sizes.push_back(size);
        run.positions.push_back(position);
        if (also) also(position);
    };
    run.result = engine::HashPath(r);
    return run;
}

// Every side of the sizes where the path changes: the chunk loop below kMinSize, one thread
// below kMinThreaded, a last piece of one byte, of a whole piece, of one read and around it,
// of a chunk and around it, and a stack of pieces that is not a power of two.
TEST_F(Blake3File, ThreadsGiveTheDigestOfTheBytes) {
    const int64_t sizes[] = {
        blake3par::kMinSize - 1,
        blake3par::kMinSize,
        blake3par::kMinThreaded - 1,
        blake3par::kMinThreaded,
        blake3par::kMinThreaded + 1,
        5 * kPiece - 1,
        5 * kPiece,
        5 * kPiece + 1024,
        5 * kPiece + 1025,
        5 * kPiece + kRead,
        5 * kPiece + kRead + 1,
        7 * kPiece + 3 * kRead - 1,
    };
    for (int64_t size : sizes) {
        const std::string data = testutil::Pattern(size_t(size));
        const std::string path = Write("f", data);
        const std::string expected = Expected(data);
        for (unsigned threads : {1u, 2u, 3u}) {
            SCOPED_TRACE(std::to_string(size) + " bytes, " + std::to_string(threads) + " threads");
            const Outcome run = Hash(path, threads);
            EXPECT_EQ(run.result.digest, expected) << engine::Describe(run.result.error);
            ASSERT_FALSE(run.positions.empty());
            EXPECT_EQ(run.positions.back(), size);
            for (size_t i = 0; i < run.positions.size(); ++i) {
                EXPECT_EQ(run.sizes[i], size);
                if (i > 0) {
                    EXPECT_GE(run.positions[i], run.positions[i - 1]);
                }
            }
        }
    }
}

// Every byte of a sparse file over 4 GiB, on every core, with positions past 2^32 that never
// go back (a count cut to 32 bits would). Which positions the caller reports between the last
// pieces depends on which thread ends them, so only the last one is fixed. The digest was
// computed with b3sum over the same bytes.
TEST_F(Blake3File, SparseFileOver4GiB) {
    const int64_t size = (int64_t(1) << 32) + 1234567;
    const std::string path = (dir_ / "sparse").string();
    {
        const int fd = ::open(path.c_str(), O_CREAT | O_WRONLY | O_TRUNC, 0600);
        ASSERT_GE(fd, 0);
        const char tail[] = "Quernix sparse tail";
        const bool written = ::pwrite(fd, tail, sizeof tail - 1, (int64_t(1) << 32) + 1000) ==
                                 ssize_t(sizeof tail - 1) &&
                             ::ftruncate(fd, size) == 0;
        ::close(fd);
        if (!written) GTEST_SKIP() << "this file system can't hold a sparse file of " << size;
    }
    const Outcome run = Hash(path, 0);
    EXPECT_EQ(run.result.digest,
              "88E369D10E1275F71CA5F18C60D40ED68E95C199B511B1210CD21CEC62163A95");
    ASSERT_FALSE(run.positions.empty());
    EXPECT_EQ(run.positions.back(), size);
    EXPECT_TRUE(std::is_sorted(run.positions.begin(), run.positions.end()));
    EXPECT_GE(run.positions.front(), 1);
}

// A stop from the progress function ends the hash with no digest, on one thread or several.
TEST_F(Blake3File, StopGivesNoDigest) {
    const std::string path = Write("f", testutil::Pattern(size_t(6 * kPiece)));
    for (unsigned threads : {1u, 2u}) {
        std::atomic<bool> stop{false};
        const Outcome run = Hash(
            path, threads, [&](int64_t) { stop = true; }, &stop);
        EXPECT_EQ(run.result.error.kind, Failure::Stopped) << threads << " threads";
        EXPECT_EQ(run.result.digest, "");
        EXPECT_EQ(run.positions.size(), 1u) << "no progress after the stop";
    }
}

// What the injected reader does: fail at one offset, count the reads that start after the stop
// flag is set, and note the system's id of every thread that reads.
std::atomic<int64_t> g_failAt{-1};
std::atomic<int> g_failError{0};
std::atomic<bool> g_stop{false};
std::atomic<int> g_readsAfterStop{0};
std::mutex g_readersMutex;
std::set<pid_t> g_readers;

size_t InjectedRead(fileio::Handle h, void* buffer, size_t count, int64_t offset, int* error) {
    {
        const std::lock_guard<std::mutex> lock(g_readersMutex);
        g_readers.insert(::gettid());
    }
    if (g_stop.load()) ++g_readsAfterStop;
    if (offset == g_failAt.load()) {
        *error = g_failError.load();
        return count / 2;
    }
    return fileio::ReadUpTo(h, buffer, count, error, offset);
}

engine::Error HashInjected(const std::string& path, unsigned threads, uint8_t digest[32],
                           std::function<void(int64_t, int64_t)> progress = nullptr) {
    int64_t size = 0;
    fileio::Kind kind;
    int error = 0;
    const fileio::Handle h = fileio::Open(path.c_str(), true, &kind, &size, &error);
    EXPECT_NE(h, fileio::InvalidHandle);
    engine::Request r;
    r.threads = threads;
    r.stop = &g_stop;
    r.progress = std::move(progress);
    g_readers.clear();
    const engine::Error e = blake3par::HashOpenFile(h, size, r, digest, InjectedRead);
    fileio::Close(h);
    return e;
}

// A read that fails, or comes back short, in the first, a middle or the last piece fails the
// file, whichever thread made it.
TEST_F(Blake3File, FailedReadInAnyPartGivesNoDigest) {
    const std::string path = Write("f", testutil::Pattern(size_t(6 * kPiece + 5000)));
    for (int64_t at : {int64_t(0), 3 * kPiece + kRead, 6 * kPiece}) {
        for (int code : {EIO, 0}) {
            for (unsigned threads : {1u, 2u, 3u}) {
                SCOPED_TRACE("at " + std::to_string(at) + ", errno " + std::to_string(code) + ", " +
                             std::to_string(threads) + " threads");
                g_failAt = at;
                g_failError = code;
                uint8_t digest[32];
                const engine::Error e = HashInjected(path, threads, digest);
                EXPECT_EQ(e.kind, code != 0 ? Failure::ReadError : Failure::Changed);
                EXPECT_EQ(e.code, code);
            }
        }
    }
    g_failAt = -1;
}

// No more threads read the file than asked for; one means the caller alone.
TEST_F(Blake3File, ThreadsAsAsked) {
    const std::string path = Write("f", testutil::Pattern(size_t(8 * kPiece)));
    for (unsigned threads : {1u, 2u, 3u}) {
        uint8_t digest[32];
        EXPECT_EQ(HashInjected(path, threads, digest).kind, Failure::None);
        EXPECT_LE(g_readers.size(), threads);
        if (threads == 1) {
            EXPECT_EQ(g_readers, std::set<pid_t>{::gettid()});
        }
    }
}

// A helper reads the stop flag itself before each read, so it ends even while the caller is held
// up in its progress function: once the flag is set there, at most one more read starts (one
// that had read the flag just before).
TEST_F(Blake3File, HelpersSeeTheStopThemselves) {
    const std::string path = Write("f", testutil::Pattern(size_t(24 * kPiece)));
    g_stop = false;
    g_readsAfterStop = 0;
    bool first = true;
    uint8_t digest[32];
    const engine::Error e = HashInjected(path, 2, digest, [&](int64_t, int64_t) {
        if (!first) return;
        first = false;
        // Once the helper is reading (it has pieces enough while the caller is held up here),
        // the stop.
        std::set<pid_t> helpers;
        while (helpers.empty()) {
            {
                const std::lock_guard<std::mutex> lock(g_readersMutex);
                helpers = g_readers;
            }
            helpers.erase(::gettid());
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        g_stop = true;
        // Held up until the helper has ended (its task is gone), or has read on regardless.
        auto running = [&] {
            for (pid_t tid : helpers)
                if (fs::exists("/proc/self/task/" + std::to_string(tid))) return true;
            return false;
        };
        while (running() && g_readsAfterStop.load() <= 1)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
    });
    EXPECT_EQ(e.kind, Failure::Stopped);
    EXPECT_LE(g_readsAfterStop.load(), 1);
    g_stop = false;
}

// While the first piece's reads are held up, the other threads go no further than the window of
// pieces that may be finished ahead of it (so memory stays bounded), and the digest is right.
std::mutex g_holdMutex;
std::condition_variable g_holdChanged;
int g_readsElsewhere = 0;
std::atomic<bool> g_firstPieceRead{false}, g_pastTheWindow{false}, g_neverFilled{false};

size_t HoldFirstPiece(fileio::Handle h, void* buffer, size_t count, int64_t offset, int* error) {
    const int64_t firstPiece = kPiece, window = int64_t(blake3par::kWindow) * kPiece;
    const int readsToFillTheWindow = int((window - firstPiece) / kRead);
    if (offset >= window && !g_firstPieceRead) g_pastTheWindow = true;
    if (offset == 0) {
        // Not a timing: only a thread that stopped short of the window would leave this waiting.
        std::unique_lock<std::mutex> lock(g_holdMutex);
        if (!g_holdChanged.wait_for(lock, std::chrono::minutes(2),
                                    [&] { return g_readsElsewhere >= readsToFillTheWindow; }))
            g_neverFilled = true;
    } else if (offset >= firstPiece) {
        const std::lock_guard<std::mutex> lock(g_holdMutex);
        ++g_readsElsewhere;
        g_holdChanged.notify_all();
    }
    const size_t got = fileio::ReadUpTo(h, buffer, count, error, offset);
    if (offset == firstPiece - kRead) g_firstPieceRead = true;
    return got;
}

TEST_F(Blake3File, ThreadsStayWithinTheWindow) {
    const int64_t size = int64_t(blake3par::kWindow + 3) * kPiece + 5;
    const std::string path = (dir_ / "sparse").string();
    {
        const int fd = ::open(path.c_str(), O_CREAT | O_WRONLY | O_TRUNC, 0600);
        ASSERT_GE(fd, 0);
        ASSERT_EQ(::pwrite(fd, "tail", 4, size - 4), 4);
        ::close(fd);
    }
    std::string data(size_t(size), '\0');
    std::memcpy(data.data() + size - 4, "tail", 4);
    int64_t opened = 0;
    fileio::Kind kind;
    int error = 0;
    const fileio::Handle h = fileio::Open(path.c_str(), true, &kind, &opened, &error);
    ASSERT_NE(h, fileio::InvalidHandle);
    engine::Request r;
    r.threads = 2;
    uint8_t digest[32];
    const engine::Error e = blake3par::HashOpenFile(h, size, r, digest, HoldFirstPiece);
    fileio::Close(h);
    EXPECT_EQ(e.kind, Failure::None);
    EXPECT_FALSE(g_pastTheWindow) << "a thread read past the window";
    EXPECT_FALSE(g_neverFilled) << "the other threads stopped short of the window";
    EXPECT_EQ(testutil::Hex(digest, 32), testutil::Lower(Expected(data)));
}

// A file cut short while it is hashed gives no digest: cut at the first progress call, a thread
// meets the end early; cut at the last, after everything was read, the size tells.
TEST_F(Blake3File, FileCutWhileHashedGivesNoDigest) {
    const int64_t size = 6 * kPiece;
    for (int64_t cutAt : {int64_t(0), size}) {
        for (unsigned threads : {1u, 2u}) {
            SCOPED_TRACE("cut at " + std::to_string(cutAt) + ", " + std::to_string(threads) +
                         " threads");
            const std::string path = Write("f", testutil::Pattern(size_t(size)));
            bool cut = false;
            const Outcome run = Hash(path, threads, [&](int64_t position) {
                if (!cut && position >= cutAt) {
                    ASSERT_EQ(::truncate(path.c_str(), 5 * kPiece + 17), 0);
                    cut = true;
                }
            });
            EXPECT_TRUE(cut);
            EXPECT_EQ(run.result.error.kind, Failure::Changed);
            EXPECT_EQ(run.result.digest, "");
        }
    }
}

// The peer tool over awkward sizes: every edge of a block, a chunk, a group of 64 chunks, the
// sizes where the file path starts, and a few MB. Skipped where b3sum is not installed.
TEST_F(Blake3File, SameAsB3sum) {
    const size_t sizes[] = {0,
                            1,
                            63,
                            64,
                            65,
                            1023,
                            1024,
                            1025,
                            2047,
                            2048,
                            2049,
                            16383,
                            16384,
                            16385,
                            65535,
                            65536,
                            65537,
                            (1 << 20) - 1,
                            1 << 20,
                            (1 << 20) + 1,
                            (4 << 20) + 1,
                            (3 << 20) + 65536 * 3 + 17};
    std::string command = "b3sum --no-names";
    std::vector<std::string> paths;
    for (size_t size : sizes) {
        paths.push_back(Write(std::to_string(size), testutil::Pattern(size)));
        command.append(" '").append(paths.back()).append("'");
    }
    FILE* peer = ::popen((command + " 2>/dev/null").c_str(), "r");
    ASSERT_NE(peer, nullptr);
    std::vector<std::string> theirs;
    char line[200];
    while (std::fgets(line, sizeof line, peer))
        theirs.push_back(testutil::Lower(std::string(line, 64)));
    if (::pclose(peer) != 0 || theirs.size() != paths.size()) GTEST_SKIP() << "no b3sum";
    for (size_t i = 0; i < paths.size(); ++i)
        EXPECT_EQ(testutil::Lower(Hash(paths[i], 0).result.digest), theirs[i]) << sizes[i];
}

}  // namespace
