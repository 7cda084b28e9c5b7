// quernsum -c: reads each checksum file with the checksum-file library, hashes every listed
// name with the engine and reports as coreutils' md5sum -c does.
#include "check.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <optional>

#include "checksumfile.h"
#include "filehash.h"
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

bool CheckFile(const Options& o, const std::string& file) {
    const bool standardInput = file == "-";
    const std::string shown = Quote(standardInput ? "standard input" : file);
    std::optional<sums::InputFile> input;
    if (!standardInput) {
        input.emplace(file);
        if (input->Fd() < 0) {
            Err(shown + ": " + std::strerror(input->Error()));
            return false;
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

    uint64_t entries = 0, malformed = 0, unreadable = 0, mismatched = 0, verified = 0;
    engine::Request request;
    request.accept = engine::Accept::RegularFiles;  // a listed FIFO or device must not block
    while (auto item = reader.Next()) {
        if (const auto* bad = std::get_if<sums::Malformed>(&*item)) {
            ++malformed;
            if (o.report == Report::Warn)
                Err(shown + ": " + std::to_string(bad->line) + ": " + formatted + " (" +
                    bad->reason + ")");
            continue;
        }
        const sums::Entry& entry = std::get<sums::Entry>(*item);
        ++entries;
        request.path = entry.name;
        const sums::Verdict v = sums::Verify(entry, [&request](int32_t algorithm) {
            request.algorithm = algorithm;
            return engine::HashPath(request);
        });
        switch (v.kind) {
            case sums::Verdict::Kind::Unreadable:
                if (o.ignoreMissing && v.error.kind == engine::Failure::NotFound &&
                    v.error.code == ENOENT)
                    break;
                ++unreadable;
                Err(Quote(entry.name) + ": " + engine::Describe(v.error));
                if (o.report != Report::Status) Out(Shown(entry.name) + ": FAILED open or read\n");
                break;
            case sums::Verdict::Kind::Mismatch:
                ++mismatched;
                ++verified;
                if (o.report != Report::Status) Out(Shown(entry.name) + ": FAILED\n");
                break;
            case sums::Verdict::Kind::Match:
                ++verified;
                if (o.report == Report::Normal || o.report == Report::Warn) {
                    std::string line = Shown(entry.name) + ": OK";
                    if (v.fallback)
                        line.append(" (").append(sums::AlgorithmName(v.algorithm)) += ')';
                    Out(line + "\n");
                }
                break;
        }
    }
    if (reader.ReadError() != 0) {  // a folder, or an I/O error; coreutils says no more
        Err(shown + ": read error");
        return false;
    }
    if (entries == 0) {
        Err(shown + ": no properly formatted checksum lines found");
        return false;
    }
    if (o.report != Report::Status) {
        if (malformed > 0)
            Err("WARNING: " + Count(malformed, "line is", "lines are") + " improperly formatted");
        if (unreadable > 0)
            Err("WARNING: " + Count(unreadable, "listed file", "listed files") +
                " could not be read");
        if (mismatched > 0)
            Err("WARNING: " + Count(mismatched, "computed checksum", "computed checksums") +
                " did NOT match");
    }
    if (o.ignoreMissing && verified == 0) {
        Err(shown + ": no file was verified");
        return false;
    }
    return mismatched == 0 && unreadable == 0 && !(o.strict && malformed > 0);
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
    bool ok = true;
    for (const std::string& file : options.files)
        ok = CheckFile(options, file) && ok;
    return ok ? 0 : 1;
}

}  // namespace check
