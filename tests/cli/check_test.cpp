// quernsum -c and --sfv against the real tools: checksum files round-trip between quernsum,
// coreutils and rhash; quernsum -c prints what md5sum -c prints; bad input stays per line.
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "hash_test_util.h"

namespace fs = std::filesystem;

namespace {

struct Outcome {
    int status;
    std::string out, err;
};

class Check : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() /
               ("quernix-check-" + std::to_string(::getpid()) + "-" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir_);
        fs::create_directories(dir_ / "sub");
        fs::current_path(dir_);
        Put("abc.txt", "abc");
        Put("with space.bin", testutil::Pattern(100000));
        Put("sub/deep.dat", "");
    }
    void TearDown() override {
        fs::current_path(fs::temp_directory_path());
        fs::remove_all(dir_);
    }

    void Put(const fs::path& name, const std::string& content) {
        std::ofstream(dir_ / name, std::ios::binary) << content;
    }
    std::string Get(const fs::path& name) {
        std::stringstream ss;
        ss << std::ifstream(dir_ / name, std::ios::binary).rdbuf();
        return ss.str();
    }

    // Runs a shell command line in the test folder; {q} stands for quernsum.
    Outcome Sh(std::string command) {
        for (size_t p; (p = command.find("{q}")) != std::string::npos;)
            command.replace(p, 3, std::string("'") + QUERNSUM_PATH + "'");
        const int raw = std::system(("(" + command + ") >.out 2>.err").c_str());
        return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, Get(".out"), Get(".err")};
    }

    fs::path dir_;
};

const std::string kFiles = " abc.txt 'with space.bin' sub/deep.dat";

TEST_F(Check, ChecksumFilesRoundTripBetweenQuernsumCoreutilsAndRhash) {
    struct Trip {
        std::string write, verify;
    };
    const std::vector<Trip> trips = {
        {"md5sum", "{q} -c"},
        {"md5sum --tag", "{q} -c"},
        {"sha1sum", "{q} -c"},
        {"sha1sum --tag", "{q} -c"},
        {"sha256sum", "{q} -c"},
        {"sha256sum --tag", "{q} -c"},
        {"sha512sum", "{q} -c"},
        {"sha512sum --tag", "{q} -c"},
        {"rhash --sfv", "{q} -c"},
        {"rhash --bsd --md5 --sha1 --sha256 --ripemd160 --tiger --crc32", "{q} -c"},
        {"rhash --md4", "{q} -c"},
        {"{q}", "md5sum -c"},
        {"{q} --tag", "md5sum -c"},
        {"{q} -a sha1", "sha1sum -c"},
        {"{q} -a sha1 --tag", "sha1sum -c"},
        {"{q} -a sha256 --tag", "sha256sum -c"},
        {"{q} -a sha384", "sha384sum -c"},
        {"{q} -a sha512 --tag", "sha512sum -c"},
        {"{q} --sfv", "rhash -c"},
        {"{q} -a md5", "rhash -c"},
        {"{q} -a md4 --tag", "rhash -c"},
        {"{q} -a ripemd160 --tag", "rhash -c"},
        {"{q} -a tiger --tag", "rhash -c"},
        {"{q} -a sha384 --tag", "rhash -c"},
    };
    for (const Trip& t : trips) {
        const Outcome written = Sh(t.write + kFiles + " > list");
        ASSERT_EQ(written.status, 0) << t.write << ": " << written.err;
        const Outcome good = Sh(t.verify + " list");
        EXPECT_EQ(good.status, 0) << t.write << " | " << t.verify << "\n" << good.out << good.err;
        // A changed file must fail the same check.
        Put("abc.txt", "abd");
        EXPECT_EQ(Sh(t.verify + " list").status, 1) << t.write << " | " << t.verify;
        Put("abc.txt", "abc");
    }
}

// md5sum's diagnostics with its name replaced by quernsum's; -w names the algorithm where
// quernsum, deciding per line, gives the reason instead.
std::string AsQuernsum(const std::string& md5sumErr) {
    return std::regex_replace(md5sumErr, std::regex("md5sum: "), "quernsum: ");
}
std::string WithoutReasons(const std::string& err) {
    return std::regex_replace(err, std::regex("improperly formatted checksum line \\(.*\\)"),
                              "improperly formatted MD5 checksum line");
}

