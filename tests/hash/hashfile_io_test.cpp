// How the engine reads a regular file, under each read strategy and across the algorithms'
// two chunk shapes: the same results, progress positions and stop points as hashing the bytes
// in memory, across window edges; the strategy observed from outside (a mapping of the file in
// /proc/self/maps, the bytes read calls delivered in /proc/self/io), so Map can't quietly read
// nor Read quietly map; no result when the file shrinks during the run, whether the lost bytes
// were whole pages of a mapping (a fault that must be caught) or part of the last page; a
// failed read or a failed mapping; Auto taking turns and then keeping one way. And the guard
// of the mappings: a nested call, a handler installed later, a fault on another mapping.
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <atomic>
#include <cctype>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "MD2.h"
#include "filehash.h"
#include "hash_test_util.h"
#include "hashhead.h"
#include "readahead.h"
#include "readchoice.h"

namespace fs = std::filesystem;
using engine::ReadStrategy;

// Read calls at a file offset from g_failReadsFrom on fail with EIO, as on a failing disk, and
// with g_readsAtMost above 0 each delivers at most that many bytes, as a network file system
// may; with g_interrupted set every other call fails with EINTR, as when a signal arrives. The
// engine reads regular files with pread; the definitions here take the place of the C
// library's for this test program.
std::atomic<int64_t> g_failReadsFrom{-1};
std::atomic<size_t> g_readsAtMost{0};
std::atomic<bool> g_interrupted{false};
std::atomic<unsigned> g_preadCalls{0};

namespace {
ssize_t PreadOrFail(int fd, void* buffer, size_t count, off_t offset) {
    const int64_t failFrom = g_failReadsFrom.load();
    if (failFrom >= 0 && offset + int64_t(count) > failFrom) {
        errno = EIO;
        return -1;
    }
    if (g_interrupted && g_preadCalls++ % 2 == 0) {
        errno = EINTR;
        return -1;
    }
    const size_t most = g_readsAtMost.load();
    return ::syscall(SYS_pread64, fd, buffer, most > 0 && count > most ? most : count, offset);
}
}  // namespace

extern "C" ssize_t pread(int fd, void* buffer, size_t count, off_t offset) {
    return PreadOrFail(fd, buffer, count, offset);
}
extern "C" ssize_t pread64(int fd, void* buffer, size_t count, off64_t offset) {
    return PreadOrFail(fd, buffer, count, off_t(offset));
}

