// quernsum: the command-line front end over the Quernix hash engine.
//
//   quernsum [-a ALG[,ALG...]] [-j N] [-b | -t] [-z] [--upper] [--tag | --sfv] [-r] [--progress]
//            [FILE...]
//   quernsum -c [-a ALG] [-j N] [--quiet | --status | -w] [--strict] [--ignore-missing] [FILE...]
//   quernsum --benchmark [-a ALG[,ALG...]]
//
// Prints one line per file and algorithm in the format of coreutils' md5sum ("digest  path"),
// the BSD form with --tag, or SFV with --sfv; with -c, verifies the files listed in checksum
// files (check.h). Files are hashed N at a time, their lines coming out in the order of a
// one-at-a-time run. Exit status: 0 all files hashed (or verified), 1 some file could not be,
// 2 usage.
#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "benchmark.h"
#include "check.h"
#include "checksumfile.h"
#include "fanout.h"
#include "filehash.h"
#include "fileopen.h"
#include "hashhead.h"
#include "interrupt.h"
#include "output.h"
#include "outputrun.h"
#include "streamhash.h"

#ifndef QUERNIX_VERSION
#define QUERNIX_VERSION "0"
#endif

namespace fs = std::filesystem;

namespace {

struct Options {
    // The algorithms in the order named (md5 when none is), each once.
    std::vector<std::string> algorithms;
    std::vector<int32_t> ids;
    bool algorithmGiven = false;
    unsigned jobs = cli::OnlineCpus();
    bool benchmark = false;
    bool upper = false;
    // -b/-t as md5sum keeps them: -1 neither given, 0 text, 1 binary ('*' before the name).
    int binary = -1;
    bool zero = false;  // -z: lines end in NUL, names are not escaped
    bool tag = false;
    bool sfv = false;
    bool checkMode = false;
    check::Options check;
    std::vector<std::string> checkOnly;  // options that mean something only with -c
    std::vector<std::string> hashOnly;   // -b, -t: meaningless with -c
    bool recursive = false;
    bool progress = false;
    engine::ReadStrategy read = engine::ReadStrategy::Auto;
    std::vector<std::string> files;
};

const char kUsage[] =
    "Usage: quernsum [OPTION]... [FILE]...\n"
    "Print a checksum or message digest of each FILE.\n"
    "With no FILE, or when FILE is -, read standard input.\n"
    "\n"
    "  -a, --algorithm=ALG  the algorithm to use (default md5); see --list. Several,\n"
    "                       as md5,sha256 or as repeated -a, read each file once and\n"
    "                       print a line per algorithm, in the order named\n"
    "  -j, --jobs=N         hash N files at a time (default: the number of CPUs);\n"
    "                       the output keeps the order of a one-at-a-time run; a\n"
    "                       large BLAKE3 file is hashed by up to N threads\n"
    "  -r, --recursive      hash every file below each FILE that is a directory\n"
    "  -b, --binary         mark the lines with '*' before the name, as md5sum -b\n"
    "  -t, --text           no mark (the default)\n"
    "  -z, --zero           end each line with NUL, not newline, and don't escape names\n"
    "      --tag            print BSD-style lines: ALG (FILE) = DIGEST\n"
    "      --sfv            print SFV lines: FILE DIGEST (crc32, the default with it)\n"
    "      --upper          print digests in upper case\n"
    "      --progress       show the progress of files that take a while on stderr\n"
    "      --read=WAY       read files through a mapping (map), by read calls (read,\n"
    "                       ahead on a second thread unless -j 1), or the way\n"
    "                       measured fastest here (auto, the default)\n"
    "      --list           list the algorithms with their digest lengths and the\n"
    "                       standards they follow\n"
    "      --benchmark      measure the algorithms (all, or those of -a) in memory and\n"
    "                       print MB/s, cycles per byte and the code path in use\n"
    "  -c, --check          verify the files listed in each checksum FILE (GNU, BSD tag or\n"
    "                       SFV lines); the algorithm comes from -a, the line's tag, the\n"
    "                       checksum file's name (.md5, SHA256SUMS, ...) or the digest's length\n"
    "\n"
    "With --check:\n"
    "      --ignore-missing don't fail or report status for missing files\n"
    "      --quiet          don't print OK for each successfully verified file\n"
    "      --status         don't output anything, status code shows success\n"
    "      --strict         exit non-zero for improperly formatted checksum lines\n"
    "  -w, --warn           warn about improperly formatted checksum lines\n"
    "  -h, --help           show this help and exit\n"
    "      --version        show the version and exit\n"
    "\n"
    "Exit status: 0 if every file was hashed, 1 if some file could not be, 2 on misuse;\n"
    "128 + the signal's number after Ctrl+C (SIGINT), SIGTERM or SIGHUP.\n";

std::string AlgorithmNames() {
    std::string s;
    for (const auto& a : AlgorithmTable) {
        if (!s.empty()) s += ", ";
        s += a.Name;
    }
    return s;
}

[[noreturn]] void UsageError(const std::string& message) {
    std::fprintf(stderr, "quernsum: %s\nTry 'quernsum --help' for more information.\n",
                 message.c_str());
    std::exit(2);
}

// Standard output is checked once all is written: a full disk, a closed descriptor or a
// broken pipe loses the results, which is a failure (md5sum's "write error").
int FinishOutput(int status) {
    cli::output::Flush();
    int error = cli::output::Error();
    if (std::fflush(stdout) != 0 || std::ferror(stdout)) error = errno;
    if (error == 0) return status;
    std::fprintf(stderr, "quernsum: write error: %s\n", std::strerror(error));
    return 1;
}

// One -a: a name or a comma-separated list of names, added to those named before.
void AddAlgorithms(Options& o, std::string_view list) {
    for (;;) {
        const size_t comma = list.find(',');
        const std::string_view name = list.substr(0, comma);
        const int32_t id = AlgorithmIdFromName(name);
        if (id < 0)
            UsageError("invalid algorithm '" + std::string(name) +
                       "'; choose one of: " + AlgorithmNames());
        if (std::find(o.ids.begin(), o.ids.end(), id) == o.ids.end()) {
            o.ids.push_back(id);
            o.algorithms.emplace_back(name);
        }
        o.algorithmGiven = true;
        if (comma == std::string_view::npos) break;
        list.remove_prefix(comma + 1);
    }
}

void SetJobs(Options& o, std::string_view text) {
    unsigned n = 0;
    for (char c : text) {
        if (c < '0' || c > '9' || n > 4096) {
            n = 0;
            break;
        }
        n = n * 10 + unsigned(c - '0');
    }
    if (n < 1 || n > 4096) UsageError("invalid number of jobs '" + std::string(text) + "'");
    o.jobs = n;
}

// The value of argv[I] when it is the option Short or Long, in any of its forms (-a V, -aV,
// --algorithm V, --algorithm=V); I moves past a value given as the next argument.
std::optional<std::string_view> ValueOf(std::string_view Short, std::string_view Long,
                                        const char* What, int argc, char** argv, int& I) {
    const std::string_view arg = argv[I];
    if (arg == Short || arg == Long) {
        if (I + 1 >= argc) UsageError("option '" + std::string(arg) + "' needs " + What);
        return argv[++I];
    }
    if (arg.starts_with(Long) && arg.size() > Long.size() && arg[Long.size()] == '=')
        return arg.substr(Long.size() + 1);
    if (arg.starts_with(Short) && !arg.starts_with("--")) return arg.substr(Short.size());
    return std::nullopt;
}

Options Parse(int argc, char** argv) {
    Options o;
    bool optionsEnded = false;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (optionsEnded || arg == "-" || arg.size() < 2 || arg[0] != '-') {
            o.files.emplace_back(arg);
        } else if (arg == "--") {
            optionsEnded = true;
        } else if (auto list = ValueOf("-a", "--algorithm", "an algorithm", argc, argv, i)) {
            AddAlgorithms(o, *list);
        } else if (auto jobs = ValueOf("-j", "--jobs", "a number", argc, argv, i)) {
            SetJobs(o, *jobs);
        } else if (auto way = ValueOf("--read", "--read", "a way to read", argc, argv, i)) {
            if (*way == "auto" || *way == "map" || *way == "read")
                o.read = *way == "map"    ? engine::ReadStrategy::Map
                         : *way == "read" ? engine::ReadStrategy::Read
                                          : engine::ReadStrategy::Auto;
            else
                UsageError("invalid way to read '" + std::string(*way) +
                           "'; choose one of: auto, map, read");
        } else if (arg == "--benchmark") {
            o.benchmark = true;
        } else if (arg == "-r" || arg == "--recursive") {
            o.recursive = true;
        } else if (arg == "--tag") {
            o.tag = true;
            o.binary = 1;  // as in md5sum, a -t after --tag is refused, one before it is not
        } else if (arg == "--sfv") {
            o.sfv = true;
        } else if (arg == "-c" || arg == "--check") {
            o.checkMode = true;
        } else if (arg == "--quiet" || arg == "--status" || arg == "-w" || arg == "--warn") {
            o.check.report = arg == "--quiet"    ? check::Report::Quiet
                             : arg == "--status" ? check::Report::Status
                                                 : check::Report::Warn;
            o.checkOnly.emplace_back(arg);
        } else if (arg == "--strict") {
            o.check.strict = true;
            o.checkOnly.emplace_back(arg);
        } else if (arg == "--ignore-missing") {
            o.check.ignoreMissing = true;
            o.checkOnly.emplace_back(arg);
        } else if (arg == "-b" || arg == "--binary" || arg == "-t" || arg == "--text") {
            o.binary = arg == "-b" || arg == "--binary" ? 1 : 0;
            o.hashOnly.emplace_back(arg);
        } else if (arg == "-z" || arg == "--zero") {
            o.zero = true;
        } else if (arg == "--upper") {
            o.upper = true;
        } else if (arg == "--progress") {
            o.progress = true;
        } else if (arg == "--list") {
            for (const auto& a : AlgorithmTable)
                std::printf("%-10s %4d bits  %.*s\n", a.Name, a.HexLength * 4,
                            int(a.Standard.size()), a.Standard.data());
            std::exit(FinishOutput(0));
        } else if (arg == "-h" || arg == "--help") {
            std::fputs(kUsage, stdout);
            std::exit(FinishOutput(0));
        } else if (arg == "--version") {
            std::printf("quernsum (Quernix) %s\n", QUERNIX_VERSION);
            std::exit(FinishOutput(0));
        } else if (arg[1] != '-' && arg.find_first_not_of("bcrtwz", 1) == std::string_view::npos) {
            // Flags given together: -cw is -c -w.
            for (char flag : arg.substr(1)) {
                if (flag == 'c') {
                    o.checkMode = true;
                } else if (flag == 'r') {
                    o.recursive = true;
                } else if (flag == 'b' || flag == 't') {
                    o.binary = flag == 'b';
                    o.hashOnly.emplace_back(flag == 'b' ? "-b" : "-t");
                } else if (flag == 'z') {
                    o.zero = true;
                } else {
                    o.check.report = check::Report::Warn;
                    o.checkOnly.emplace_back("-w");
                }
            }
        } else {
            UsageError("unknown option '" + std::string(arg) + "'");
        }
    }
    if (o.benchmark) return o;
    if (o.files.empty()) o.files.emplace_back("-");
    if (o.checkMode) {
        const std::pair<bool, const char*> hashingOnly[] = {
            {o.tag, "--tag"}, {o.sfv, "--sfv"}, {o.upper, "--upper"}, {o.recursive, "-r"}};
        for (const auto& [given, flag] : hashingOnly)
            if (given)
                UsageError(std::string("the ") + flag +
                           " option is meaningless when verifying checksums");
        if (!o.hashOnly.empty())
            UsageError("the --binary and --text options are meaningless when verifying checksums");
        if (o.zero) UsageError("the --zero option is not supported when verifying checksums");
        if (o.ids.size() > 1) UsageError("--check takes one algorithm at most");
        o.check.algorithm = o.algorithmGiven ? o.ids.front() : -1;
        o.check.files = o.files;
        o.check.jobs = o.jobs;
        o.check.read = o.read;
    } else if (!o.checkOnly.empty()) {
        UsageError("the " + o.checkOnly.front() +
                   " option is meaningful only when verifying checksums");
    }
    if (o.tag && o.binary == 0) UsageError("--tag does not support --text mode");
    if (o.sfv) {
        if (o.tag) UsageError("--sfv and --tag cannot be combined");
        if (o.zero) UsageError("--sfv and --zero cannot be combined");
        if (!o.algorithmGiven) AddAlgorithms(o, "crc32");
        for (size_t i = 0; i < o.ids.size(); ++i)
            if (o.ids[i] != AlgorithmCrc32)
                UsageError("--sfv writes crc32 digests only, not " + o.algorithms[i]);
    }
    if (!o.algorithmGiven) AddAlgorithms(o, "md5");
    return o;
}

