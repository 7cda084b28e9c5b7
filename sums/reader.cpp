// Reading checksum files: line splitting in constant memory and the three line forms.
#include "checksumfile.h"

#include <cerrno>
#include <cstring>
#include <istream>

#include "hashhead.h"
#include "hextext.h"

namespace sums {

namespace {

bool IsTagChar(char c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '-';
}

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

std::string_view SkipBlanks(std::string_view s) {
    while (!s.empty() && IsBlank(s.front()))
        s.remove_prefix(1);
    return s;
}

// One line split into its parts, before the algorithm is decided.
struct Parts {
    Form form;
    std::string_view tag;  // BSD only
    std::string_view name, hex;
    GnuSeparator separator = GnuSeparator::Unknown;  // GNU only
};

// "TAG (name) = digest" as coreutils writes it, and the forms coreutils also reads:
// OpenSSL's "TAG(name)= digest" (no blank before the parenthesis, any blanks around the
// '='), and rhash's tags padded with spaces to a column ("MD5   (name) = digest"). The name
// runs to the last ')', so it may hold parentheses itself.
std::optional<Parts> SplitBsd(std::string_view body) {
    size_t t = 0;
    while (t < body.size() && IsTagChar(body[t]))
        ++t;
    size_t open = t;
    while (open < body.size() && body[open] == ' ')
        ++open;
    if (t == 0 || open >= body.size() || body[open] != '(') return std::nullopt;
    const size_t close = body.rfind(')');
    if (close == std::string_view::npos || close <= open) return std::nullopt;
    std::string_view rest = SkipBlanks(body.substr(close + 1));
    if (rest.empty() || rest.front() != '=') return std::nullopt;
    const std::string_view hex = SkipBlanks(rest.substr(1));
    if (!hextext::IsHex(hex)) return std::nullopt;
    return Parts{Form::Bsd, body.substr(0, t), body.substr(open + 1, close - open - 1), hex};
}

// "digest  name" or "digest *name" (a blank, then the text or binary mark), or "digest name"
// with one blank alone (BSD's md5 -r, or a TAB). Which of the two a file uses is decided by
// its first GNU line, as coreutils decides it: after a one-blank line, a further blank or '*'
// belongs to the name; after a marked line, a line without the mark is malformed.
std::optional<Parts> SplitGnu(std::string_view body, GnuSeparator separator) {
    size_t h = 0;
    while (h < body.size() && hextext::IsDigit(body[h]))
        ++h;
    if (h == 0 || h + 2 > body.size() || !IsBlank(body[h])) return std::nullopt;
    const bool marked = body[h + 1] == ' ' || body[h + 1] == '*';
    if (separator != GnuSeparator::Single && marked)
        return Parts{Form::Gnu, {}, body.substr(h + 2), body.substr(0, h), GnuSeparator::Marked};
    if (separator == GnuSeparator::Marked || AlgorithmFromLength(h) < 0) return std::nullopt;
    return Parts{Form::Gnu, {}, body.substr(h + 1), body.substr(0, h), GnuSeparator::Single};
}

std::optional<Parts> SplitSfv(std::string_view body) {
    const size_t space = body.find_last_of(" \t");
    if (space == std::string_view::npos || body.size() - space - 1 != 8) return std::nullopt;
    const std::string_view hex = body.substr(space + 1);
    std::string_view name = body.substr(0, space);
    while (!name.empty() && (name.back() == ' ' || name.back() == '\t'))
        name.remove_suffix(1);
    if (!hextext::IsHex(hex) || name.empty()) return std::nullopt;
    return Parts{Form::Sfv, {}, name, hex};
}

}  // namespace

std::variant<std::monostate, Entry, Malformed> ParseLine(std::string_view line,
                                                         const ReadOptions& options,
                                                         int32_t nameAlgorithm,
                                                         GnuSeparator* separator) {
    if (line.empty() || line[0] == '#' || line[0] == ';') return std::monostate{};
    using Code = Malformed::Code;
    const auto bad = [](Code code) { return Malformed{.code = code}; };
    if (line.find('\0') != std::string_view::npos) return bad(Code::NulByte);

    // Blanks before the line (and before its backslash) are passed over, as coreutils does.
    const std::string_view trimmed = SkipBlanks(line);
    const bool escaped = !trimmed.empty() && trimmed[0] == '\\';
    const std::string_view body = escaped ? trimmed.substr(1) : trimmed;
    // A GNU line first: a digest made of hex digits only could look like a BSD tag.
    std::optional<Parts> parts = SplitGnu(body, separator ? *separator : GnuSeparator::Unknown);
    if (!parts) parts = SplitBsd(body);
    if (!parts && !escaped) parts = SplitSfv(line);
    if (!parts) return bad(Code::NotChecksumLine);
    if (parts->name.empty()) return bad(Code::NoFileName);

    Entry e;
    e.form = parts->form;
    e.expected = hextext::Lower(parts->hex);
    if (escaped) {
        std::optional<std::string> name = Unescape(parts->name);
        if (!name) return bad(Code::UnknownEscape);
        e.name = std::move(*name);
    } else {
        e.name = parts->name;
    }

    // The algorithm, by the first rule that decides it.
    const size_t length = e.expected.size();
    int32_t tagged = -1;
    if (parts->form == Form::Bsd) {
        tagged = AlgorithmFromTag(parts->tag);
        if (tagged < 0) return Malformed{.code = Code::UnknownTag, .tag = std::string(parts->tag)};
    } else if (parts->form == Form::Sfv) {
        tagged = AlgorithmCrc32;
    }
    if (options.algorithm >= 0) {
        if (tagged >= 0 && tagged != options.algorithm)
            return Malformed{
                .code = Code::OtherAlgorithm, .algorithm = tagged, .chosen = options.algorithm};
        e.algorithm = options.algorithm;
        e.origin = Origin::Explicit;
    } else if (tagged >= 0) {
        e.algorithm = tagged;
        e.origin = Origin::Tag;
    } else if (nameAlgorithm >= 0 && size_t(AlgorithmHexLength(nameAlgorithm)) == length) {
        e.algorithm = nameAlgorithm;
        e.origin = Origin::FileName;
    } else {
        e.algorithm = AlgorithmFromLength(length);
        e.origin = Origin::Length;
        if (e.algorithm < 0) return Malformed{.code = Code::UnknownLength, .count = length};
    }
    if (size_t(AlgorithmHexLength(e.algorithm)) != length)
        return Malformed{.code = Code::WrongLength, .algorithm = e.algorithm, .count = length};
    if (separator && *separator == GnuSeparator::Unknown && parts->form == Form::Gnu)
        *separator = parts->separator;
    return e;
}

Reader::Reader(ByteSource source, ReadOptions options)
    : source_(std::move(source)),
      options_(std::move(options)),
      nameAlgorithm_(AlgorithmFromFileName(options_.fileName)),
      buffer_(64 * 1024) {}

// The next line without its '\n'; false at the end. A line over the limit (with room for a
// CR) comes back empty with Overlong set, its bytes skipped as they arrive.
bool Reader::NextLine(std::string& line, bool& overlong) {
    line.clear();
    overlong = false;
    bool any = false;
    for (;;) {
        if (begin_ == end_) {
            if (atEnd_) return any;
            const long n = source_(buffer_.data(), buffer_.size());
            begin_ = 0;
            end_ = n > 0 ? size_t(n) : 0;
            if (n <= 0) {
                atEnd_ = true;
                readError_ = n < 0 ? int(-n) : 0;
                continue;
            }
        }
        any = true;
        const char* start = buffer_.data() + begin_;
        const void* nl = std::memchr(start, '\n', end_ - begin_);
        const size_t n = nl ? size_t(static_cast<const char*>(nl) - start) : end_ - begin_;
        if (!overlong) {
            if (line.size() + n > options_.maxLine + 1) {
                overlong = true;
                line.clear();
                line.shrink_to_fit();
            } else {
                line.append(start, n);
            }
        }
        begin_ += n;
        if (nl) {
            ++begin_;
            return true;
        }
    }
}

std::optional<Reader::Item> Reader::Next() {
    std::string line;
    bool overlong = false;
    while (NextLine(line, overlong)) {
        ++lineNumber_;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (overlong || line.size() > options_.maxLine)
            return Malformed{
                .line = lineNumber_, .code = Malformed::Code::TooLong, .count = options_.maxLine};
        std::string_view text = line;
        if (lineNumber_ == 1 && text.starts_with("\xEF\xBB\xBF")) text.remove_prefix(3);
        auto parsed = ParseLine(text, options_, nameAlgorithm_, &separator_);
        if (auto* e = std::get_if<Entry>(&parsed)) {
            e->line = lineNumber_;
            return std::move(*e);
        }
        if (auto* m = std::get_if<Malformed>(&parsed)) {
            m->line = lineNumber_;
            return std::move(*m);
        }
    }
    return std::nullopt;
}

ByteSource FromStream(std::istream& in) {
    return [&in](char* buffer, size_t size) -> long {
        in.read(buffer, std::streamsize(size));
        if (in.bad()) return -EIO;
        return long(in.gcount());
    };
}

}  // namespace sums