namespace {

// What this process has received from read calls so far.
uint64_t BytesReadSoFar() {
    std::ifstream io("/proc/self/io");
    std::string key;
    uint64_t value = 0;
    while (io >> key >> value)
        if (key == "rchar:") return value;
    return 0;
}

// Whether this process has a mapping of the file at Path.
bool IsMapped(const std::string& path) {
    std::ifstream maps("/proc/self/maps");
    const std::string suffix = " " + fs::canonical(path).string();
    for (std::string line; std::getline(maps, line);)
        if (line.ends_with(suffix)) return true;
    return false;
}

std::vector<int64_t>* g_positions = nullptr;
int g_calls = 0;            // progress calls so far in this file
int64_t g_truncateTo = -1;  // truncate the file to this size at progress call g_truncateAt
int g_truncateAt = 0;
int64_t g_growBackTo = -1;  // and make it this long again at call g_growBackAt
int g_growBackAt = 0;
int g_cancelAt = -1;
std::string g_path;

void Progress(int64_t, int64_t position, int32_t* reply) {
    if (g_positions) g_positions->push_back(position);
    const int index = g_calls++;
    if (g_truncateTo >= 0 && index == g_truncateAt) {
        ASSERT_EQ(::truncate(g_path.c_str(), g_truncateTo), 0);
    }
    if (g_growBackTo >= 0 && index == g_growBackAt) {
        ASSERT_EQ(::truncate(g_path.c_str(), g_growBackTo), 0);
    }
    if (index == g_cancelAt) *reply = HashCancelReply;
}

// One file hashed, and what could be seen of how it was read.
struct Seen {
    std::string digest;  // upper case; "<none>" without a result
    engine::Error error;
    bool mapped = false;     // the file was mapped at the first progress call
    uint64_t bytesRead = 0;  // bytes the process read during the call, some 1000 of them its own
};

// Hashes Path the given way, with Progress's positions, truncation and cancel.
Seen HashWay(const std::string& path, const char* algorithm, ReadStrategy way,
             unsigned threads = 0) {
    Seen seen;
    std::atomic<bool> stop{false};
    engine::Request r;
    r.path = path;
    r.algorithm = AlgorithmIdFromName(algorithm);
    r.read = way;
    r.threads = threads;
    r.stop = &stop;
    bool first = true;
    r.progress = [&](int64_t size, int64_t position) {
        if (first) seen.mapped = IsMapped(path);
        first = false;
        int32_t reply = 0;
        Progress(size, position, &reply);
        if (reply == HashCancelReply) stop = true;
    };
    g_calls = 0;
    const uint64_t before = BytesReadSoFar();
    const engine::Result result = engine::HashPath(r);
    seen.bytesRead = BytesReadSoFar() - before;
    seen.digest = result.ok() ? result.digest : "<none>";
    seen.error = result.error;
    return seen;
}

std::string Hash(const std::string& path, const char* algorithm,
                 ReadStrategy way = ReadStrategy::Map) {
    return HashWay(path, algorithm, way).digest;
}

// What HashFile must give for Data, worked out in memory.
std::string Expected(const char* algorithm, const std::string& data) {
    const std::string a = algorithm;
    if (auto h = CreateHashObject(AlgorithmIdFromName(a))) {
        std::string hex = testutil::Digest(*h, data);  // lower case
        for (char& c : hex)
            c = char(std::toupper(static_cast<unsigned char>(c)));
        return hex;
    }
    if (a == "crc32") return LongWordToHex(~Crc32Update(data.data(), int(data.size()), ~0u));
    if (a == "crc64") return Int64ToHex(Crc64Buffer(data.data(), int(data.size()), 0));
    if (a == "adler32") {
        uint32_t v = 1;
        Adler32Update(v, data.data(), int(data.size()));
        return LongWordToHex(v);
    }
    uint8_t d[16];
    TMessageDigest2().DigestText(data, d);
    return TMessageDigest::DigestToHex(d);
}

class Files : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() /
               ("quernix-io-" + std::to_string(::getpid()) + "-" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::create_directories(dir_);
        g_truncateTo = g_growBackTo = -1;
        g_truncateAt = g_growBackAt = 0;
        g_cancelAt = -1;
        g_positions = nullptr;
        g_failReadsFrom = -1;
        g_readsAtMost = 0;
        g_interrupted = false;
    }
    void TearDown() override {
        g_failReadsFrom = -1;
        g_readsAtMost = 0;
        g_interrupted = false;
        fs::remove_all(dir_);
    }

    std::string Write(const std::string& content) {
        g_path = (dir_ / "f").string();
        std::ofstream(g_path, std::ios::binary | std::ios::trunc) << content;
        return g_path;
    }

    fs::path dir_;
};

// The suite runs once per strategy.
class Reading : public Files, public ::testing::WithParamInterface<ReadStrategy> {
protected:
    // Checks that the file of Size bytes was read the way asked for: Map maps it and reads
    // nothing, Read reads every byte and never maps it, and Auto reads a file below 4 MiB.
    void ExpectReadTheWayAsked(const Seen& seen, size_t size) const {
        const bool small = size < (size_t(4) << 20);
        if (GetParam() == ReadStrategy::Map) {
            EXPECT_TRUE(seen.mapped);
            EXPECT_LT(seen.bytesRead, size / 2);
        } else if (GetParam() == ReadStrategy::Read || small) {
            EXPECT_FALSE(seen.mapped);
            EXPECT_GE(seen.bytesRead, size);
        }
    }
};