void PrintError(const std::string& path, const std::string& reason) {
    cli::output::Diagnose(check::Quote(path) + ": " + reason);
}

// The lines of one file, one per algorithm, written at once; a name SFV cannot carry is an
// error for that file.
bool PrintResults(const Options& o, const std::vector<std::string>& digests,
                  const std::string& path) {
    const sums::Form form = o.sfv ? sums::Form::Sfv : o.tag ? sums::Form::Bsd : sums::Form::Gnu;
    const sums::LineStyle style{o.upper, o.binary == 1, o.zero};
    std::string lines;
    for (size_t i = 0; i < digests.size(); ++i) {
        const std::optional<std::string> line =
            sums::FormatLine(form, o.ids[i], path, digests[i], style);
        if (!line) {
            PrintError(path, "the name cannot be written in an SFV line");
            return false;
        }
        lines += *line;
    }
    cli::output::Write(lines);
    return true;
}

// --progress: the engine calls back after every chunk; a line is shown on stderr once a file
// has taken half a second, and redrawn at most ten times a second. With several files at a
// time, only the file whose output comes next draws: its line is wiped before its result is
// printed, and no other file draws until then.
struct ProgressLine {
    std::string path;
    std::chrono::steady_clock::time_point start = std::chrono::steady_clock::now(), lastDraw;
    size_t drawnWidth = 0;

