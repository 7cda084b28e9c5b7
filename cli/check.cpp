// quernsum -c: reads each checksum file with the checksum-file library, hashes every listed
// name with the engine and reports as coreutils' md5sum -c does.
#include "check.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <optional>

#include "checksumfile.h"
#include "filehash.h"
#include "outputrun.h"
#include "pathtext.h"

namespace check {

namespace {

void Out(const std::string& text) {
    std::fwrite(text.data(), 1, text.size(), stdout);
}

void Err(const std::string& text) {
    std::fflush(stdout);
    std::fprintf(stderr, "quernsum: %s\n", text.c_str());
}

// The name on a result line: as coreutils does, a name that holds a line break is escaped (and
// then its backslashes too) and the line starts with a backslash, so every result is one line.
std::string Shown(const std::string& name) {
    if (name.find_first_of("\n\r") == std::string::npos) return name;
    std::string out(1, '\\');
    pathtext::Escape(name, out, pathtext::Style::Checksum);
    return out;
}

// "1 line is" / "2 lines are".
std::string Count(uint64_t n, const char* one, const char* many) {
    return std::to_string(n) + " " + (n == 1 ? one : many);
}

// What the lines of one checksum file came to, counted on the main thread as their results
// are printed, in order.
struct Tally {
    uint64_t entries = 0, malformed = 0, unreadable = 0, mismatched = 0, verified = 0;
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
            ++t.verified;
            if (o.report != Report::Status) Out(Shown(entry.name) + ": FAILED\n");
            break;
        case sums::Verdict::Kind::Match:
            ++t.verified;
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
    if (o.ignoreMissing && t.verified == 0) {
        Err(shown + ": no file was verified");
        return false;
    }
    return t.mismatched == 0 && t.unreadable == 0 && !(o.strict && t.malformed > 0);
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
    while (auto item = reader.Next()) {
        if (run.Stopped()) return;
        if (const auto* bad = std::get_if<sums::Malformed>(&*item)) {
            std::string warning;
            if (o.report == Report::Warn)
                warning = shown + ": " + std::to_string(bad->line) + ": " + formatted + " (" +
                          bad->reason + ")";
            run.Say([tally, warning] {
                ++tally->malformed;
                if (!warning.empty()) Err(warning);
                return true;
            });
            continue;
        }
        ++tally->entries;
        run.Submit([&o, &run, tally, entry = std::get<sums::Entry>(std::move(*item))] {
            engine::Request request;
            // A listed FIFO or device must not block.
            request.accept = engine::Accept::RegularFiles;
            request.read = o.read;
            request.path = entry.name;
            request.stop = &run.StopFlag();
            const sums::Verdict v = sums::Verify(entry, [&request](int32_t algorithm) {
                request.algorithm = algorithm;
                return engine::HashPath(request);
            });
            return cli::Printer(
                [&o, tally, entry, v] { return PrintVerdict(o, entry, v, *tally); });
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
    bool plain = !name.empty(), control = false;
    for (size_t i = 0; i < name.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(name[i]);
        if (c < 0x20 || c == 0x7f) control = true;
        if (c < 0x20 || c == 0x7f || std::strchr(" !\"$&'()*:;<=>?[\\]^`|", c) ||
            (i == 0 && (c == '~' || c == '#')))
            plain = false;
    }
    if (plain) return std::string(name);
    if (!control && name.find_first_of("\"$`\\!") == std::string_view::npos &&
        name.find('\'') != std::string_view::npos)
        return std::string(1, '"').append(name) + '"';
    // Single quotes; a quote and a control character step outside them.
    std::string out = "'";
    for (char ch : name) {
        const unsigned char c = static_cast<unsigned char>(ch);
        if (c == '\'') {
            out += "'\\''";
        } else if (c < 0x20 || c == 0x7f) {
            static const char* kNamed = "\a\b\t\n\v\f\r";
            const char* named = c ? std::strchr(kNamed, c) : nullptr;
            char escape[8];
            if (named)
                std::snprintf(escape, sizeof escape, "\\%c", "abtnvfr"[named - kNamed]);
            else
                std::snprintf(escape, sizeof escape, "\\%03o", c);
            out.append("'$'").append(escape) += "''";
        } else {
            out += ch;
        }
    }
    out += '\'';
    // '' pairs left between two escapes or at the ends say nothing.
    if (out.starts_with("''")) out.erase(0, 2);
    if (out.size() > 2 && out.ends_with("''")) out.resize(out.size() - 2);
    return out;
}

int Run(const Options& options) {
    cli::OutputRun run(options.jobs);
    for (const std::string& file : options.files) {
        if (run.Stopped()) break;
        CheckFile(options, file, run);
    }
    return run.Finish() ? 0 : 1;
}

}  // namespace check