std::string WayName(const ::testing::TestParamInfo<ReadStrategy>& info) {
    return info.param == ReadStrategy::Map    ? "map"
           : info.param == ReadStrategy::Read ? "read"
                                              : "auto";
}

INSTANTIATE_TEST_SUITE_P(Ways, Reading,
                         ::testing::Values(ReadStrategy::Auto, ReadStrategy::Map,
                                           ReadStrategy::Read),
                         WayName);

// A small file, and sizes on either side of a window edge (4 MiB), with a chunk across it, and
// two windows on.
TEST_P(Reading, SameResultsAsInMemory) {
    for (size_t size : {size_t(100000), size_t(4) << 20, (size_t(4) << 20) + 3 * 65521 + 7,
                        (size_t(9) << 20) + 5}) {
        const std::string data = testutil::Pattern(size);
        const std::string path = Write(data);
        for (const char* algorithm :
             {"crc32", "crc64", "adler32", "md2", "md5", "sha1", "sha512"}) {
            SCOPED_TRACE(std::string(algorithm) + " over " + std::to_string(size) + " bytes");
            if (std::string(algorithm) == "md2" && size > (size_t(5) << 20)) continue;  // slow
            const Seen seen = HashWay(path, algorithm, GetParam());
            EXPECT_EQ(seen.digest, Expected(algorithm, data));
            ExpectReadTheWayAsked(seen, size);
        }
    }
}

// Read calls that deliver less than asked for (each at most 10000 bytes here), or that a
// signal interrupts before they deliver anything, are continued.
TEST_P(Reading, ShortAndInterruptedReadsAreContinued) {
    const size_t size = (size_t(6) << 20) + 7;
    const std::string data = testutil::Pattern(size);
    const std::string path = Write(data);
    for (const bool interrupted : {false, true}) {
        g_readsAtMost = interrupted ? 0 : 10000;
        g_interrupted = interrupted;
        for (const char* algorithm : {"crc32", "md5"})
            EXPECT_EQ(Hash(path, algorithm, GetParam()), Expected(algorithm, data))
                << algorithm << (interrupted ? ", interrupted" : ", short reads");
    }
}

TEST_P(Reading, ProgressPositions) {
    const size_t size = (size_t(4) << 20) + 100;
    const std::string path = Write(testutil::Pattern(size));
    for (const auto& [algorithm, chunk] : {std::pair{"crc32", size_t(65521)}, {"md5", 16384}}) {
        std::vector<int64_t> positions;
        g_positions = &positions;
        HashWay(path, algorithm, GetParam());
        const size_t calls = (size + chunk - 1) / chunk;
        ASSERT_EQ(positions.size(), calls) << algorithm;
        for (size_t i = 0; i + 1 < calls; ++i)
            EXPECT_EQ(positions[i], int64_t(chunk * (i + 1) + 1)) << algorithm;
        EXPECT_EQ(positions.back(), int64_t(size)) << algorithm;
    }
}

TEST_P(Reading, CancelGivesNoResult) {
    const std::string path = Write(testutil::Pattern(size_t(5) << 20));
    for (int at : {0, 80}) {  // the first call and the last (81 chunks)
        std::vector<int64_t> positions;
        g_positions = &positions;
        g_cancelAt = at;
        const Seen seen = HashWay(path, "adler32", GetParam());
        EXPECT_EQ(seen.digest, "<none>");
        EXPECT_EQ(seen.error.kind, engine::Failure::Stopped);
        EXPECT_EQ(int(positions.size()), at + 1);
    }
}