    explicit ProgressLine(const std::string& p) : path(p) {}
    void Draw(int64_t size, int64_t position) {
        const auto now = std::chrono::steady_clock::now();
        if (now - start < std::chrono::milliseconds(500) ||
            (drawnWidth > 0 && now - lastDraw < std::chrono::milliseconds(100)))
            return;
        lastDraw = now;
        const int percent = size > 0 ? int(position * 100 / size) : 100;
        char line[64];
        std::snprintf(line, sizeof line, ": %3d%%", percent);
        const std::string text = "quernsum: " + check::Quote(path) + line;
        std::fprintf(stderr, "\r%s", text.c_str());
        drawnWidth = text.size();
    }
    void End() {
        if (drawnWidth > 0) std::fprintf(stderr, "\r%*s\r", int(drawnWidth), "");
        drawnWidth = 0;
    }
};

// The lines of one file: a line per algorithm, or the reason on stderr; never a digest of a
// read that failed.
cli::Printer Lines(const Options& o, const std::string& path, std::vector<std::string> digests,
                   const engine::Error& error) {
    if (error.kind != engine::Failure::None)
        return [path, reason = engine::Describe(error)] {
            PrintError(path, reason);
            return false;
        };
    return [&o, path, d = std::move(digests)] { return PrintResults(o, d, path); };
}

