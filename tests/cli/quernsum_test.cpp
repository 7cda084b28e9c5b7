// quernsum as a user runs it: output forms, exit statuses, standard input, recursion.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <regex>
#include <sstream>
#include <string>
#include <thread>

#include "hash_test_util.h"
#include "hashhead.h"
#include "hashstream.h"

namespace fs = std::filesystem;

namespace {

struct Result {
    int status;
    std::string out, err;
};

class Quernsum : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() /
               ("quernix-cli-" + std::to_string(::getpid()) + "-" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir_);
        fs::create_directories(dir_);
        fs::current_path(dir_);
    }
    void TearDown() override {
        fs::current_path(fs::temp_directory_path());
        fs::remove_all(dir_);
    }

    static std::string Slurp(const fs::path& p) {
        std::ifstream in(p, std::ios::binary);
        std::stringstream ss;
        ss << in.rdbuf();
        return ss.str();
    }

    void Write(const fs::path& name, const std::string& content) {
        fs::create_directories((dir_ / name).parent_path());
        std::ofstream(dir_ / name, std::ios::binary) << content;
    }

    // Runs quernsum with Args (shell syntax) in the test folder, Input on standard input, and
    // the shell command Beside (if any) in the background.
    Result Run(const std::string& args, const std::string& input = "",
               const std::string& beside = "") {
        Write(".stdin", input);
        // Ended after two minutes: a hang fails the test by itself.
        const std::string cmd = (beside.empty() ? "" : "(" + beside + ") & ") +
                                "timeout -k 5 120 '" + QUERNSUM_PATH + "' " + args +
                                " <.stdin >.stdout 2>.stderr";
        const int raw = std::system(cmd.c_str());
        const int status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
        if (status == 124)
            ADD_FAILURE() << "quernsum was still running after two minutes: " << args;
        return {status, Slurp(dir_ / ".stdout"), Slurp(dir_ / ".stderr")};
    }

    // Starts quernsum with Args in the test folder, its output in .stdout and .stderr, the
    // signals at their default actions whatever the test runner set.
    pid_t Start(const std::vector<std::string>& args) {
        const pid_t child = ::fork();
        if (child != 0) return child;
        for (int sig : {SIGINT, SIGTERM, SIGHUP, SIGPIPE})
            ::signal(sig, SIG_DFL);
        sigset_t none;
        sigemptyset(&none);
        ::sigprocmask(SIG_SETMASK, &none, nullptr);
        std::freopen(".stdout", "w", stdout);
        std::freopen(".stderr", "w", stderr);
        std::vector<char*> argv = {const_cast<char*>(QUERNSUM_PATH)};
        for (const std::string& a : args)
            argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        ::execv(QUERNSUM_PATH, argv.data());
        std::_Exit(127);
    }

    // Waits for the child's end; a child still running after a minute is killed and fails the
    // test.
    static int Reap(pid_t child) {
        int status = 0;
        const bool ended = WaitFor([&] { return ::waitpid(child, &status, WNOHANG) == child; });
        if (!ended) {
            ::kill(child, SIGKILL);
            ::waitpid(child, &status, 0);
            ADD_FAILURE() << "quernsum did not end";
        }
        return status;
    }

    // Polls Done until it holds, for a minute at most (a loaded machine is slow, never that
    // slow); false when it never did.
    static bool WaitFor(const std::function<bool()>& done) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::minutes(1);
        while (!done()) {
            if (std::chrono::steady_clock::now() > deadline) return false;
            ::usleep(2000);
        }
        return true;
    }

    // The FIFO opened for writing, without blocking: possible once a reader has it open.
    int OpenFifoForWriting(const fs::path& fifo) {
        int fd = -1;
        EXPECT_TRUE(WaitFor([&] {
            return (fd = ::open(fifo.c_str(), O_WRONLY | O_NONBLOCK)) >= 0;
        })) << "quernsum never opened "
            << fifo;
        return fd;
    }

    // Writes Data to the non-blocking FD as the reader takes it; false if the reader went away
    // or stopped taking it.
    static bool Feed(int fd, std::string_view data) {
        return WaitFor([&] {
                   const ssize_t n = ::write(fd, data.data(), data.size());
                   if (n > 0) data.remove_prefix(size_t(n));
                   if (n < 0 && errno != EAGAIN) return true;
                   if (!data.empty()) {
                       pollfd p{fd, POLLOUT, 0};
                       ::poll(&p, 1, 100);
                   }
                   return data.empty();
               }) &&
               data.empty();
    }

    fs::path dir_;
};