// Whole pages lost: reading them through a mapping faults, which must be caught, also when the
// file has its size again by the end, and when the fault comes in the last chunk of a mapping's
// window. Part of the last page lost: it reads as zeros without a fault, so the size is checked
// at the end. Read calls come back short.
TEST_P(Reading, FileCutShortGivesNoResult) {
    const size_t size = (size_t(6) << 20) + 1000;
    const std::string data = testutil::Pattern(size);
    for (const char* algorithm : {"crc32", "crc64", "adler32", "md2", "md5", "sha1"}) {
        // The checksums and MD2 hash a chunk and then report it, the digests report and then
        // hash: the cut comes at the call just before the last chunk of the first 4 MiB is
        // hashed.
        const bool reportsFirst = AlgorithmIdFromName(algorithm) < 100;
        const int chunk = reportsFirst ? 16384 : 65521;
        const int last = int((size + chunk - 1) / chunk) - 1;
        const int windowEnd = int((4 << 20) / chunk) - (reportsFirst ? 1 : 2);
        struct Cut {
            int at;
            int64_t to;
            int back;  // the call at which it has its size again; -1 for never
        };
        std::vector<Cut> cuts = {Cut{0, 1000, -1}, Cut{0, int64_t(5) << 20, -1},
                                 Cut{0, int64_t(size) - 10, -1}, Cut{0, 1000, last}};
        // Read calls may have read that chunk before the cut, and the next after the file has
        // its size again: a change that no way of reading could see. A mapping faults.
        if (GetParam() == ReadStrategy::Map) {
            cuts.push_back({windowEnd, 1000, windowEnd + 1});
            // The last page's tail lost after it was mapped reads as zeros, without a fault.
            cuts.push_back({last, int64_t(size) - 10, -1});
        }
        for (const Cut cut : cuts) {
            SCOPED_TRACE(std::string(algorithm) + " cut to " + std::to_string(cut.to) +
                         " at call " + std::to_string(cut.at) +
                         (cut.back < 0 ? "" : ", grown back at " + std::to_string(cut.back)));
            const std::string path = Write(data);
            g_truncateTo = cut.to;
            g_truncateAt = cut.at;
            g_growBackTo = cut.back < 0 ? -1 : int64_t(size);
            g_growBackAt = cut.back;
            const Seen seen = HashWay(path, algorithm, GetParam());
            EXPECT_EQ(seen.digest, "<none>");
            EXPECT_EQ(seen.error.kind, engine::Failure::Changed);
        }
    }
    // And the next file is hashed as usual.
    g_truncateTo = g_growBackTo = -1;
    EXPECT_EQ(Hash(Write(data), "crc32", GetParam()), Expected("crc32", data));
    EXPECT_EQ(Hash(Write(data), "sha1", GetParam()), Expected("sha1", data));
}

// A read error at the start or in the middle of the file gives no result and says why; a
// mapped file makes no read calls, so under Map the same file hashes.
TEST_P(Reading, ReadErrorGivesNoResult) {
    for (size_t size : {size_t(100000), size_t(6) << 20}) {
        const std::string data = testutil::Pattern(size);
        const std::string path = Write(data);
        for (int64_t failFrom : {int64_t(0), int64_t(size / 2)}) {
            for (const char* algorithm : {"crc32", "md5"}) {
                SCOPED_TRACE(std::string(algorithm) + " over " + std::to_string(size) +
                             " bytes, failing from " + std::to_string(failFrom));
                g_failReadsFrom = failFrom;
                const Seen seen = HashWay(path, algorithm, GetParam());
                g_failReadsFrom = -1;
                if (GetParam() == ReadStrategy::Map) {
                    EXPECT_EQ(seen.digest, Expected(algorithm, data));
                } else if (GetParam() == ReadStrategy::Read || size < (size_t(4) << 20)) {
                    EXPECT_EQ(seen.digest, "<none>");
                    EXPECT_EQ(seen.error.kind, engine::Failure::ReadError);
                    EXPECT_EQ(engine::Describe(seen.error), "Input/output error");
                }
            }
        }
    }
}

