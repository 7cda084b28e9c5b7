// quernsum -c and --sfv against the real tools: checksum files round-trip between quernsum,
// coreutils and rhash; quernsum -c prints what md5sum -c prints; bad input stays per line.
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "hash_test_util.h"
#include "hashhead.h"
#include "hashstream.h"

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

    // Runs a shell command line in the test folder; {q} stands for quernsum, which is ended
    // after two minutes (a hang fails the test by itself).
    Outcome Sh(std::string command) {
        for (size_t p; (p = command.find("{q}")) != std::string::npos;)
            command.replace(p, 3, std::string("timeout -k 5 120 '") + QUERNSUM_PATH + "'");
        const int raw = std::system(("(" + command + ") >.out 2>.err").c_str());
        const int status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
        if (status == 124)
            ADD_FAILURE() << "quernsum was still running after two minutes: " << command;
        return {status, Get(".out"), Get(".err")};
    }

    fs::path dir_;
};

const std::string kFiles = " abc.txt 'with space.bin' sub/deep.dat";

// The digests of "abc".
const std::string kMd5 = "900150983cd24fb0d6963f7d28e17f72";
const std::string kMd4 = "a448017aaf21d8525fc10ae87aa6729d";
const std::string kMd2 = "da853b0d3f88d99b30283a69e6ded6bb";
const std::string kSha1 = "a9993e364706816aba3e25717850c26c9cd0d89d";
const std::string kSha256 = "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad";
const std::string kRmd160 = "8eb208f7e05d987a9b044a8e98c6b087f15a0bfc";

// A tool's command with the files where {f} stands, or after it.
std::string WithFiles(std::string command) {
    const size_t at = command.find("{f}");
    if (at == std::string::npos) return command + kFiles;
    return command.replace(at, 3, kFiles);
}

// Whether the shell finds the tool.
bool Have(const std::string& tool) {
    return std::system(("command -v '" + tool + "' >/dev/null 2>&1").c_str()) == 0;
}

// The tools a command line runs, quernsum aside: the first word of each part of a pipe.
std::vector<std::string> Tools(const std::string& command) {
    std::vector<std::string> tools;
    std::istringstream parts(command);
    for (std::string part; std::getline(parts, part, '|');) {
        std::istringstream words(part);
        std::string word;
        if (words >> word && word != "{q}") tools.push_back(word);
    }
    return tools;
}