// A literal with the NULs in it.
template <size_t N>
std::string Bytes(const char (&text)[N]) {
    return std::string(text, N - 1);
}

TEST_F(Quernsum, OutputForms) {
    Write("abc.txt", "abc");
    struct Case {
        std::string args, out;
    };
    const std::vector<Case> cases = {
        {"abc.txt", "900150983cd24fb0d6963f7d28e17f72  abc.txt\n"},
        {"--upper abc.txt", "900150983CD24FB0D6963F7D28E17F72  abc.txt\n"},
        {"--tag abc.txt", "MD5 (abc.txt) = 900150983cd24fb0d6963f7d28e17f72\n"},
        {"-a sha1 --tag --upper abc.txt",
         "SHA1 (abc.txt) = A9993E364706816ABA3E25717850C26C9CD0D89D\n"},
        {"-a crc32 abc.txt abc.txt", "352441c2  abc.txt\n352441c2  abc.txt\n"},
        {"--algorithm=adler32 abc.txt", "024d0127  abc.txt\n"},
        {"-atiger abc.txt", "2aab1484e8c158f2bfb8c5ff41b57a525129131c957b5f93  abc.txt\n"},
        {"-- abc.txt", "900150983cd24fb0d6963f7d28e17f72  abc.txt\n"},
        // md5sum's modes: -b marks the name, -t (the default) does not, the last one counts.
        {"-b abc.txt", "900150983cd24fb0d6963f7d28e17f72 *abc.txt\n"},
        {"-bt -", "900150983cd24fb0d6963f7d28e17f72  -\n"},
        {"--text --binary --upper -", "900150983CD24FB0D6963F7D28E17F72 *-\n"},
        {"--tag -b abc.txt", "MD5 (abc.txt) = 900150983cd24fb0d6963f7d28e17f72\n"},
        {"-t --tag abc.txt", "MD5 (abc.txt) = 900150983cd24fb0d6963f7d28e17f72\n"},
        // -z: NUL after each line, a name with a line break written as it is.
        {"-z -a crc32 abc.txt 'a\nb'", Bytes("352441c2  abc.txt\0"
                                             "352441c2  a\nb\0")},
        {"-z --tag -a crc32 'a\nb'", Bytes("CRC32 (a\nb) = 352441c2\0")},
        {"--read=map abc.txt", "900150983cd24fb0d6963f7d28e17f72  abc.txt\n"},
        {"--read read -a sha1 abc.txt", "a9993e364706816aba3e25717850c26c9cd0d89d  abc.txt\n"},
    };
    Write("a\nb", "abc");
    for (const auto& c : cases) {
        const Result r = Run(c.args, "abc");
        EXPECT_EQ(r.status, 0) << c.args;
        EXPECT_EQ(r.out, c.out) << c.args;
        EXPECT_EQ(r.err, "") << c.args;
    }
}

TEST_F(Quernsum, EveryAlgorithmByNameAndFromStandardInput) {
    // The same bytes through a file (HashFile) and through a pipe (the stream path) must agree,
    // for sizes on both sides of the chunk sizes.
    for (size_t size : {0, 3, 16384, 65521, 100000}) {
        const std::string data = testutil::Pattern(size);
        Write("data.bin", data);
        for (const auto& a : AlgorithmTable) {
            const Result file = Run(std::string("-a ") + a.Name + " data.bin");
            const Result pipe = Run(std::string("-a ") + a.Name + " -", data);
            ASSERT_EQ(file.status, 0) << a.Name << file.err;
            ASSERT_EQ(pipe.status, 0) << a.Name << pipe.err;
            ASSERT_EQ(file.out.size(), size_t(a.HexLength) + 2 + 8 + 1) << a.Name;
            EXPECT_EQ(file.out.substr(0, size_t(a.HexLength)),
                      pipe.out.substr(0, size_t(a.HexLength)))
                << a.Name << " " << size;
            EXPECT_EQ(pipe.out.substr(size_t(a.HexLength)), "  -\n");
        }
    }
    // No file argument reads standard input too.
    EXPECT_EQ(Run("", "abc").out, "900150983cd24fb0d6963f7d28e17f72  -\n");
}