// With the address space too small for a mapping window, a large file is read instead and
// gives the same digest; under every strategy, every byte then comes from read calls. Run in a
// child process, so the limit stays there.
TEST_P(Reading, FailedMappingFallsBackToReading) {
    const std::string data = testutil::Pattern(9 << 20);
    const std::string file = Write(data);
    const std::string want = Expected("md5", data);
    auto hashUnderLimit = [&] {
        std::ifstream statm("/proc/self/statm");
        long pages = 0;
        statm >> pages;
        const rlim_t now = rlim_t(pages) * rlim_t(::sysconf(_SC_PAGESIZE));
        const rlimit limit{now + (3 << 20), now + (3 << 20)};
        ::setrlimit(RLIMIT_AS, &limit);
        const Seen seen = HashWay(file, "md5", GetParam());
        std::_Exit(seen.digest != want ? 1 : seen.bytesRead < data.size() ? 2 : 0);
    };
    EXPECT_EXIT(hashUnderLimit(), ::testing::ExitedWithCode(0), "");
}

// Auto, for an algorithm it has not measured yet, takes turns between the ways window by
// window (map, read, read ahead, map, read), and once it has timed each enough (twelve
// windows), reads every file the one way it chose.
TEST_F(Files, AutoTakesTurnsThenKeepsOneWay) {
    readchoice::Forget();
    const size_t size = size_t(20) << 20;  // five windows
    const std::string data = testutil::Pattern(size);
    const std::string path = Write(data);
    std::vector<Seen> seen;
    for (int i = 0; i < 5; ++i) {
        seen.push_back(HashWay(path, "crc32", ReadStrategy::Auto));
        EXPECT_EQ(seen.back().digest, Expected("crc32", data)) << "file " << i;
    }
    EXPECT_TRUE(seen[0].mapped);
    EXPECT_GE(seen[0].bytesRead, size / 5 * 3);
    // Three windows of five read (each from the chunk across its start, and the process's own
    // reads counted too: more of them under an emulator), two mapped.
    EXPECT_LT(seen[0].bytesRead, size / 5 * 4);
    for (size_t i = 3; i < seen.size(); ++i) {
        SCOPED_TRACE("file " + std::to_string(i));
        const bool read = seen[i].bytesRead >= size;
        EXPECT_TRUE(read || seen[i].bytesRead < size / 8);
        EXPECT_EQ(seen[i].mapped, !read);
        EXPECT_EQ(read, seen[3].bytesRead >= size);
    }
}

// The choice from the timings given to it: the ways take turns until each has been timed
// kTimings times (reading ahead only where allowed), the fastest window of each way stands for
// it (a slow one was interrupted), and the fastest way is kept, untimed, for that kind of read
// alone.
TEST(ReadChoice, TakesTurnsThenKeepsTheFastestWay) {
    using readchoice::Way;
    struct Case {
        const char* what;
        bool ahead;      // reading ahead allowed
        uint64_t ns[3];  // per MiB, by way, each window but the first read one
        uint64_t firstReadNs;
        Way want;
    };
    const Case cases[] = {
        {"read faster", false, {2000, 1000, 1}, 1000, Way::Read},
        {"map faster", false, {1000, 2000, 1}, 2000, Way::Map},
        {"read faster, its first window interrupted", false, {2000, 1000, 1}, 90000, Way::Read},
        {"ahead fastest", true, {2000, 1500, 1000}, 1500, Way::Ahead},
        {"map faster than ahead", true, {1000, 2000, 1500}, 2000, Way::Map},
    };
    const int32_t kind = 7, other = 8;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        readchoice::Forget();
        const int ways = c.ahead ? 3 : 2;
        for (int i = 0; i < ways * readchoice::kTimings; ++i) {
            const readchoice::Plan plan = readchoice::NextWindow(kind, c.ahead);
            ASSERT_TRUE(plan.timed) << "window " << i;
            ASSERT_EQ(int(plan.way), i % ways) << "window " << i;
            const uint64_t ns = i == 1 ? c.firstReadNs : c.ns[int(plan.way)];
            readchoice::Record(kind, c.ahead, plan.way, 1 << 20, ns);
        }
        for (int i = 0; i < 3; ++i) {
            const readchoice::Plan plan = readchoice::NextWindow(kind, c.ahead);
            EXPECT_FALSE(plan.timed);
            EXPECT_EQ(plan.way, c.want);
        }
        EXPECT_TRUE(readchoice::NextWindow(other, c.ahead).timed) << "another kind anew";
        EXPECT_TRUE(readchoice::NextWindow(kind, !c.ahead).timed) << "the other threading anew";
    }
    readchoice::Forget();
}

