// Algorithm names and lengths, writing checksum lines, and verifying one entry.
#include "checksumfile.h"

#include <algorithm>

#include "hashhead.h"

namespace sums {

namespace {

char Upper(char c) {
    return c >= 'a' && c <= 'z' ? char(c - 'a' + 'A') : c;
}
char Lower(char c) {
    return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c;
}

std::string UpperCase(std::string_view s) {
    std::string out(s);
    std::transform(out.begin(), out.end(), out.begin(), Upper);
    return out;
}

const TAlgorithmInfo* Info(int32_t algorithm) {
    for (const auto& a : AlgorithmTable)
        if (a.Id == algorithm) return &a;
    return nullptr;
}

// The algorithm an upper-case tag without dashes spells, or -1.
int32_t FromNormalisedTag(std::string_view tag) {
    struct Alias {
        std::string_view tag, name;
    };
    static constexpr Alias kAliases[] = {
        {"RMD160", "ripemd160"}, {"RMD128", "ripemd128"}, {"TIGER192", "tiger"},
        {"HAVAL256", "haval"},   {"CRC", "crc32"},        {"ADLER", "adler32"},
    };
    for (const auto& a : kAliases)
        if (tag == a.tag) return AlgorithmIdFromName(a.name);
    for (const auto& a : AlgorithmTable)
        if (tag == UpperCase(a.Name)) return a.Id;
    return -1;
}

// coreutils' escaping: backslash, newline and carriage return; true when any was escaped.
bool Escape(std::string_view name, std::string& out) {
    bool escaped = false;
    for (char c : name) {
        if (c == '\\' || c == '\n' || c == '\r') {
            out += '\\';
            out += c == '\\' ? '\\' : c == '\n' ? 'n' : 'r';
            escaped = true;
        } else {
            out += c;
        }
    }
    return escaped;
}

}  // namespace

int32_t AlgorithmFromTag(std::string_view tag) {
    std::string t;
    for (char c : tag)
        if (c != '-') t += Upper(c);
    return t.empty() ? -1 : FromNormalisedTag(t);
}

int32_t AlgorithmFromFileName(std::string_view path) {
    const size_t slash = path.rfind('/');
    const std::string base =
        UpperCase(slash == std::string_view::npos ? path : path.substr(slash + 1));
    const size_t dot = base.rfind('.');
    if (dot != std::string::npos) {
        const std::string_view ext = std::string_view(base).substr(dot + 1);
        if (ext == "SFV") return AlgorithmCrc32;
        for (const auto& a : AlgorithmTable)
            if (ext == UpperCase(a.Name)) return a.Id;
    }
    for (const auto& a : AlgorithmTable)
        if (base == UpperCase(a.Name) + "SUMS") return a.Id;
    return -1;
}

int32_t AlgorithmFromLength(size_t hexLength) {
    static constexpr std::string_view kByLength[] = {"crc32", "crc64",  "md5",    "sha1",
                                                     "tiger", "sha256", "sha384", "sha512"};
    for (std::string_view name : kByLength) {
        const int32_t id = AlgorithmIdFromName(name);
        if (size_t(AlgorithmHexLength(id)) == hexLength) return id;
    }
    return -1;
}

std::vector<int32_t> AlternativesTo(int32_t algorithm) {
    std::vector<int32_t> out;
    const TAlgorithmInfo* info = Info(algorithm);
    if (!info) return out;
    for (const auto& a : AlgorithmTable)
        if (a.HexLength == info->HexLength && a.Id != algorithm) out.push_back(a.Id);
    return out;
}

std::string_view AlgorithmName(int32_t algorithm) {
    const TAlgorithmInfo* info = Info(algorithm);
    return info ? info->Name : "";
}

int32_t AlgorithmHexLength(int32_t algorithm) {
    const TAlgorithmInfo* info = Info(algorithm);
    return info ? info->HexLength : 0;
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
                                      std::string_view digest, bool upper) {
    std::string hex(digest);
    std::transform(hex.begin(), hex.end(), hex.begin(), upper ? Upper : Lower);
    std::string escaped, line;
    switch (form) {
        case Form::Gnu:
            if (Escape(name, escaped)) line += '\\';
            line.append(hex).append("  ").append(escaped);
            break;
        case Form::Bsd:
            if (Escape(name, escaped)) line += '\\';
            line.append(UpperCase(AlgorithmName(algorithm))).append(" (").append(escaped);
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
    line += '\n';
    return line;
}

std::string SfvHeader() {
    return "; Generated by Quernix\n";
}

Verdict Verify(const Entry& entry, const HashFunction& hash) {
    Verdict v;
    v.algorithm = entry.algorithm;
    const engine::Result first = hash(entry.algorithm);
    if (!first.ok()) {
        v.error = first.error;
        return v;
    }
    const auto matches = [&](const std::string& digest) {
        return digest.size() == entry.expected.size() &&
               std::equal(digest.begin(), digest.end(), entry.expected.begin(),
                          [](char a, char b) { return Lower(a) == b; });
    };
    v.computed = first.digest;
    v.kind = matches(first.digest) ? Verdict::Kind::Match : Verdict::Kind::Mismatch;
    if (v.kind == Verdict::Kind::Match || entry.origin != Origin::Length) return v;
    for (int32_t other : AlternativesTo(entry.algorithm)) {
        const engine::Result r = hash(other);
        if (r.ok() && matches(r.digest)) {
            v.kind = Verdict::Kind::Match;
            v.algorithm = other;
            v.fallback = true;
            break;
        }
    }
    return v;
}

}  // namespace sums