// --list names every algorithm with its digest length and standard, and the README's table of
// algorithms says the same, row for row: a new row of the table needs its line there.
TEST_F(Quernsum, ListShowsEveryAlgorithmAsTheReadmeDoes) {
    const Result r = Run("--list");
    EXPECT_EQ(r.status, 0);
    std::string fromList;
    std::istringstream lines(r.out);
    const std::regex listed(R"(([a-z0-9-]+) +([0-9]+) bits  (.+))");
    for (std::string line; std::getline(lines, line);) {
        std::smatch m;
        ASSERT_TRUE(std::regex_match(line, m, listed)) << line;
        fromList += "| " + m[1].str() + " | " + m[2].str() + " bits | " + m[3].str() + " |\n";
    }
    std::string wanted;
    for (const auto& a : AlgorithmTable)
        wanted += "| " + std::string(a.Name) + " | " + std::to_string(a.HexLength * 4) +
                  " bits | " + std::string(a.Standard) + " |\n";
    EXPECT_EQ(fromList, wanted);

    std::istringstream readme(Slurp(fs::path(QUERNIX_SOURCE_DIR) / "README.md"));
    std::string fromReadme;
    bool inSection = false;
    for (std::string line; std::getline(readme, line);) {
        if (line.starts_with("## ")) inSection = line == "## Algorithms";
        if (inSection && line.starts_with("| ") && !line.starts_with("| name "))
            fromReadme += line + "\n";
    }
    EXPECT_EQ(fromReadme, fromList) << "the README's table of algorithms should read:\n"
                                    << fromList;
    EXPECT_EQ(Run("--help").status, 0);
    EXPECT_NE(Run("--version").out.find("quernsum"), std::string::npos);
}

TEST_F(Quernsum, UsageErrorsExitWithTwo) {
    Write("f", "x");
    for (const char* args :
         {"-a MD5 f", "-a 'md5 ' f", "-a", "--bogus f", "-a sha f", "-a md5, f", "-j 0 f", "-j x f",
          "-j", "--tag -t f", "-c -b f", "-c -z f", "--sfv -z f", "-cx f", "--read=mmap f",
          "--read", "-c -a md5,sha1 f"}) {
        const Result r = Run(args);
        EXPECT_EQ(r.status, 2) << args;
        EXPECT_EQ(r.out, "") << args;
        EXPECT_NE(r.err.find("quernsum: "), std::string::npos) << args;
    }
    // An invalid name lists the valid ones.
    const Result r = Run("-a whirlpool f");
    for (const auto& a : AlgorithmTable)
        EXPECT_NE(r.err.find(a.Name), std::string::npos);
}

TEST_F(Quernsum, FailedFilesAreReportedAndTheRestHashed) {
    Write("good", "abc");
    Write("secret", "abc");
    fs::create_directory(dir_ / "folder");
    fs::permissions(dir_ / "secret", fs::perms::none);
    // Root reads every file: run as an unprivileged user then.
    const std::string as =
        ::geteuid() == 0 ? "setpriv --reuid=65534 --regid=65534 --clear-groups " : "";
    fs::permissions(dir_, fs::perms::all);
    const std::string cmd =
        as + "timeout -k 5 120 '" + QUERNSUM_PATH +
        "' -a crc32 missing good folder secret good/x good 'new\nline' >.stdout "
        "2>.stderr";
    const int raw = std::system(cmd.c_str());
    EXPECT_EQ(WEXITSTATUS(raw), 1);
    EXPECT_EQ(Slurp(dir_ / ".stdout"), "352441c2  good\n352441c2  good\n");
    EXPECT_EQ(Slurp(dir_ / ".stderr"),
              "quernsum: missing: No such file or directory\n"
              "quernsum: folder: Is a directory\n"
              "quernsum: secret: Permission denied\n"
              "quernsum: good/x: Not a directory\n"
              "quernsum: 'new'$'\\n''line': No such file or directory\n");
    // Both into one file: a message comes after the lines before it.
    const std::string both = std::string("timeout -k 5 120 '") + QUERNSUM_PATH +
                             "' -a crc32 good missing good >.both 2>&1";
    EXPECT_EQ(WEXITSTATUS(std::system(both.c_str())), 1);
    EXPECT_EQ(Slurp(dir_ / ".both"),
              "352441c2  good\nquernsum: missing: No such file or directory\n352441c2  good\n");
}