// While Auto takes turns (mapped, read, mapped, ...), a file cut short while the last chunk of
// a read window waits to be hashed, and made long again once the next window, a mapped one, is
// mapped but not yet touched, gives no digest: the mapping sees the size it had.
TEST_F(Files, AutoSeesAFileCutBetweenAReadWindowAndAMappedOne) {
    readchoice::Forget();
    const size_t size = size_t(13) << 20;
    const std::string path = Write(testutil::Pattern(size));
    const int readWindowEnd = 2 * (4 << 20) / 16384 - 1;  // md5's chunks are 16 KiB
    g_truncateTo = 1000;
    g_truncateAt = readWindowEnd;
    g_growBackTo = int64_t(size);
    g_growBackAt = readWindowEnd + 1;
    const Seen seen = HashWay(path, "md5", ReadStrategy::Auto);
    EXPECT_EQ(seen.error.kind, engine::Failure::Changed) << seen.digest;
}

// The file whose first window completes the measurement goes on, from its second window, the
// way chosen, whichever it is: after a window read ahead up to its end, the reading ahead
// starts again for the rest of the file. The timings before are given, so that the way chosen
// is known; the last one is the first window's own. Reading ahead takes part only where a
// second thread is allowed.
TEST_F(Files, AutoGoesTheChosenWayInTheFileThatDecided) {
    using readchoice::Way;
    const size_t size = size_t(20) << 20;
    const std::string data = testutil::Pattern(size);
    const std::string path = Write(data);
    const int32_t kind = AlgorithmIdFromName("crc32");
    for (const unsigned threads : {0u, 1u}) {
        const bool ahead = threads != 1 && std::thread::hardware_concurrency() > 1;
        for (const Way chosen : {Way::Map, Way::Read, Way::Ahead}) {
            if (chosen == Way::Ahead && !ahead) continue;
            SCOPED_TRACE("way " + std::to_string(int(chosen)) + ", " + std::to_string(threads) +
                         " threads");
            readchoice::Forget();
            for (int i = 0; i < (ahead ? 3 : 2) * readchoice::kTimings - 1; ++i) {
                const Way way = readchoice::NextWindow(kind, ahead).way;
                readchoice::Record(kind, ahead, way, 1 << 20, way == chosen ? 1 : 1000000000);
            }
            const Seen seen = HashWay(path, "crc32", ReadStrategy::Auto, threads);
            EXPECT_EQ(seen.digest, Expected("crc32", data));
            if (chosen == Way::Map)
                EXPECT_LT(seen.bytesRead, size / 2);
            else
                EXPECT_GE(seen.bytesRead, size);
        }
    }
    readchoice::Forget();
}

// Reading ahead started again over another part of the file hands out that part's bytes, in
// order, whatever the reading before left behind: blocks read and never taken, or the block
// the caller still held. Repeated, since which thread reads which block varies.
TEST_F(Files, ReadAheadStartedAgainGivesTheNewPartOnly) {
    constexpr size_t kBlock = 4096;
    const std::string data = testutil::Pattern(16 * kBlock);
    const fileio::File file(Write(data).c_str(), true);
    ASSERT_TRUE(file.IsOpen());
    struct Part {
        uint64_t from, to;
        int taken;  // blocks taken before the next start; -1 for all of them and the end
    };
    const Part parts[] = {{0, 4 * kBlock, 2},
                          {4 * kBlock, 9 * kBlock, 0},
                          {9 * kBlock, 12 * kBlock, 3},
                          {2 * kBlock, 16 * kBlock - 5, -1}};
    for (int round = 0; round < 50; ++round) {
        fileio::ReadAhead ahead(file.Get(), kBlock);
        for (const Part& part : parts) {
            ahead.Start(part.from, part.to);
            uint64_t at = part.from;
            for (int k = 0; part.taken < 0 || k < part.taken; ++k) {
                const fileio::ReadAhead::Piece piece = ahead.Take();
                if (piece.size == 0) break;
                ASSERT_EQ(std::string(reinterpret_cast<const char*>(piece.data), piece.size),
                          data.substr(at, piece.size))
                    << "round " << round << ", from " << part.from << ", block " << k;
                at += piece.size;
            }
            if (part.taken < 0) {
                EXPECT_EQ(at, part.to);
            }
        }
    }
}

