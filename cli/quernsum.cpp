// quernsum: the command-line front end over the Quernix hash engine.
//
//   quernsum [-a ALG] [--upper] [--tag | --sfv] [-r] [--progress] [FILE...]
//   quernsum -c [-a ALG] [--quiet | --status | -w] [--strict] [--ignore-missing] [FILE...]
//
// Prints one line per file in the format of coreutils' md5sum ("digest  path"), the BSD form
// with --tag, or SFV with --sfv; with -c, verifies the files listed in checksum files (check.h).
// Exit status: 0 all files hashed (or verified), 1 some file could not be, 2 usage.
#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "check.h"
#include "checksumfile.h"
#include "filehash.h"
#include "hashhead.h"
#include "hashstream.h"

#ifndef QUERNIX_VERSION
#define QUERNIX_VERSION "0"
#endif

namespace fs = std::filesystem;

namespace {

struct Options {
    std::string algorithm = "md5";
    int32_t id = 16;
    bool algorithmGiven = false;
    bool upper = false;
    bool tag = false;
    bool sfv = false;
    bool checkMode = false;
    check::Options check;
    std::vector<std::string> checkOnly;  // options that mean something only with -c
    bool recursive = false;
    bool progress = false;
    std::vector<std::string> files;
};

const char kUsage[] =
    "Usage: quernsum [OPTION]... [FILE]...\n"
    "Print a checksum or message digest of each FILE.\n"
    "With no FILE, or when FILE is -, read standard input.\n"
    "\n"
    "  -a, --algorithm=ALG  the algorithm to use (default md5); see --list\n"
    "  -r, --recursive      hash every file below each FILE that is a directory\n"
    "      --tag            print BSD-style lines: ALG (FILE) = DIGEST\n"
    "      --sfv            print SFV lines: FILE DIGEST (crc32, the default with it)\n"
    "      --upper          print digests in upper case\n"
    "      --progress       show the progress of files that take a while on stderr\n"
    "      --list           list the algorithms with their digest lengths\n"
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
    "Exit status: 0 if every file was hashed, 1 if some file could not be, 2 on misuse.\n";

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
    if (std::fflush(stdout) != 0 || std::ferror(stdout)) {
        const int error = errno;
        std::fprintf(stderr, "quernsum: write error%s%s\n", error ? ": " : "",
                     error ? std::strerror(error) : "");
        return 1;
    }
    return status;
}

void SetAlgorithm(Options& o, std::string_view name) {
    o.id = AlgorithmIdFromName(name);
    if (o.id < 0)
        UsageError("invalid algorithm '" + std::string(name) +
                   "'; choose one of: " + AlgorithmNames());
    o.algorithm = name;
    o.algorithmGiven = true;
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
        } else if (arg == "-a" || arg == "--algorithm") {
            if (i + 1 >= argc) UsageError("option '" + std::string(arg) + "' needs an algorithm");
            SetAlgorithm(o, argv[++i]);
        } else if (arg.starts_with("--algorithm=")) {
            SetAlgorithm(o, arg.substr(12));
        } else if (arg.starts_with("-a") && arg[1] == 'a') {
            SetAlgorithm(o, arg.substr(2));
        } else if (arg == "-r" || arg == "--recursive") {
            o.recursive = true;
        } else if (arg == "--tag") {
            o.tag = true;
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
        } else if (arg == "--upper") {
            o.upper = true;
        } else if (arg == "--progress") {
            o.progress = true;
        } else if (arg == "--list") {
            for (const auto& a : AlgorithmTable)
                std::printf("%-10s %4d bits\n", a.Name, a.HexLength * 4);
            std::exit(FinishOutput(0));
        } else if (arg == "-h" || arg == "--help") {
            std::fputs(kUsage, stdout);
            std::exit(FinishOutput(0));
        } else if (arg == "--version") {
            std::printf("quernsum (Quernix) %s\n", QUERNIX_VERSION);
            std::exit(FinishOutput(0));
        } else if (arg[1] != '-' && arg.find_first_not_of("crw", 1) == std::string_view::npos) {
            // Flags given together: -cw is -c -w.
            for (char flag : arg.substr(1)) {
                if (flag == 'c') {
                    o.checkMode = true;
                } else if (flag == 'r') {
                    o.recursive = true;
                } else {
                    o.check.report = check::Report::Warn;
                    o.checkOnly.emplace_back("-w");
                }
            }
        } else {
            UsageError("unknown option '" + std::string(arg) + "'");
        }
    }
    if (o.files.empty()) o.files.emplace_back("-");
    if (o.checkMode) {
        const std::pair<bool, const char*> hashingOnly[] = {
            {o.tag, "--tag"}, {o.sfv, "--sfv"}, {o.upper, "--upper"}, {o.recursive, "-r"}};
        for (const auto& [given, flag] : hashingOnly)
            if (given)
                UsageError(std::string("the ") + flag +
                           " option is meaningless when verifying checksums");
        o.check.algorithm = o.algorithmGiven ? o.id : -1;
        o.check.files = o.files;
    } else if (!o.checkOnly.empty()) {
        UsageError("the " + o.checkOnly.front() +
                   " option is meaningful only when verifying checksums");
    }
    if (o.sfv) {
        if (o.tag) UsageError("--sfv and --tag cannot be combined");
        if (!o.algorithmGiven) SetAlgorithm(o, "crc32");
        if (o.id != AlgorithmCrc32)
            UsageError("--sfv writes crc32 digests only, not " + o.algorithm);
    }
    return o;
}