// What md5sum reads, quernsum reads: pipes, /dev/stdin, devices, a named FIFO with a writer,
// and files whose size reads 0.
TEST_F(Quernsum, ReadsWhatTheCommandLineNames) {
    ASSERT_EQ(::mkfifo((dir_ / "fifo").c_str(), 0600), 0);
    std::thread writer([&] { std::ofstream(dir_ / "fifo") << "abc"; });
    const Result r = Run("-a crc32 /dev/stdin /dev/null fifo", "abc");
    writer.join();
    EXPECT_EQ(r.out, "352441c2  /dev/stdin\n00000000  /dev/null\n352441c2  fifo\n");
    const Result proc = Run("-a crc32 /proc/sys/kernel/ostype");
    EXPECT_EQ(proc.out, "d38a4ee3  /proc/sys/kernel/ostype\n") << "the CRC-32 of \"Linux\\n\"";
}

// Results that can't be written are a failure, as in md5sum.
TEST_F(Quernsum, FailedWriteIsAnError) {
    Write("f", "abc");
    for (const char* redirect : {">/dev/full", ">&-"}) {
        for (const char* args : {"f", "--list", "--help"}) {
            const std::string cmd = std::string("timeout -k 5 120 '") + QUERNSUM_PATH + "' " +
                                    args + " " + redirect + " 2>.stderr";
            const int raw = std::system(cmd.c_str());
            EXPECT_EQ(WEXITSTATUS(raw), 1) << args << redirect;
            EXPECT_NE(Slurp(dir_ / ".stderr").find("quernsum: write error"), std::string::npos)
                << args << redirect;
        }
    }
}

// --read=map maps a file and --read=read reads it: the bytes read calls delivered tell the two
// apart. The shell that starts quernsum counts them (a reaped child's count joins its parent's
// in /proc/PID/io), before and after.
TEST_F(Quernsum, ReadWayIsTheOneAsked) {
    const size_t size = size_t(24) << 20;
    Write("big", testutil::Pattern(size));
    Write("count.sh",
          "before=$(sed -n 's/^rchar: //p' /proc/$$/io)\n\"$@\" >/dev/null\n"
          "after=$(sed -n 's/^rchar: //p' /proc/$$/io)\necho $((after - before))\n");
    for (const auto& [way, reads] : {std::pair{"map", false}, {"read", true}}) {
        const std::string cmd = std::string("sh count.sh timeout -k 5 120 '") + QUERNSUM_PATH +
                                "' --read=" + way + " -a crc32 big >.count";
        ASSERT_EQ(std::system(cmd.c_str()), 0) << way;
        const uint64_t read = std::stoull(Slurp(dir_ / ".count"));
        EXPECT_EQ(read >= size, reads) << way << ": " << read << " bytes from read calls";
        EXPECT_EQ(read < size / 2, !reads) << way << ": " << read << " bytes from read calls";
    }
}