// A HashPath called from inside a progress callback (as a batch started from the message pump
// would) maps a view of its own; once it returns, the outer file's view is guarded again, so a
// truncation of the outer file still gives no result instead of a bus error.
std::string g_innerPath, g_innerResult;
void NestedThenTruncate(int64_t, int64_t, int32_t*) {
    static bool nested = false;
    if (nested) return;
    nested = true;
    g_innerResult = Hash(g_innerPath, "crc32");
    ASSERT_EQ(::truncate(g_path.c_str(), 1000), 0);
    nested = false;
}

using MappedFiles = Files;

TEST_F(MappedFiles, NestedCallKeepsTheOuterViewGuarded) {
    const std::string data = testutil::Pattern((size_t(6) << 20) + 1000);
    g_innerPath = (dir_ / "inner").string();
    std::ofstream(g_innerPath, std::ios::binary) << data;
    for (const char* algorithm : {"crc32", "sha1"}) {
        SCOPED_TRACE(algorithm);
        const std::string path = Write(data);
        engine::Request r;
        r.path = path;
        r.algorithm = AlgorithmIdFromName(algorithm);
        r.read = ReadStrategy::Map;
        r.progress = [](int64_t size, int64_t position) {
            int32_t reply = 0;
            NestedThenTruncate(size, position, &reply);
        };
        const engine::Result result = engine::HashPath(r);
        EXPECT_EQ(result.error.kind, engine::Failure::Changed);
        EXPECT_EQ(g_innerResult, Expected("crc32", data));
    }
}

volatile sig_atomic_t g_theirs = 0;
void TheirHandler(int) {
    g_theirs = 1;
}

// A SIGBUS handler that somebody installs after the service has installed its own doesn't
// get the faults of the service's views.
TEST_F(MappedFiles, LaterHandlerDoesNotTakeTheViewsFaults) {
    const std::string data = testutil::Pattern(size_t(5) << 20);
    EXPECT_EQ(Hash(Write(data), "crc32"), Expected("crc32", data));
    struct sigaction theirs = {};
    theirs.sa_handler = TheirHandler;
    sigemptyset(&theirs.sa_mask);
    ASSERT_EQ(::sigaction(SIGBUS, &theirs, nullptr), 0);
    g_truncateTo = 1000;
    // Their handler returns, so a fault it took would come back for ever.
    const testutil::Deadline deadline(60, "the view's fault went to the later handler");
    EXPECT_EQ(Hash(Write(data), "adler32"), "<none>");
    EXPECT_EQ(g_theirs, 0);
    // The default again, which the service takes as the previous handler at its next mapping.
    ::signal(SIGBUS, SIG_DFL);
}

// After the service has caught its own faults, a fault on a mapping of somebody else's still
// ends the program with SIGBUS.
TEST_F(MappedFiles, OtherFaultsStillEndTheProgram) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    const std::string data = testutil::Pattern(size_t(5) << 20);
    const std::string path = Write(data);
    EXPECT_EXIT(
        {
            g_truncateTo = 1000;
            Hash(path, "crc32");  // a caught fault
            const int fd = ::open(path.c_str(), O_RDWR);
            auto* p = static_cast<volatile const char*>(
                ::mmap(nullptr, 1 << 20, PROT_READ, MAP_SHARED, fd, 0));
            if (::ftruncate(fd, 0) != 0) std::_Exit(1);
            const char c = p[1 << 16];  // past the end: SIGBUS
            std::_Exit(c == 0 ? 2 : 3);
        },
        ::testing::KilledBySignal(SIGBUS), "");
}

}  // namespace