// Checksum files written by one side and verified by the other, in a file whose name implies
// no algorithm; a changed file must then fail. Where the line's algorithm comes from the
// digest's length alone, the verdict names the algorithm that matched. A row whose tool is
// absent, or whose algorithm quernsum lacks, is skipped.
TEST_F(Check, ChecksumFilesRoundTripBetweenQuernsumAndThePeers) {
    struct Trip {
        std::string write, verify;
        std::string verdict = "";    // the verdict for abc.txt, if it is to be checked
        std::string algorithm = "";  // one that quernsum may not have yet
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
        {"sha224sum", "{q} -c", "abc.txt: OK"},
        {"sha224sum --tag", "{q} -c"},
        {"rhash --sfv", "{q} -c"},
        {"rhash --bsd --md5 --sha1 --sha256 --ripemd160 --tiger --crc32", "{q} -c"},
        {"rhash --md4", "{q} -c"},
        // rhash pads its tags to a column; OpenSSL writes ALG(name)= digest.
        {"rhash --bsd --md5", "{q} -c"},
        {"rhash --bsd --md4", "{q} -c"},
        {"rhash --bsd --sha1", "{q} -c"},
        {"rhash --bsd --sha3-224 --sha3-256 --sha3-384 --sha3-512 --blake2b --blake2s --crc32c "
         "--sha224",
         "{q} -c"},
        {"openssl dgst -md5", "{q} -c"},
        {"openssl dgst -provider legacy -provider default -md4", "{q} -c"},
        {"openssl dgst -sha1", "{q} -c"},
        {"openssl dgst -sha256", "{q} -c"},
        {"openssl dgst -sha384", "{q} -c"},
        {"openssl dgst -sha512", "{q} -c"},
        {"openssl dgst -ripemd160", "{q} -c"},
        {"openssl dgst -sha224", "{q} -c"},
        {"openssl dgst -sha3-256", "{q} -c"},
        {"openssl dgst -sha3-512", "{q} -c"},
        {"openssl dgst -blake2b512", "{q} -c"},
        {"openssl dgst -blake2s256", "{q} -c"},
        // GNU lines of the newer tools: only the digest's length tells, and the verdict says
        // which algorithm of that length it was.
        {"b2sum", "{q} -c", "abc.txt: OK (blake2b)"},
        {"b2sum --tag", "{q} -c"},
        {"b3sum", "{q} -c", "abc.txt: OK (blake3)", "blake3"},
        {"rhash --sha3-224", "{q} -c", "abc.txt: OK (sha3-224)"},
        {"rhash --sha3-256", "{q} -c", "abc.txt: OK (sha3-256)"},
        {"rhash --sha3-384", "{q} -c", "abc.txt: OK (sha3-384)"},
        {"rhash --sha3-512", "{q} -c", "abc.txt: OK (sha3-512)"},
        {"rhash --blake2s", "{q} -c", "abc.txt: OK (blake2s)"},
        {"rhash --crc32c", "{q} -c", "abc.txt: OK (crc32c)"},
        {"xxhsum -H2", "{q} -c", "abc.txt: OK (xxh128)"},
        {"xxhsum -H2 --tag", "{q} -c"},
        {"xxhsum -H3", "{q} -c"},
        {"xxhsum -H3 --tag", "{q} -c"},
        // xxhsum 0.8.1 writes XXH3 only as tags: quernsum's own GNU lines stand in for 16 digits.
        {"{q} -a xxh3", "{q} -c", "abc.txt: OK (xxh3)"},
        // md5sum's lines with a blank before them and a TAB after the digest, which md5sum
        // reads too.
        {"md5sum {f} | sed 's/^/ /; s/  /\t/'", "md5sum -c"},
        {"md5sum {f} | sed 's/^/ /; s/  /\t/'", "{q} -c"},
        {"{q}", "md5sum -c"},
        {"{q} --tag", "md5sum -c"},
        {"{q} -a sha1", "sha1sum -c"},
        {"{q} -a sha1 --tag", "sha1sum -c"},
        {"{q} -a sha224", "sha224sum -c"},
        {"{q} -a sha224 --tag", "sha224sum -c"},
        {"{q} -a sha256 --tag", "sha256sum -c"},
        {"{q} -a sha384", "sha384sum -c"},
        {"{q} -a sha512 --tag", "sha512sum -c"},
        {"{q} --sfv", "rhash -c"},
        {"{q} -a md5", "rhash -c"},
        {"{q} -a md4 --tag", "rhash -c"},
        {"{q} -a ripemd160 --tag", "rhash -c"},
        {"{q} -a tiger --tag", "rhash -c"},
        {"{q} -a sha384 --tag", "rhash -c"},
        {"{q} -a sha224 --tag", "rhash -c"},
        {"{q} -a sha3-224,sha3-256,sha3-384,sha3-512 --tag", "rhash -c"},
        {"{q} -a blake2b,blake2s,crc32c --tag", "rhash -c"},
        {"{q} -a blake2b", "b2sum -c"},
        {"{q} -a blake2b --tag", "b2sum -c"},
        {"{q} -a blake3", "b3sum --check", "", "blake3"},
        {"{q} -a xxh128", "xxhsum -c"},
        {"{q} -a xxh128 --tag", "xxhsum -c"},
        {"{q} -a xxh3 --tag", "xxhsum -c"},
    };
    std::vector<std::string> skipped;
    for (const Trip& t : trips) {
        std::vector<std::string> tools = Tools(t.write);
        for (const std::string& tool : Tools(t.verify))
            tools.push_back(tool);
        if (!t.algorithm.empty() && AlgorithmIdFromName(t.algorithm.c_str()) < 0) {
            skipped.push_back(t.write + " | " + t.verify + " (no " + t.algorithm + ")");
            continue;
        }
        if (!std::all_of(tools.begin(), tools.end(), Have)) {
            skipped.push_back(t.write + " | " + t.verify);
            continue;
        }
        const Outcome written = Sh(WithFiles(t.write) + " > checksums.txt");
        ASSERT_EQ(written.status, 0) << t.write << ": " << written.err;
        const Outcome good = Sh(t.verify + " checksums.txt");
        EXPECT_EQ(good.status, 0) << t.write << " | " << t.verify << "\n" << good.out << good.err;
        if (!t.verdict.empty()) {
            EXPECT_NE(good.out.find(t.verdict + "\n"), std::string::npos) << t.write << "\n"
                                                                          << good.out;
        }
        // A changed file must fail the same check.
        Put("abc.txt", "abd");
        EXPECT_EQ(Sh(t.verify + " checksums.txt").status, 1) << t.write << " | " << t.verify;
        Put("abc.txt", "abc");
    }
    for (const std::string& s : skipped)
        std::printf("skipped: %s\n", s.c_str());
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
    Put("a\rb", "abd");
    const std::string abc = kMd5;
    std::string manyJunk;
    for (int i = 0; i < 3000; ++i)
        manyJunk += "junk\n";
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
        // Names that the shell would read otherwise, a byte that is no character, a carriage
        // return inside a name and at the end of the file.
        {abc + "  ~x\n" + abc + "  #x\n" + abc + "  x~\n" + abc + "  a\rb\n" + abc + "  n\377\n" +
             abc + "  t\t\tx\n",
         "list"},
        {abc + "  abc.txt\r", "list"},
        // A listed - is standard input, unless the checksum file is.
        {ok + abc + "  -\n", "list < abc.txt"},
        {abc + "  -\n", "- < list"},
        // --ignore-missing: a folder that is a file is not missing; nothing matched fails.
        {abc + "  abc.txt/x\n", "--ignore-missing list"},
        {abc + "  no such\n" + abc.substr(1) + "0  abc.txt\n", "--ignore-missing list"},
        {abc + "  no such\n", "--ignore-missing --status list"},
        {ok + ok, "--strict list"},
        {ok + manyJunk, "list"},
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

// Every line form -c reads, each with its verdict and the exit status: coreutils' forms, the
// forms of OpenSSL and rhash, and the lines that stay malformed.
TEST_F(Check, LineForms) {
    Put("big", testutil::Pattern(size_t(2) << 20));
    THashStream md2(AlgorithmMd2);
    md2.Update(testutil::Pattern(size_t(2) << 20).data(), size_t(2) << 20);
    std::string bigMd2 = md2.Final();
    for (char& c : bigMd2)
        c = char(std::tolower(static_cast<unsigned char>(c)));
    const std::string ok = "abc.txt: OK\n", none = "no properly formatted checksum lines";
    struct Case {
        std::string lines, args;
        std::string out;
        int status;
        std::string err;  // a part of standard error
    };
    const std::vector<Case> cases = {
        // GNU lines: blanks before them, a TAB for the separator on a file's first GNU line.
        {"  " + kMd5 + "  abc.txt\n", "", ok, 0, ""},
        {"\t \\" + kMd5 + " *abc.txt\n", "", ok, 0, ""},
        {kMd5 + "\tabc.txt\n" + kMd5 + " abc.txt\n", "", ok + ok, 0, ""},
        {kMd5 + "\t abc.txt\n", "", ok, 0, ""},
        // After a line with the mark, a line without it is malformed; after one without, a
        // further blank belongs to the name.
        {kMd5 + "  abc.txt\n" + kMd5 + "\tabc.txt\n", "--strict", ok, 1, ""},
        {kMd5 + " abc.txt\n" + kMd5 + "  abc.txt\n", "", ok + " abc.txt: FAILED open or read\n", 1,
         ""},
        // OpenSSL, for every algorithm it names that quernsum has, in OpenSSL 3's and 1.1's
        // spellings; blanks around the '='.
        {"MD5(abc.txt)= " + kMd5 + "\n", "", ok, 0, ""},
        {"MD4(abc.txt)= " + kMd4 + "\n", "", ok, 0, ""},
        {"SHA1(abc.txt)= " + kSha1 + "\n", "", ok, 0, ""},
        {"SHA2-256(abc.txt)= " + kSha256 + "\n", "", ok, 0, ""},
        {"SHA256(abc.txt)=" + kSha256 + "\n", "", ok, 0, ""},
        {"RIPEMD-160(abc.txt)= " + kRmd160 + "\n", "", ok, 0, ""},
        {"RIPEMD160(abc.txt) = " + kRmd160 + "\n", "", ok, 0, ""},
        {"MD5 (abc.txt)\t=  " + kMd5 + "\n", "", ok, 0, ""},
        // rhash's tags padded to a column.
        {"MD5   (abc.txt) = " + kMd5 + "\nSHA1  (abc.txt) = " + kSha1 + "\n", "", ok + ok, 0, ""},
        // Malformed: a TAB before the parenthesis, a blank after the digest, a line of blanks,
        // a comment after blanks, a tag that contradicts -a at the same length.
        {"MD5\t(abc.txt) = " + kMd5 + "\n", "", "", 1, none},
        {"MD5 (abc.txt) = " + kMd5 + " \n", "", "", 1, none},
        {"  \n" + kMd5 + "  abc.txt\n", "--strict", ok, 1, "1 line is improperly formatted"},
        {" # note\n" + kMd5 + "  abc.txt\n", "--strict", ok, 1, "1 line is improperly formatted"},
        {"MD4 (abc.txt) = " + kMd4 + "\n", "-a md5", "", 1, none},
        // A listed - is standard input (here abc), except in a checksum file read from it.
        {kMd5 + "  -\n", "list <abc.txt", "-: OK\n", 0, ""},
        {kMd5 + "  -\n", "- <list", "", 1, none},
        // The digest's length alone: the other algorithms of the length in the same read; md2
        // beyond small files only when asked for.
        {kMd2 + "  abc.txt\n", "", "abc.txt: OK (md2)\n", 0, ""},
        {bigMd2 + "  big\n", "", "big: FAILED\n", 1, "big: not tried as md2"},
        {bigMd2 + "  big\n", "-a md2", "big: OK\n", 0, ""},
    };
    for (const Case& c : cases) {
        Put("list", c.lines);
        const std::string args = c.args.find('<') != std::string::npos ? c.args : c.args + " list";
        const Outcome got = Sh("{q} -c " + args);
        EXPECT_EQ(got.out, c.out) << c.lines << c.args;
        EXPECT_EQ(got.status, c.status) << c.lines << c.args << "\n" << got.err;
        EXPECT_NE(got.err.find(c.err), std::string::npos) << c.lines << c.args << "\n" << got.err;
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