// One line in the chosen form; a name SFV cannot carry is an error for that file.
bool PrintResult(const Options& o, const std::string& digest, const std::string& path) {
    const sums::Form form = o.sfv ? sums::Form::Sfv : o.tag ? sums::Form::Bsd : sums::Form::Gnu;
    const std::optional<std::string> line = sums::FormatLine(form, o.id, path, digest, o.upper);
    if (!line) {
        std::fflush(stdout);
        std::fprintf(stderr, "quernsum: %s: the name cannot be written in an SFV line\n",
                     path.c_str());
        return false;
    }
    std::fwrite(line->data(), 1, line->size(), stdout);
    return true;
}

void PrintError(const std::string& path, const std::string& reason) {
    std::fflush(stdout);
    std::fprintf(stderr, "quernsum: %s: %s\n", path.c_str(), reason.c_str());
}

// --progress: the engine calls back after every chunk; a line is shown on stderr once a file
// has taken half a second, and redrawn at most ten times a second.
struct ProgressLine {
    bool enabled = false;
    std::string path;
    std::chrono::steady_clock::time_point start, lastDraw;
    size_t drawnWidth = 0;

    void Begin(const std::string& p) {
        path = p;
        start = lastDraw = std::chrono::steady_clock::now();
    }
    void Draw(int64_t size, int64_t position) {
        const auto now = std::chrono::steady_clock::now();
        if (now - start < std::chrono::milliseconds(500) ||
            (drawnWidth > 0 && now - lastDraw < std::chrono::milliseconds(100)))
            return;
        lastDraw = now;
        const int percent = size > 0 ? int(position * 100 / size) : 100;
        char line[64];
        std::snprintf(line, sizeof line, ": %3d%%", percent);
        const std::string text = "quernsum: " + path + line;
        std::fprintf(stderr, "\r%s", text.c_str());
        drawnWidth = text.size();
    }
    void End() {
        if (drawnWidth > 0) std::fprintf(stderr, "\r%*s\r", int(drawnWidth), "");
        drawnWidth = 0;
    }
};
ProgressLine g_progress;

// Hashes one file and prints its line, or the engine's reason on stderr. Names from the command
// line are read as md5sum reads them (pipes, /dev/stdin, devices); files found by -r must be
// regular files, so that a FIFO in a tree can't block.
bool HashOne(const Options& o, const std::string& path, engine::Accept accept) {
    engine::Request request;
    request.path = path;
    request.algorithm = o.id;
    request.accept = accept;
    if (g_progress.enabled)
        request.progress = [](int64_t size, int64_t position) { g_progress.Draw(size, position); };
    g_progress.Begin(path);
    const engine::Result result = engine::HashPath(request);
    g_progress.End();
    if (!result.ok()) {
        PrintError(path, engine::Describe(result.error));
        return false;
    }
    return PrintResult(o, result.digest, path);
}

bool HashStdin(const Options& o) {
    THashStream stream(o.id);
    std::vector<char> buf(256 * 1024);
    size_t n;
    while ((n = std::fread(buf.data(), 1, buf.size(), stdin)) > 0)
        stream.Update(buf.data(), n);
    if (std::ferror(stdin)) {
        PrintError("-", std::strerror(errno));
        return false;
    }
    return PrintResult(o, stream.Final(), "-");
}

// Depth-first over a directory: entries in name order, hidden ones included. Symlinks to
// directories are not followed, so a link cycle cannot loop; symlinks to files are hashed, and
// a link that leads nowhere (dangling, or a loop) is an error. FIFOs, sockets and devices are
// not files to hash: each is named on stderr as skipped, without changing the exit status.
bool Walk(const Options& o, const fs::path& dir) {
    std::error_code ec;
    std::vector<fs::directory_entry> entries;
    for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec))
        entries.push_back(*it);
    if (ec) {
        PrintError(dir.string(), ec.message());
        return false;
    }
    std::sort(entries.begin(), entries.end(),
              [](const auto& a, const auto& b) { return a.path().native() < b.path().native(); });
    bool ok = true;
    for (const auto& e : entries) {
        std::error_code sec;
        const fs::file_status target = e.status(sec);
        if (e.is_symlink(sec) && fs::is_directory(target)) continue;
        if (fs::is_directory(target)) {
            ok = Walk(o, e.path()) && ok;
        } else if (sec || fs::is_regular_file(target)) {
            // A regular file, or a link the engine will name the failure of.
            ok = HashOne(o, e.path().string(), engine::Accept::RegularFiles) && ok;
        } else {
            PrintError(e.path().string(), "Not a regular file (skipped)");
        }
    }
    return ok;
}

}  // namespace

int main(int argc, char** argv) {
    const Options o = Parse(argc, argv);
    if (o.checkMode) return FinishOutput(check::Run(o.check));
    if (o.sfv) std::fputs(sums::SfvHeader().c_str(), stdout);
    g_progress.enabled = o.progress;
    bool ok = true;
    for (const std::string& path : o.files) {
        if (path == "-") {
            ok = HashStdin(o) && ok;
            continue;
        }
        std::error_code ec;
        // A directory named on the command line is searched even when named through a symlink.
        if (o.recursive && fs::is_directory(fs::status(path, ec))) {
            ok = Walk(o, path) && ok;
        } else {
            ok = HashOne(o, path, engine::Accept::AnyReadable) && ok;
        }
    }
    return FinishOutput(ok ? 0 : 1);
}
