// Algorithm names and lengths, writing checksum lines, and verifying one entry.
#include "checksumfile.h"

#include <algorithm>

#include "hashhead.h"
#include "hextext.h"
#include "pathtext.h"

namespace sums {

namespace {

using hextext::Lower;
using hextext::Upper;

// Whether two tags are the same spelling, compared without case and dashes ("sha-256" and
// "SHA256").
bool SameTag(std::string_view a, std::string_view b) {
    size_t i = 0, j = 0;
    for (;;) {
        while (i < a.size() && a[i] == '-')
            ++i;
        while (j < b.size() && b[j] == '-')
            ++j;
        if (i == a.size() || j == b.size()) return i == a.size() && j == b.size();
        if (Upper(a[i++]) != Upper(b[j++])) return false;
    }
}

// Calls Each with every space-separated word of a column of the table, until it returns true.
template <class F>
bool AnyWord(std::string_view list, F each) {
    while (!list.empty()) {
        const size_t space = list.find(' ');
        const std::string_view word = list.substr(0, space);
        if (!word.empty() && each(word)) return true;
        list = space == std::string_view::npos ? std::string_view() : list.substr(space + 1);
    }
    return false;
}

}  // namespace

std::string Malformed::reason() const {
    const auto named = [](int32_t id) { return std::string(AlgorithmName(id)); };
    switch (code) {
        case Code::NotChecksumLine:
            return "not a checksum line";
        case Code::NulByte:
            return "contains a NUL byte";
        case Code::NoFileName:
            return "no file name";
        case Code::UnknownEscape:
            return "unknown backslash escape in the file name";
        case Code::UnknownTag:
            return "unknown algorithm tag '" + tag + "'";
        case Code::OtherAlgorithm:
            return "a " + named(algorithm) + " line, not " + named(chosen);
        case Code::UnknownLength:
            return "no algorithm has digests of " + std::to_string(count) + " hex digits";
        case Code::WrongLength:
            return std::to_string(count) + " hex digits for " + named(algorithm) + ", not " +
                   std::to_string(AlgorithmHexLength(algorithm));
        case Code::TooLong:
            return "line longer than " + std::to_string(count) + " bytes";
    }
    return "malformed line";
}

int32_t AlgorithmFromTag(std::string_view tag) {
    if (tag.find_first_not_of('-') == std::string_view::npos) return -1;
    const auto same = [&](std::string_view spelling) { return SameTag(spelling, tag); };
    for (const TAlgorithmInfo& a : AlgorithmTable)
        if (same(a.Name) || same(a.Tag) || AnyWord(a.Aliases, same)) return a.Id;
    return -1;
}

int32_t AlgorithmFromFileName(std::string_view path) {
    const size_t slash = path.rfind('/');
    const std::string base = Upper(slash == std::string_view::npos ? path : path.substr(slash + 1));
    // An extension decides before a whole name: "MD5SUMS.sha1" holds SHA-1 digests.
    const size_t dot = base.rfind('.');
    if (dot != std::string::npos) {
        const std::string_view ext = std::string_view(base).substr(dot);
        for (const TAlgorithmInfo& a : AlgorithmTable)
            if (AnyWord(a.Files, [&](std::string_view f) { return Upper(f) == ext; })) return a.Id;
    }
    for (const TAlgorithmInfo& a : AlgorithmTable)
        if (AnyWord(a.Files, [&](std::string_view f) { return f[0] != '.' && Upper(f) == base; }))
            return a.Id;
    return -1;
}

int32_t AlgorithmFromLength(size_t hexLength) {
    const TAlgorithmInfo* first = nullptr;
    for (const TAlgorithmInfo& a : AlgorithmTable)
        if (size_t(a.HexLength) == hexLength && (!first || a.LengthOrder < first->LengthOrder))
            first = &a;
    return first ? first->Id : -1;
}

std::vector<int32_t> AlternativesTo(int32_t algorithm) {
    std::vector<const TAlgorithmInfo*> others;
    const TAlgorithmInfo* info = AlgorithmById(algorithm);
    if (!info) return {};
    for (const TAlgorithmInfo& a : AlgorithmTable)
        if (a.HexLength == info->HexLength && a.Id != algorithm) others.push_back(&a);
    std::stable_sort(others.begin(), others.end(),
                     [](const auto* x, const auto* y) { return x->LengthOrder < y->LengthOrder; });
    std::vector<int32_t> out;
    for (const TAlgorithmInfo* a : others)
        out.push_back(a->Id);
    return out;
}

std::string_view AlgorithmName(int32_t algorithm) {
    const TAlgorithmInfo* info = AlgorithmById(algorithm);
    return info ? info->Name : "";
}

std::string_view AlgorithmTag(int32_t algorithm) {
    const TAlgorithmInfo* info = AlgorithmById(algorithm);
    return info ? info->Tag : "";
}

int32_t AlgorithmHexLength(int32_t algorithm) {
    const TAlgorithmInfo* info = AlgorithmById(algorithm);
    return info ? info->HexLength : 0;
}

std::vector<std::string_view> ChecksumFileNames(int32_t algorithm) {
    std::vector<std::string_view> out;
    if (const TAlgorithmInfo* info = AlgorithmById(algorithm))
        AnyWord(info->Files, [&](std::string_view f) {
            out.push_back(f);
            return false;
        });
    return out;
}

std::optional<std::string> Unescape(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\') {
            out += text[i];
            continue;
        }
        if (++i == text.size()) return std::nullopt;
        switch (text[i]) {
            case '\\':
                out += '\\';
                break;
            case 'n':
                out += '\n';
                break;
            case 'r':
                out += '\r';
                break;
            default:
                return std::nullopt;
        }
    }
    return out;
}

