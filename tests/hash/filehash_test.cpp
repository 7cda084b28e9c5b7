// engine::HashPath and engine::ReadPath: the opening, the reason a file gives no digest, input
// of unknown size read to its end, the stop flag, and two threads at once.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <atomic>
#include <cerrno>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "filehash.h"
#include "fileopen.h"
#include "hash_test_util.h"
#include "hashhead.h"
#include "hashstream.h"

namespace fs = std::filesystem;
using engine::Accept;
using engine::Failure;

namespace {

std::string Expected(int32_t algorithm, const std::string& data) {
    THashStream s(algorithm);
    s.Update(data.data(), data.size());
    return s.Final();
}

engine::Result Hash(const std::string& path, int32_t algorithm = 16,
                    Accept accept = Accept::RegularFiles) {
    engine::Request r;
    r.path = path;
    r.algorithm = algorithm;
    r.accept = accept;
    return engine::HashPath(r);
}

class FileHash : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() /
               ("quernix-fh-" + std::to_string(::getpid()) + "-" +
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

TEST_F(FileHash, EachFailureHasItsKindAndText) {
    const std::string file = Write("f", "abc");
    fs::create_directory(dir_ / "folder");
    ASSERT_EQ(::mkfifo((dir_ / "fifo").c_str(), 0600), 0);
    fs::create_symlink("nowhere", dir_ / "dangling");
    struct Case {
        std::string path;
        Failure kind;
        int code;
        const char* text;
    };
    const std::vector<Case> cases = {
        {(dir_ / "missing").string(), Failure::NotFound, ENOENT, "No such file or directory"},
        {file + "/below", Failure::NotFound, ENOTDIR, "Not a directory"},
        {(dir_ / "dangling").string(), Failure::NotFound, ENOENT, "No such file or directory"},
        {(dir_ / "folder").string(), Failure::NotRegular, EISDIR, "Is a directory"},
        // A FIFO without a writer must not block a caller that takes regular files only.
        {(dir_ / "fifo").string(), Failure::NotRegular, ENODEV, "Not a regular file"},
    };
    const testutil::Deadline deadline(20, "a path that must not block took 20 s");
    for (const Case& c : cases) {
        const engine::Result r = Hash(c.path);
        EXPECT_EQ(r.error.kind, c.kind) << c.path;
        EXPECT_EQ(r.error.code, c.code) << c.path;
        EXPECT_EQ(engine::Describe(r.error), c.text) << c.path;
        EXPECT_EQ(r.digest, "") << c.path;
    }
    // A folder is refused even where anything readable is taken.
    EXPECT_EQ(Hash((dir_ / "folder").string(), 16, Accept::AnyReadable).error.kind,
              Failure::NotRegular);
    EXPECT_EQ(Hash(file, -5).error.kind, Failure::UnknownAlgorithm);

    // Root reads every file: the permission case runs as an unprivileged user.
    fs::permissions(file, fs::perms::none);
    const bool root = ::geteuid() == 0;
    if (root) {
        ASSERT_EQ(::seteuid(65534), 0);
    }
    const engine::Result denied = Hash(file);
    if (root) {
        ASSERT_EQ(::seteuid(0), 0);
    }
    EXPECT_EQ(denied.error.kind, Failure::Permission);
    EXPECT_EQ(engine::Describe(denied.error), "Permission denied");
}

// The one opening the engine, the checksum-file reader and quernsum share: what each kind of
// file gives with and without RegularOnly (a FIFO without a writer must not block), and the
// look at a name that opens nothing.
TEST_F(FileHash, OpeningTakesOrRefusesEachKindOfFile) {
    using fileio::Kind;
    const std::string file = Write("f", "abc");
    fs::create_directory(dir_ / "folder");
    ASSERT_EQ(::mkfifo((dir_ / "fifo").c_str(), 0600), 0);
    fs::create_symlink("f", dir_ / "link");
    const std::string folder = (dir_ / "folder").string(), fifo = (dir_ / "fifo").string();
    struct Case {
        std::string path;
        bool regularOnly;
        int error;
        Kind kind;
        int64_t size;
    };
    const std::vector<Case> cases = {
        {file, true, 0, Kind::Regular, 3},
        {file, false, 0, Kind::Regular, 3},
        {(dir_ / "link").string(), true, 0, Kind::Regular, 3},
        {folder, true, EISDIR, Kind::Directory, -1},
        {folder, false, 0, Kind::Directory, -1},
        {fifo, true, ENODEV, Kind::Other, -1},
        {"/dev/null", true, ENODEV, Kind::Other, -1},
        {"/dev/null", false, 0, Kind::Other, -1},
        {(dir_ / "missing").string(), false, ENOENT, Kind::Other, -1},
    };
    const testutil::Deadline deadline(20, "an opening that must not block took 20 s");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path + (c.regularOnly ? " (regular only)" : ""));
        const fileio::File f(c.path.c_str(), c.regularOnly);
        EXPECT_EQ(f.Error(), c.error);
        EXPECT_EQ(f.IsOpen(), c.error == 0);
        if (f.IsOpen()) {
            EXPECT_EQ(f.FileKind(), c.kind);
            EXPECT_EQ(f.Size(), c.size);
        }
        Kind kind = Kind::Regular;
        int error = -1;
        const bool found = fileio::KindOf(c.path.c_str(), &kind, &error);
        EXPECT_EQ(found, c.error != ENOENT);
        EXPECT_EQ(error, c.error == ENOENT ? ENOENT : 0);
        if (found) {
            EXPECT_EQ(kind, c.kind);
        }
    }
}

