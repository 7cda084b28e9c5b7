// The file hash service on files large enough to be read through a mapping, under the four
// file routines and the hash objects: the same results and progress positions as hashing the
// bytes in memory, across window edges; no result when
// the file shrinks during the run, whether the lost bytes were whole pages (a fault that must
// be caught) or part of the last page; and a fault on any other mapping still ends the
// program as before.
#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cctype>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "MD2.h"
#include "hash_test_util.h"
#include "hashhead.h"

namespace fs = std::filesystem;

namespace {

std::vector<int64_t>* g_positions = nullptr;
int64_t g_truncateTo = -1;  // truncate the file to this size at the first progress call
int g_cancelAt = -1;
std::string g_path;

void Progress(int64_t, int64_t position, int32_t* reply) {
    if (g_positions) g_positions->push_back(position);
    const int index = g_positions ? int(g_positions->size()) - 1 : 0;
    if (g_truncateTo >= 0 && index == 0) {
        ASSERT_EQ(::truncate(g_path.c_str(), g_truncateTo), 0);
    }
    if (index == g_cancelAt) *reply = HashCancelReply;
}

class MappedFiles : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() /
               ("quernix-io-" + std::to_string(::getpid()) + "-" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::create_directories(dir_);
        g_truncateTo = -1;
        g_cancelAt = -1;
        g_positions = nullptr;
    }
    void TearDown() override { fs::remove_all(dir_); }

    std::string Write(const std::string& content) {
        g_path = (dir_ / "f").string();
        std::ofstream(g_path, std::ios::binary | std::ios::trunc) << content;
        return g_path;
    }

    static std::string Hash(const std::string& path, const char* algorithm) {
        char out[MaxHashTextLength];
        int32_t len = -1;
        HashFile(path.c_str(), AlgorithmIdFromName(algorithm), Progress, out, &len);
        return len > 0 ? std::string(out, size_t(len)) : "<none>";
    }

    fs::path dir_;
};

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

// Sizes on either side of a window edge (4 MiB), with a chunk across it, and two windows on.
TEST_F(MappedFiles, SameResultsAsInMemory) {
    for (size_t size :
         {size_t(4) << 20, (size_t(4) << 20) + 3 * 65521 + 7, (size_t(9) << 20) + 5}) {
        const std::string data = testutil::Pattern(size);
        const std::string path = Write(data);
        for (const char* algorithm :
             {"crc32", "crc64", "adler32", "md2", "md5", "sha1", "sha512"}) {
            if (std::string(algorithm) == "md2" && size > (size_t(5) << 20)) continue;  // slow
            EXPECT_EQ(Hash(path, algorithm), Expected(algorithm, data))
                << algorithm << " over " << size << " bytes";
        }
    }
}

TEST_F(MappedFiles, ProgressPositions) {
    const size_t size = (size_t(4) << 20) + 100;
    const std::string path = Write(testutil::Pattern(size));
    for (const auto& [algorithm, chunk] : {std::pair{"crc32", size_t(65521)}, {"md5", 16384}}) {
        std::vector<int64_t> positions;
        g_positions = &positions;
        Hash(path, algorithm);
        const size_t calls = (size + chunk - 1) / chunk;
        ASSERT_EQ(positions.size(), calls) << algorithm;
        for (size_t i = 0; i + 1 < calls; ++i)
            EXPECT_EQ(positions[i], int64_t(chunk * (i + 1) + 1)) << algorithm;
        EXPECT_EQ(positions.back(), int64_t(size)) << algorithm;
    }
}

TEST_F(MappedFiles, CancelGivesNoResult) {
    const std::string path = Write(testutil::Pattern(size_t(5) << 20));
    for (int at : {0, 80}) {  // the first call and the last (81 chunks)
        std::vector<int64_t> positions;
        g_positions = &positions;
        g_cancelAt = at;
        EXPECT_EQ(Hash(path, "adler32"), "<none>");
        EXPECT_EQ(int(positions.size()), at + 1);
    }
}

// Whole pages lost: reading them faults, which must be caught. Part of the last page lost:
// it reads as zeros without a fault, so the size is checked at the end.
TEST_F(MappedFiles, FileCutShortGivesNoResult) {
    const size_t size = (size_t(6) << 20) + 1000;
    const std::string data = testutil::Pattern(size);
    for (int64_t truncateTo : {int64_t(1000), int64_t(5) << 20, int64_t(size) - 10}) {
        for (const char* algorithm : {"crc32", "crc64", "adler32", "md2", "md5", "sha1"}) {
            SCOPED_TRACE(std::string(algorithm) + " cut to " + std::to_string(truncateTo));
            const std::string path = Write(data);
            g_truncateTo = truncateTo;
            EXPECT_EQ(Hash(path, algorithm), "<none>");
        }
    }
    // And the next file is hashed as usual.
    g_truncateTo = -1;
    EXPECT_EQ(Hash(Write(data), "crc32"), Expected("crc32", data));
    EXPECT_EQ(Hash(Write(data), "sha1"), Expected("sha1", data));
}

// A HashFile called from inside a progress callback (as a batch started from the message pump
// would) maps a view of its own; once it returns, the outer file's view is guarded again, so a
// truncation of the outer file still gives no result instead of a bus error.
std::string g_innerPath, g_innerResult;
void NestedThenTruncate(int64_t, int64_t, int32_t*) {
    static bool nested = false;
    if (nested) return;
    nested = true;
    char out[MaxHashTextLength];
    int32_t len = 0;
    HashFile(g_innerPath.c_str(), AlgorithmIdFromName("crc32"), NestedThenTruncate, out, &len);
    g_innerResult.assign(out, size_t(len));
    ASSERT_EQ(::truncate(g_path.c_str(), 1000), 0);
    nested = false;
}

TEST_F(MappedFiles, NestedCallKeepsTheOuterViewGuarded) {
    const std::string data = testutil::Pattern((size_t(6) << 20) + 1000);
    g_innerPath = (dir_ / "inner").string();
    std::ofstream(g_innerPath, std::ios::binary) << data;
    for (const char* algorithm : {"crc32", "sha1"}) {
        SCOPED_TRACE(algorithm);
        const std::string path = Write(data);
        char out[MaxHashTextLength];
        int32_t len = -1;
        HashFile(path.c_str(), AlgorithmIdFromName(algorithm), NestedThenTruncate, out, &len);
        EXPECT_EQ(len, 0);
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