TEST_F(Quernsum, RecursiveWalk) {
    Write("tree/b.txt", "abc");
    Write("tree/a/.hidden", "abc");
    Write("tree/a/deep/x", "");
    Write("tree/c", "abc");
    fs::create_directory_symlink(dir_ / "tree", dir_ / "tree/a/loop");  // a cycle
    fs::create_symlink(dir_ / "tree/c", dir_ / "tree/link-to-c");
    ASSERT_EQ(::mkfifo((dir_ / "tree/fifo").c_str(), 0600), 0);
    fs::create_symlink(dir_ / "tree/nowhere", dir_ / "tree/dangling");
    const Result r = Run("-r -a crc32 tree");
    EXPECT_EQ(r.status, 1) << r.err;
    EXPECT_EQ(r.err,
              "quernsum: tree/dangling: No such file or directory\n"
              "quernsum: tree/fifo: Not a regular file (skipped)\n");
    EXPECT_EQ(r.out,
              "352441c2  tree/a/.hidden\n"
              "00000000  tree/a/deep/x\n"
              "352441c2  tree/b.txt\n"
              "352441c2  tree/c\n"
              "352441c2  tree/link-to-c\n");
    fs::remove(dir_ / "tree/dangling");
    EXPECT_EQ(Run("-r -a crc32 tree").status, 0) << "a skipped FIFO is no failure";
    EXPECT_EQ(Run("-r -a crc32 tree/").out, r.out) << "one slash between the names";
    // The same folder without -r is one error line.
    const Result flat = Run("-a crc32 tree tree/c");
    EXPECT_EQ(flat.status, 1);
    EXPECT_EQ(flat.out, "352441c2  tree/c\n");
    EXPECT_EQ(flat.err, "quernsum: tree: Is a directory\n");
}

// A file that takes over half a second gets a progress line on stderr, wiped before its
// result. The file is a FIFO the test feeds until the line shows, however fast the machine.
TEST_F(Quernsum, ProgressLineForSlowFiles) {
    ASSERT_EQ(::mkfifo((dir_ / "fifo").c_str(), 0600), 0);
    const pid_t child = Start({"-j", "1", "--progress", "-a", "crc32", "fifo"});
    const int fd = OpenFifoForWriting(dir_ / "fifo");
    const std::string piece(65536, 'q');
    size_t fed = 0;
    const bool shown = WaitFor([&] {
        if (!Feed(fd, piece)) return true;
        fed += piece.size();
        return Slurp(dir_ / ".stderr").find("\rquernsum: fifo: 100%") != std::string::npos;
    });
    ::close(fd);
    const int status = Reap(child);
    EXPECT_TRUE(shown) << "no progress line: " << Slurp(dir_ / ".stderr");
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    THashStream crc(AlgorithmCrc32);
    for (size_t at = 0; at < fed; at += piece.size())
        crc.Update(piece.data(), piece.size());
    std::string digest = crc.Final();
    for (char& c : digest)
        c = char(std::tolower(static_cast<unsigned char>(c)));
    EXPECT_EQ(Slurp(dir_ / ".stdout"), digest + "  fifo\n");
    const std::string err = Slurp(dir_ / ".stderr");
    ASSERT_FALSE(err.empty());
    EXPECT_EQ(err.back(), '\r') << "the line is wiped when the file is done";
}

TEST_F(Quernsum, NamesWithNewlineOrBackslashAreEscaped) {
    Write("a\nb", "abc");
    Write("c\\d", "abc");
    Write("e\rf", "abc");
    Write("plain", "abc");
    const Result r = Run("-a crc32 'a\nb' 'c\\d' 'e\rf' plain");
    EXPECT_EQ(r.out, "\\352441c2  a\\nb\n\\352441c2  c\\\\d\n\\352441c2  e\\rf\n352441c2  plain\n");
    EXPECT_EQ(Run("-a crc32 --tag 'a\nb'").out, "\\CRC32 (a\\nb) = 352441c2\n");
}