// Hashes one file with every algorithm of the options (one read for several), drawing the
// progress line while the file is the run's head.
cli::Printer HashOne(const Options& o, const cli::OutputRun& run, uint64_t index,
                     const std::string& path, engine::Accept accept) {
    ProgressLine line(path);
    engine::Request request;
    request.path = path;
    request.algorithm = o.ids.front();
    request.accept = accept;
    request.read = o.read;
    request.threads = o.jobs;
    if (o.progress)
        request.progress = [&](int64_t size, int64_t position) {
            if (run.IsHead(index)) line.Draw(size, position);
        };
    std::vector<std::string> digests;
    engine::Error error;
    if (o.ids.size() == 1) {
        engine::Result r = engine::HashPath(request);
        error = r.error;
        digests.push_back(std::move(r.digest));
    } else {
        parallel::MultiResult r = parallel::HashPathMulti(request, o.ids, cli::OnlineCpus() - 1);
        error = r.error;
        digests = std::move(r.digests);
    }
    line.End();
    return Lines(o, path, std::move(digests), error);
}

bool Special(const std::string& path) {
    fileio::Kind kind;
    int error;
    return fileio::KindOf(path.c_str(), &kind, &error) && kind == fileio::Kind::Other;
}

// Names from the command line are read as md5sum reads them (pipes, /dev/stdin, devices);
// files found by -r must be regular files, so that a FIFO in a tree can't block. With workers,
// a named pipe or device is read on the main thread when its output is due: such a read may
// wait for a writer, as md5sum's does, but never holds a worker, and two names for one pipe
// are never read at once. The worker only looks at the name (stat opens nothing, so a FIFO's
// writer is not disturbed) and then takes regular files only, so a name turned into a FIFO
// meanwhile is refused rather than waited on.
void Hash(const Options& o, cli::OutputRun& run, const std::string& path, engine::Accept accept) {
    const uint64_t index = run.NextIndex();
    if (run.Jobs() < 2 || accept == engine::Accept::RegularFiles) {
        run.Submit(
            [&o, &run, index, path, accept] { return HashOne(o, run, index, path, accept); });
        return;
    }
    run.Submit([&o, &run, index, path]() -> cli::Printer {
        if (!Special(path)) return HashOne(o, run, index, path, engine::Accept::RegularFiles);
        return [&o, &run, index, path] {
            cli::output::Flush();  // what is out so far shows while the read waits
            return HashOne(o, run, index, path, engine::Accept::AnyReadable)();
        };
    });
}