TEST_F(Check, PrintsWhatMd5sumPrints) {
    fs::create_directory(dir_ / "folder");
    Put("a\nb", "abc");
    const std::string abc = "900150983cd24fb0d6963f7d28e17f72";
    const std::string ok = abc + "  abc.txt\n", bad = abc + "  with space.bin\n",
                      missing = abc + "  no such\n";
    struct Case {
        std::string list, args;
    };
    const std::vector<Case> cases = {
        {ok + ok, "list"},
        {ok + bad + missing, "list"},
        {ok + bad + missing, "--quiet list"},
        {ok + bad + missing, "--status list"},
        {ok + bad + missing, "--ignore-missing list"},
        {ok + bad + missing, "--status -w --quiet list"},
        {missing, "--ignore-missing list"},
        {ok + "junk\n" + ok, "list"},
        {ok + "junk\n" + ok, "--strict list"},
        {ok + "junk\n", "-w list"},
        {ok + "junk\n", "--strict --status list"},
        {"junk\n", "list"},
        {"", "list"},
        {ok + "\r\n# note\n\n" + abc + "  folder\n" + abc + " *abc.txt\r\n", "list"},
        {"\\" + abc + "  a\\nb\n" + abc + "  \n", "-w list"},
        {"MD5 (abc.txt) = " + abc + "\n" + abc.substr(1) + "  abc.txt\n", "list"},
        {ok, "list nowhere list"},
        {ok, "- < list"},
        {ok, "< list"},
        {ok, "folder"},
    };
    for (const Case& c : cases) {
        Put("list", c.list);
        const Outcome want = Sh("md5sum -c " + c.args);
        const Outcome got = Sh("{q} -c " + c.args);
        EXPECT_EQ(got.status, want.status) << c.list << c.args;
        EXPECT_EQ(got.out, want.out) << c.list << c.args;
        EXPECT_EQ(WithoutReasons(got.err), AsQuernsum(want.err)) << c.list << c.args;
    }
}

TEST_F(Check, BadInputGetsAMessagePerLineAndNothingHangs) {
    ASSERT_EQ(::mkfifo((dir_ / "fifo").c_str(), 0600), 0);
    const std::string abc = "900150983cd24fb0d6963f7d28e17f72";
    std::string manyBad;
    for (int i = 0; i < 100000; ++i)
        manyBad += "junk\n";
    struct Case {
        std::string list, args;
        int status;
        std::string out, err;  // err: a part of standard error
    };
    const std::vector<Case> cases = {
        // A digest of another algorithm with the same length is named.
        {"8eb208f7e05d987a9b044a8e98c6b087f15a0bfc  abc.txt\n", "-c list", 0,
         "abc.txt: OK (ripemd160)\n", ""},
        {"8eb208f7e05d987a9b044a8e98c6b087f15a0bfc  abc.txt\n", "-c -a sha1 list", 1,
         "abc.txt: FAILED\n", "1 computed checksum did NOT match"},
        {abc + "  abc.txt\n", "-c -a sha1 list", 1, "", "no properly formatted checksum lines"},
        {"SHA1 (abc.txt) = a9993e364706816aba3e25717850c26c9cd0d89d\nabc.txt 352441C2\n", "-c list",
         0, "abc.txt: OK\nabc.txt: OK\n", ""},
        {abc + "  fifo\n" + abc + "  /dev/zero\n", "-c list", 1,
         "fifo: FAILED open or read\n/dev/zero: FAILED open or read\n",
         "quernsum: fifo: Not a regular file\nquernsum: /dev/zero: Not a regular file\n"},
        {std::string(1 << 20, 'x') + "\n" + abc + "  abc.txt\n", "-cw list", 0, "abc.txt: OK\n",
         "list: 1: improperly formatted checksum line (line longer than 65536 bytes)"},
        {testutil::Pattern(300000), "-c list", 1, "", "list: no properly formatted checksum lines"},
        {manyBad + abc + "  abc.txt\n", "-c list", 0, "abc.txt: OK\n",
         "WARNING: 100000 lines are improperly formatted"},
        {abc + "  abc.txt\n", "--quiet list", 2, "", "only when verifying checksums"},
        {abc + "  abc.txt\n", "-c --tag list", 2, "", "meaningless when verifying"},
        {abc + "  abc.txt\n", "-c --sfv list", 2, "", "meaningless when verifying"},
    };
    for (const Case& c : cases) {
        Put("list", c.list);
        const Outcome got = Sh("{q} " + c.args);
        EXPECT_EQ(got.status, c.status) << c.args;
        EXPECT_EQ(got.out, c.out) << c.args;
        EXPECT_NE(got.err.find(c.err), std::string::npos) << c.args << "\n" << got.err;
    }
    // SFV takes crc32 only, and --sfv picks it by itself.
    EXPECT_EQ(Sh("{q} --sfv -a md5 abc.txt").status, 2);
    EXPECT_EQ(Sh("{q} --sfv abc.txt").out, "; Generated by Quernix\nabc.txt 352441c2\n");
}

}  // namespace