std::optional<std::string> FormatLine(Form form, int32_t algorithm, std::string_view name,
                                      std::string_view digest, const LineStyle& style) {
    std::string hex(digest);
    hex = style.upper ? Upper(hex) : Lower(hex);
    std::string escaped, line;
    // A name as the line carries it: escaped, with the line's leading backslash, or as it is.
    const auto named = [&] {
        if (style.zero)
            escaped = name;
        else if (pathtext::Escape(
                     name, escaped,
                     style.text ? pathtext::Style::ChecksumText : pathtext::Style::Checksum))
            line += '\\';
    };
    switch (form) {
        case Form::Gnu:
            named();
            line.append(hex).append(style.binary ? " *" : "  ").append(escaped);
            break;
        case Form::Bsd:
            named();
            line.append(AlgorithmTag(algorithm)).append(" (").append(escaped);
            line.append(") = ").append(hex);
            break;
        case Form::Sfv:
            if (algorithm != AlgorithmCrc32 || name.empty() ||
                name.find_first_of("\r\n") != std::string_view::npos || name[0] == ';' ||
                name[0] == '#')
                return std::nullopt;
            line.append(name).append(" ").append(hex);
            break;
    }
    line += style.zero ? '\0' : '\n';
    return line;
}

std::string SfvHeader() {
    return "; Generated by Quernix\n";
}

namespace {

bool Matches(const Entry& entry, const std::string& digest) {
    return digest.size() == entry.expected.size() &&
           std::equal(digest.begin(), digest.end(), entry.expected.begin(),
                      [](char a, char b) { return Lower(a) == b; });
}

}  // namespace

Verdict Verify(const Entry& entry, const HashFunction& hash) {
    Verdict v;
    v.algorithm = entry.algorithm;
    const engine::Result first = hash(entry.algorithm);
    if (!first.ok()) {
        v.error = first.error;
        return v;
    }
    v.computed = first.digest;
    v.kind = Matches(entry, first.digest) ? Verdict::Kind::Match : Verdict::Kind::Mismatch;
    if (v.kind == Verdict::Kind::Match || entry.origin != Origin::Length) return v;
    for (int32_t other : AlternativesTo(entry.algorithm)) {
        const engine::Result r = hash(other);
        if (!r.ok()) {
            // Stopped, or the file went away: what it would have matched is not known.
            v.kind = Verdict::Kind::Unreadable;
            v.error = r.error;
            return v;
        }
        if (Matches(entry, r.digest)) {
            v.kind = Verdict::Kind::Match;
            v.algorithm = other;
            v.fallback = true;
            break;
        }
    }
    return v;
}

Candidates CandidatesFor(const Entry& entry, const std::function<int64_t()>& size) {
    Candidates c;
    c.tried.push_back(entry.algorithm);
    if (entry.origin != Origin::Length) return c;
    const int own = AlgorithmById(entry.algorithm)->Cost;
    std::optional<int64_t> bytes;
    for (int32_t other : AlternativesTo(entry.algorithm)) {
        if (AlgorithmById(other)->Cost > kCostlier * own) {
            if (!bytes) bytes = size ? size() : -1;
            if (*bytes < 0 || *bytes > kSmallFile) {
                c.leftOut.push_back(other);
                continue;
            }
        }
        c.tried.push_back(other);
    }
    return c;
}

Verdict Judge(const Entry& entry, const Candidates& candidates,
              const std::vector<std::string>& digests, const engine::Error& error) {
    Verdict v;
    v.algorithm = entry.algorithm;
    if (error.kind != engine::Failure::None || digests.size() != candidates.tried.size() ||
        digests.empty()) {
        v.error = error;
        return v;
    }
    v.computed = digests.front();
    v.kind = Verdict::Kind::Mismatch;
    for (size_t i = 0; i < digests.size(); ++i) {
        if (!Matches(entry, digests[i])) continue;
        v.kind = Verdict::Kind::Match;
        v.algorithm = candidates.tried[i];
        v.fallback = i > 0;
        return v;
    }
    v.notTried = candidates.leftOut;
    return v;
}

}  // namespace sums