// Pipes, character devices and files whose size reads 0 (/proc) are read to their end and give
// the digest of what they held, for every algorithm.
TEST_F(FileHash, InputOfUnknownSizeIsReadToItsEnd) {
    const std::string data = testutil::Pattern(200000);
    for (const auto& a : AlgorithmTable) {
        SCOPED_TRACE(a.Name);
        int fds[2];
        ASSERT_EQ(::pipe(fds), 0);
        std::thread writer([&] {
            for (size_t at = 0; at < data.size();) {
                const ssize_t n = ::write(fds[1], data.data() + at, data.size() - at);
                if (n <= 0) break;
                at += size_t(n);
            }
            ::close(fds[1]);
        });
        const engine::Result piped =
            Hash("/proc/self/fd/" + std::to_string(fds[0]), a.Id, Accept::AnyReadable);
        writer.join();
        ::close(fds[0]);
        EXPECT_EQ(piped.digest, Expected(a.Id, data)) << engine::Describe(piped.error);
        EXPECT_EQ(Hash("/dev/null", a.Id, Accept::AnyReadable).digest, Expected(a.Id, ""));
    }
    // A pipe or device is not a regular file.
    EXPECT_EQ(Hash("/dev/null").error.kind, Failure::NotRegular);

    std::ifstream in("/proc/self/cmdline", std::ios::binary);
    std::stringstream content;
    content << in.rdbuf();
    ASSERT_FALSE(content.str().empty());
    ASSERT_EQ(fs::file_size("/proc/self/cmdline"), 0u) << "a size that reads 0";
    EXPECT_EQ(Hash("/proc/self/cmdline", 103).digest, Expected(103, content.str()));

    // A /sys attribute's size reads 4096 while its content is shorter: its content counts.
    const char* attribute = "/sys/kernel/mm/transparent_hugepage/enabled";
    std::ifstream sys(attribute, std::ios::binary);
    if (!sys) GTEST_SKIP() << attribute << " is not there";
    std::stringstream text;
    text << sys.rdbuf();
    ASSERT_LT(text.str().size(), fs::file_size(attribute));
    EXPECT_EQ(Hash(attribute).digest, Expected(16, text.str()));
}

TEST_F(FileHash, StopFlagEndsTheFileWithoutADigest) {
    const std::string file = Write("f", testutil::Pattern(300000));
    std::atomic<bool> stop{false};
    int calls = 0;
    engine::Request r;
    r.path = file;
    r.algorithm = AlgorithmCrc32;
    r.stop = &stop;
    r.progress = [&](int64_t, int64_t) {
        if (++calls == 2) stop = true;
    };
    const engine::Result result = engine::HashPath(r);
    EXPECT_EQ(result.error.kind, Failure::Stopped);
    EXPECT_EQ(result.digest, "");
    EXPECT_EQ(calls, 2);
}

// No state is shared between calls: two threads hashing different files with their own
// progress functions get the digests one thread gets. (Run under ThreadSanitizer in CI.)
TEST_F(FileHash, TwoThreadsHashAtOnce) {
    const std::string small = testutil::Pattern(100000), large = testutil::Pattern(5 << 20);
    const std::string a = Write("a", small), b = Write("b", large);
    for (const auto& alg : AlgorithmTable) {
        std::string da, db;
        int64_t lastA = 0, lastB = 0;
        auto run = [&](const std::string& path, std::string* out, int64_t* last) {
            engine::Request r;
            r.path = path;
            r.algorithm = alg.Id;
            r.progress = [last](int64_t, int64_t position) { *last = position; };
            *out = engine::HashPath(r).digest;
        };
        std::thread t1(run, a, &da, &lastA), t2(run, b, &db, &lastB);
        t1.join();
        t2.join();
        EXPECT_EQ(da, Expected(alg.Id, small)) << alg.Name;
        EXPECT_EQ(db, Expected(alg.Id, large)) << alg.Name;
        EXPECT_EQ(lastA, int64_t(small.size()));
        EXPECT_EQ(lastB, int64_t(large.size()));
    }
}

// ReadPath hands out the file's bytes in order, in pieces of the size asked for.
TEST_F(FileHash, ReadPathHandsOutEveryByteInOrder) {
    for (size_t size : {size_t(0), size_t(1), size_t(4096), size_t(5 << 20) + 3}) {
        const std::string data = testutil::Pattern(size);
        engine::Request r;
        r.path = Write("f", data);
        std::string seen;
        size_t largest = 0;
        const engine::Error e = engine::ReadPath(r, 1 << 20, [&](const uint8_t* p, size_t n) {
            seen.append(reinterpret_cast<const char*>(p), n);
            largest = std::max(largest, n);
        });
        EXPECT_EQ(e.kind, Failure::None);
        EXPECT_TRUE(seen == data) << size;
        EXPECT_LE(largest, size_t(1 << 20));
    }
}

}  // namespace