// A mixed list gives the same bytes on both outputs and the same status whatever the number
// of jobs: good files (one big enough to be mapped), missing ones, a folder, a FIFO on the
// command line, a FIFO in a searched tree, and a file truncated during the run (by the FIFO's
// writer once the FIFO is open; its line comes before the FIFO's, so every run has read it
// whole by then: with workers, files named after a pipe may be read before it).
TEST_F(Quernsum, EveryJobCountGivesTheOutputOfAOneAtATimeRun) {
    for (int i = 0; i < 40; ++i)
        Write("tree/f" + std::to_string(i), testutil::Pattern(size_t(i) * 9973));
    Write("big", testutil::Pattern(size_t(5) << 20));
    fs::create_directory(dir_ / "folder");
    ASSERT_EQ(::mkfifo((dir_ / "fifo").c_str(), 0600), 0);
    ASSERT_EQ(::mkfifo((dir_ / "tree/fifo").c_str(), 0600), 0);
    const std::string writer = "exec 3>fifo; : >shrinks; printf fifo-data >&3";
    const std::string list = "tree/f3 missing big shrinks folder fifo tree/f1 gone tree";
    for (const std::string options : {"-a crc32", "-a md5,sha1,crc32 --tag", "-r -a sha256"}) {
        std::vector<Result> runs;
        for (const char* jobs : {"1", "4", "2"}) {
            Write("shrinks", testutil::Pattern(300000));
            runs.push_back(Run("-j " + std::string(jobs) + " " + options + " " + list, "", writer));
            // A writer that quernsum never read from would wait on the FIFO for ever, holding
            // the test's output open: a reader opened and closed here lets it end.
            ::close(::open("fifo", O_RDONLY | O_NONBLOCK));
        }
        SCOPED_TRACE(options);
        EXPECT_EQ(runs[0].status, 1);
        EXPECT_NE(runs[0].err.find("quernsum: gone: "), std::string::npos) << runs[0].err;
        EXPECT_NE(runs[0].out.find("fifo"), std::string::npos) << runs[0].out;
        for (size_t i = 1; i < runs.size(); ++i) {
            EXPECT_EQ(runs[i].out, runs[0].out);
            EXPECT_EQ(runs[i].err, runs[0].err);
            EXPECT_EQ(runs[i].status, runs[0].status);
        }
    }
}

// A BSD-tag file that mixes algorithms verifies each line with its own; the verdicts, the
// warnings and the status are the same whatever the number of jobs.
TEST_F(Quernsum, CheckingMixedTagLinesGivesTheSameForEveryJobCount) {
    std::string names;
    for (int i = 0; i < 30; ++i) {
        const std::string name = std::string(1, 'f').append(std::to_string(i));
        Write(name, testutil::Pattern(size_t(i) * 7919));
        names.append(" ").append(name);
    }
    const Result made = Run("-a md5,sha256,crc32 --tag" + names);
    ASSERT_EQ(made.status, 0) << made.err;
    Write("sums", made.out + "not a checksum line\nMD5 (gone) = " + std::string(32, '0') + "\n");
    Write("f3", "changed");
    std::vector<Result> runs;
    for (const char* jobs : {"1", "4", "2"})
        runs.push_back(Run("-j " + std::string(jobs) + " -c sums"));
    EXPECT_EQ(runs[0].status, 1);
    EXPECT_EQ(std::count(runs[0].out.begin(), runs[0].out.end(), '\n'), 3 * 30 + 1);
    EXPECT_NE(runs[0].out.find("f3: FAILED\nf3: FAILED\nf3: FAILED\n"), std::string::npos);
    EXPECT_NE(runs[0].out.find("f29: OK\ngone: FAILED open or read\n"), std::string::npos);
    for (size_t i = 1; i < runs.size(); ++i) {
        EXPECT_EQ(runs[i].out, runs[0].out);
        EXPECT_EQ(runs[i].err, runs[0].err);
        EXPECT_EQ(runs[i].status, runs[0].status);
    }
}

// Several algorithms over one read give each algorithm's own line, per file in the order named,
// files and standard input alike.
TEST_F(Quernsum, SeveralAlgorithmsInOneReadEqualSeparateRuns) {
    const std::vector<std::string> algorithms = {"sha256", "md5", "crc64", "tiger"};
    const std::vector<std::pair<std::string, size_t>> files = {
        {"empty", 0}, {"one", 1}, {"small", 300000}, {"mapped", (size_t(5) << 20) + 3}};
    for (const auto& [name, size] : files)
        Write(name, testutil::Pattern(size));
    const std::string input = testutil::Pattern(700000);
    for (const std::string form : {"", "--tag "}) {
        const Result together =
            Run("-a sha256,md5 -a crc64,tiger " + form + "empty one small mapped -", input);
        std::string expected;
        for (const std::string name : {"empty", "one", "small", "mapped", "-"})
            for (const auto& a : algorithms)
                expected += Run("-a " + a + " " + form + name, name == "-" ? input : "").out;
        EXPECT_EQ(together.status, 0) << together.err;
        EXPECT_EQ(together.out, expected) << form;
    }
}