// Standard input, read on the main thread when its output is due.
void HashStdin(const Options& o, cli::OutputRun& run) {
    run.Say([&o] {
        cli::output::Flush();
        cli::StreamDigests r = cli::HashStandardInput(o.ids);
        if (r.error != 0) {
            PrintError("-", std::strerror(r.error));
            return false;
        }
        return PrintResults(o, r.digests, "-");
    });
}

// Depth-first over a directory: entries in name order, hidden ones included. Symlinks to
// directories are not followed, so a link cycle cannot loop; symlinks to files are hashed, and
// a link that leads nowhere (dangling, or a loop) is an error. FIFOs, sockets and devices are
// not files to hash: each is named on stderr as skipped, without changing the exit status.
// Path grows by a name on the way down and shrinks again on the way up, and each level keeps
// its own names only, so memory grows with the depth rather than with its square. A path the
// system finds too long to open is reported as such.
void Walk(const Options& o, cli::OutputRun& run, std::string& path) {
    enum class Kind { Folder, File, Special, LinkedFolder };
    struct Item {
        std::string name;
        Kind kind;
    };
    std::vector<Item> items;
    std::error_code ec;
    for (fs::directory_iterator it(path, ec), end; !ec && it != end; it.increment(ec)) {
        std::error_code sec;
        const fs::file_status target = it->status(sec);
        Kind kind = Kind::Special;
        if (fs::is_directory(target))
            kind = it->is_symlink(sec) ? Kind::LinkedFolder : Kind::Folder;
        else if (sec || fs::is_regular_file(target))
            kind = Kind::File;  // a regular file, or a link the engine will name the failure of
        items.push_back({it->path().filename().native(), kind});
    }
    if (ec) {
        run.Say([path, reason = ec.message()] {
            PrintError(path, reason);
            return false;
        });
        return;
    }
    std::sort(items.begin(), items.end(),
              [](const Item& a, const Item& b) { return a.name < b.name; });
    const size_t length = path.size();
    for (const Item& item : items) {
        if (item.kind == Kind::LinkedFolder) continue;
        if (!path.empty() && path.back() != '/') path += '/';
        path += item.name;
        if (item.kind == Kind::Folder) {
            Walk(o, run, path);
        } else if (item.kind == Kind::File) {
            Hash(o, run, path, engine::Accept::RegularFiles);
        } else {
            run.Say([p = path] {
                PrintError(p, "Not a regular file (skipped)");
                return true;
            });
        }
        path.resize(length);
    }
}

int HashAll(const Options& o) {
    cli::OutputRun run(o.jobs);
    for (const std::string& path : o.files) {
        std::error_code ec;
        if (path == "-") {
            HashStdin(o, run);
        } else if (o.recursive && fs::is_directory(fs::status(path, ec))) {
            // A directory named on the command line is searched even when named through a
            // symlink.
            std::string walked = path;
            Walk(o, run, walked);
        } else {
            Hash(o, run, path, engine::Accept::AnyReadable);
        }
    }
    return run.Finish() ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    // The locale's character set tells which characters of a name a message shows as they are.
    std::setlocale(LC_CTYPE, "");
    const Options o = Parse(argc, argv);
    if (o.benchmark) {
        std::vector<int32_t> ids = o.ids;
        if (ids.empty())
            for (const auto& a : AlgorithmTable)
                ids.push_back(a.Id);
        return FinishOutput(cli::RunBenchmark(ids));
    }
    // Before any thread is started, so that none of them gets the signals.
    cli::WatchInterrupts();
    if (o.checkMode) return FinishOutput(check::Run(o.check));
    if (o.sfv) cli::output::Write(sums::SfvHeader());
    return FinishOutput(HashAll(o));
}
