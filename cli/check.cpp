// quernsum -c: reads each checksum file with the checksum-file library, hashes every listed
// name with the engine and reports as coreutils' md5sum -c does.
#include "check.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <cwchar>
#include <cwctype>
#include <filesystem>
#include <memory>
#include <optional>

#include "checksumfile.h"
#include "fanout.h"
#include "filehash.h"
#include "output.h"
#include "outputrun.h"
#include "streamhash.h"

namespace check {

namespace {

void Out(const std::string& text) {
    cli::output::Write(text);
}

void Err(const std::string& text) {
    cli::output::Diagnose(text);
}

// The name on a result line, as coreutils 9.1 writes it: a name that holds a newline has it
// written \n and its backslashes \\, and the line starts with a backslash, so every result
// is one line; any other name (a carriage return in it too) is written as it is.
std::string Shown(const std::string& name) {
    if (name.find('\n') == std::string::npos) return name;
    std::string out(1, '\\');
    for (char c : name) {
        if (c == '\n')
            out += "\\n";
        else if (c == '\\')
            out += "\\\\";
        else
            out += c;
    }
    return out;
}

// "1 line is" / "2 lines are".
std::string Count(uint64_t n, const char* one, const char* many) {
    return std::to_string(n) + " " + (n == 1 ? one : many);
}

// What the lines of one checksum file came to, counted on the main thread as their results
// are printed, in order.
struct Tally {
    uint64_t entries = 0, malformed = 0, unreadable = 0, mismatched = 0, matched = 0;
};

// The line of one verdict, and its count.
bool PrintVerdict(const Options& o, const sums::Entry& entry, const sums::Verdict& v, Tally& t) {
    switch (v.kind) {
        case sums::Verdict::Kind::Unreadable:
            if (o.ignoreMissing && v.error.kind == engine::Failure::NotFound &&
                v.error.code == ENOENT)
                break;
            ++t.unreadable;
            Err(Quote(entry.name) + ": " + engine::Describe(v.error));
            if (o.report != Report::Status) Out(Shown(entry.name) + ": FAILED open or read\n");
            break;
        case sums::Verdict::Kind::Mismatch:
            ++t.mismatched;
            if (o.report == Report::Status) break;
            Out(Shown(entry.name) + ": FAILED\n");
            for (int32_t other : v.notTried)
                Err(Quote(entry.name) + ": not tried as " +
                    std::string(sums::AlgorithmName(other)) +
                    ", which takes many times as long as " +
                    std::string(sums::AlgorithmName(entry.algorithm)) + " (-a " +
                    std::string(sums::AlgorithmName(other)) + " tries it)");
            break;
        case sums::Verdict::Kind::Match:
            ++t.matched;
            if (o.report == Report::Normal || o.report == Report::Warn) {
                std::string line = Shown(entry.name) + ": OK";
                if (v.fallback) line.append(" (").append(sums::AlgorithmName(v.algorithm)) += ')';
                Out(line + "\n");
            }
            break;
    }
    return true;
}

// The warnings with counts after the last line, and whether the checksum file passed.
bool Summary(const Options& o, const std::string& shown, const Tally& t) {
    if (t.entries == 0) {
        Err(shown + ": no properly formatted checksum lines found");
        return false;
    }
    if (o.report != Report::Status) {
        if (t.malformed > 0)
            Err("WARNING: " + Count(t.malformed, "line is", "lines are") + " improperly formatted");
        if (t.unreadable > 0)
            Err("WARNING: " + Count(t.unreadable, "listed file", "listed files") +
                " could not be read");
        if (t.mismatched > 0)
            Err("WARNING: " + Count(t.mismatched, "computed checksum", "computed checksums") +
                " did NOT match");
    }
    // As coreutils: with --ignore-missing, a run where no listed file matched fails.
    if (o.ignoreMissing && t.matched == 0) {
        if (o.report != Report::Status) Err(shown + ": no file was verified");
        return false;
    }
    return t.mismatched == 0 && t.unreadable == 0 && !(o.strict && t.malformed > 0);
}

// Hashes the listed file once with the entry's algorithm and, when only the digest's length
// decided it, with the others of that length that are not much slower.
sums::Verdict VerifyOne(const Options& o, const sums::Entry& entry) {
    engine::Request request;
    // A listed FIFO or device must not block.
    request.accept = engine::Accept::RegularFiles;
    request.read = o.read;
    request.threads = o.jobs;
    request.path = entry.name;
    request.algorithm = entry.algorithm;
    const sums::Candidates c = sums::CandidatesFor(entry, [&entry] {
        std::error_code ec;
        const uintmax_t size = std::filesystem::file_size(entry.name, ec);
        return ec ? int64_t(-1) : int64_t(size);
    });
    if (c.tried.size() == 1) {
        engine::Result r = engine::HashPath(request);
        return sums::Judge(entry, c, {std::move(r.digest)}, r.error);
    }
    parallel::MultiResult r = parallel::HashPathMulti(request, c.tried, cli::OnlineCpus() - 1);
    return sums::Judge(entry, c, r.digests, r.error);
}

// Reads the checksum file line by line on this thread; every listed file is a job of Run, its
// verdict printed in its turn, so the output is that of one file at a time.
void CheckFile(const Options& o, const std::string& file, cli::OutputRun& run) {
    const bool standardInput = file == "-";
    const std::string shown = Quote(standardInput ? "standard input" : file);
    std::optional<sums::InputFile> input;
    if (!standardInput) {
        input.emplace(file);
        if (input->Fd() < 0) {
            run.Say([text = shown + ": " + std::strerror(input->Error())] {
                Err(text);
                return false;
            });
            return;
        }
    }
    sums::Reader reader(sums::FromFd(input ? input->Fd() : 0),
                        {o.algorithm, standardInput ? std::string() : file});
    std::string formatted = "improperly formatted ";
    if (o.algorithm >= 0) {
        for (char c : sums::AlgorithmName(o.algorithm))
            formatted += c >= 'a' && c <= 'z' ? char(c - 'a' + 'A') : c;
        formatted += ' ';
    }
    formatted += "checksum line";

    auto tally = std::make_shared<Tally>();
    const auto malformed = [&](uint64_t line, const std::string& reason) {
        std::string warning;
        if (o.report == Report::Warn)
            warning = shown + ": " + std::to_string(line) + ": " + formatted + " (" + reason + ")";
        run.Say([tally, warning] {
            ++tally->malformed;
            if (!warning.empty()) Err(warning);
            return true;
        });
    };
    while (auto item = reader.Next()) {
        if (const auto* bad = std::get_if<sums::Malformed>(&*item)) {
            malformed(bad->line, bad->reason());
            continue;
        }
        auto entry = std::get<sums::Entry>(std::move(*item));
        if (entry.name == "-") {
            // Standard input, read on this thread in its turn; not when it is the checksum
            // file itself.
            if (standardInput) {
                malformed(entry.line, "standard input is the checksum file");
                continue;
            }
            ++tally->entries;
            run.Say([&o, tally, entry = std::move(entry)] {
                const sums::Candidates c = sums::CandidatesFor(entry, [] { return -1; });
                cli::StreamDigests r = cli::HashStandardInput(c.tried);
                const engine::Error error{
                    r.error ? engine::Failure::ReadError : engine::Failure::None, r.error};
                return PrintVerdict(o, entry, sums::Judge(entry, c, r.digests, error), *tally);
            });
            continue;
        }
        ++tally->entries;
        run.Submit([&o, tally, entry = std::move(entry)] {
            return cli::Printer([&o, tally, entry, v = VerifyOne(o, entry)] {
                return PrintVerdict(o, entry, v, *tally);
            });
        });
    }
    const int readError = reader.ReadError();
    run.Say([&o, shown, tally, readError] {
        if (readError != 0) {  // a folder, or an I/O error; coreutils says no more
            Err(shown + ": read error");
            return false;
        }
        return Summary(o, shown, *tally);
    });
}

}  // namespace

std::string Quote(std::string_view name) {
    // The name in characters of the locale: a printable one is written as it is; any other
    // (a control character, a byte that is no character) by escapes, one per byte.
    struct Piece {
        std::string_view bytes;
        bool printable;
    };
    std::vector<Piece> pieces;
    bool plain = !name.empty() && name[0] != '~' && name[0] != '#', escapes = false;
    std::mbstate_t state{};
    for (size_t i = 0; i < name.size();) {
        wchar_t wc = 0;
        size_t n = std::mbrtowc(&wc, name.data() + i, name.size() - i, &state);
        bool printable = n != size_t(-1) && n != size_t(-2) && n != 0 && std::iswprint(wint_t(wc));
        if (!printable) {
            n = 1;
            state = {};
        }
        const std::string_view bytes = name.substr(i, n);
        if (!printable) escapes = true;
        if (!printable || (n == 1 && std::strchr(" !\"$&'()*:;<=>?[\\]^`|", bytes[0])))
            plain = false;
        pieces.push_back({bytes, printable});
        i += n;
    }
    if (plain) return std::string(name);
    if (!escapes && name.find_first_of("\"$`\\!") == std::string_view::npos &&
        name.find('\'') != std::string_view::npos)
        return std::string(1, '"').append(name) + '"';
    // Single quotes; a quote and every run of escapes step outside them: '\'' and $'...'.
    bool escaping = false;
    std::string out = "'";
    for (const Piece& p : pieces) {
        if (p.printable) {
            if (p.bytes == "'")
                out += "'\\''";  // ends the quotes, or the escapes, alike
            else
                out.append(escaping ? "''" : "").append(p.bytes);
            escaping = false;
            continue;
        }
        if (!escaping) out += "'$'";
        escaping = true;
        const unsigned char c = static_cast<unsigned char>(p.bytes[0]);
        static const char kNamed[] = "\a\b\t\n\v\f\r";
        const char* named = c != 0 ? std::strchr(kNamed, c) : nullptr;
        char escape[8];
        if (named)
            std::snprintf(escape, sizeof escape, "\\%c", "abtnvfr"[named - kNamed]);
        else
            std::snprintf(escape, sizeof escape, "\\%03o", c);
        out += escape;
    }
    out += '\'';
    return out;
}

int Run(const Options& options) {
    cli::OutputRun run(options.jobs);
    for (const std::string& file : options.files)
        CheckFile(options, file, run);
    return run.Finish() ? 0 : 1;
}

}  // namespace check