// Ctrl+C, SIGTERM and SIGHUP end a run by the signal (a shell shows 128 + its number), with
// the lines of the files before it out whole, with or without workers. The signal comes while
// a FIFO the test feeds is being read, so that a read is surely under way: that input gets no
// line, nor do the files after it, which workers may already have read. A closed pipe ends a
// run by SIGPIPE, as it ends md5sum.
TEST_F(Quernsum, SignalsEndTheRunWithWholeLinesOnly) {
    std::vector<std::string> args = {"-a", "md5,sha1"}, files;
    for (int i = 0; i < 60; ++i) {
        files.push_back(std::string(1, 'f').append(std::to_string(i)));
        Write(files.back(), testutil::Pattern(size_t(i) * 997));
    }
    std::string list;
    for (const std::string& f : files)
        list += " " + f;
    const std::string before = Run("-a md5,sha1" + list).out;
    ASSERT_EQ(std::count(before.begin(), before.end(), '\n'), 120);
    args.insert(args.end(), files.begin(), files.end());
    args.push_back("fifo");
    args.insert(args.end(), files.begin(), files.begin() + 10);
    ::signal(SIGPIPE, SIG_IGN);  // the test's own writes to a FIFO whose reader is gone
    ASSERT_EQ(::mkfifo((dir_ / "fifo").c_str(), 0600), 0);
    for (const char* jobs : {"1", "2"}) {
        for (int sig : {SIGINT, SIGTERM, SIGHUP}) {
            SCOPED_TRACE(testing::Message() << "-j " << jobs << ", signal " << sig);
            std::vector<std::string> run = {"-j", jobs};
            run.insert(run.end(), args.begin(), args.end());
            const pid_t child = Start(run);
            const int fd = OpenFifoForWriting(dir_ / "fifo");
            // Most of it read once the pipe has taken it all.
            EXPECT_TRUE(Feed(fd, std::string(size_t(4) << 20, 'x')));
            ::kill(child, sig);
            const int status = Reap(child);
            ::close(fd);
            EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == sig) << status;
            EXPECT_EQ(Slurp(dir_ / ".stdout"), before);
        }
    }
    int fds[2];
    ASSERT_EQ(::pipe(fds), 0);
    const pid_t child = ::fork();
    if (child == 0) {
        ::signal(SIGPIPE, SIG_DFL);
        ::close(fds[0]);  // no reader left
        ::dup2(fds[1], STDOUT_FILENO);
        ::execl(QUERNSUM_PATH, QUERNSUM_PATH, "f1", nullptr);
        std::_Exit(127);
    }
    ::close(fds[0]);
    ::close(fds[1]);
    const int status = Reap(child);
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGPIPE) << status;
}

// A variant this CPU runs in the algorithm's kernel slot; "portable" for one without. Each
// process times the variants of a slot for itself, so another process may pick another one.
bool RunsHere(const std::string& algorithm, const std::string& variant) {
    const TAlgorithmInfo* a = AlgorithmById(AlgorithmIdFromName(algorithm));
    if (!a || !a->Kernel) return variant == "portable";
    for (const kernels::Entry& e : kernels::Entries())
        if (e.slot == *a->Kernel && kernels::Supported(e) && variant == e.name) return true;
    return false;
}

// A line per algorithm, with the code path that hashes its files.
TEST_F(Quernsum, BenchmarkPrintsAParsableLinePerAlgorithm) {
    const Result r = Run("--benchmark -a crc32,md5,sha3-256,crc32c");
    ASSERT_EQ(r.status, 0) << r.err;
    std::istringstream lines(r.out.substr(r.out.find("algorithm ")));
    std::string line;
    std::getline(lines, line);  // the column heads
    const std::regex row(R"(([a-z0-9-]+) +([0-9]+\.[0-9]) +([0-9]+\.[0-9]{2}|-)  ([a-z0-9]+))");
    std::vector<std::string> names;
    while (std::getline(lines, line)) {
        std::smatch m;
        ASSERT_TRUE(std::regex_match(line, m, row)) << line;
        names.push_back(m[1]);
        EXPECT_GT(std::stod(m[2]), 0) << line;
        EXPECT_TRUE(RunsHere(m[1].str(), m[4].str())) << line;
    }
    EXPECT_EQ(names, (std::vector<std::string>{"crc32", "md5", "sha3-256", "crc32c"}));
}

}  // namespace
