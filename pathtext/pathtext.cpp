#include "pathtext.h"

#include "hextext.h"

namespace pathtext {

namespace {

// Length of the valid UTF-8 sequence at the start of s (RFC 3629: no overlong forms, no
// surrogates, nothing above U+10FFFF), or 0 when s does not start with one.
size_t Utf8Length(std::string_view s) {
    const auto byte = [&s](size_t i) { return static_cast<unsigned char>(s[i]); };
    const unsigned char lead = byte(0);
    size_t length;
    unsigned char low = 0x80, high = 0xBF;  // the range of the second byte
    if (lead < 0x80) return 1;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        if (lead == 0xE0) low = 0xA0;   // overlong below U+0800
        if (lead == 0xED) high = 0x9F;  // U+D800 to U+DFFF are surrogates
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        if (lead == 0xF0) low = 0x90;   // overlong below U+10000
        if (lead == 0xF4) high = 0x8F;  // above U+10FFFF
    } else {
        return 0;
    }
    if (s.size() < length || byte(1) < low || byte(1) > high) return 0;
    for (size_t i = 2; i < length; ++i)
        if (byte(i) < 0x80 || byte(i) > 0xBF) return 0;
    return length;
}

void AppendHex(unsigned char c, std::string& out) {
    out += "\\x";
    out += hextext::FromBytes(&c, 1);
}

}  // namespace

bool Escape(std::string_view name, std::string& out, Style style) {
    bool escaped = false;
    size_t i = 0;
    while (i < name.size()) {
        const unsigned char c = static_cast<unsigned char>(name[i]);
        const char* named = c == '\\' ? "\\\\" : c == '\n' ? "\\n" : c == '\r' ? "\\r" : nullptr;
        if (!named && style == Style::Display && c == '\t') named = "\\t";
        if (named) {
            out += named;
            escaped = true;
            ++i;
            continue;
        }
        if (style == Style::Checksum) {
            out += name[i++];
            continue;
        }
        const size_t length = Utf8Length(name.substr(i));
        if (style == Style::ChecksumText) {
            if (length == 0) {
                AppendHex(c, out);
                escaped = true;
                ++i;
            } else {
                out.append(name.substr(i, length));
                i += length;
            }
            continue;
        }
        // C1 controls are the two-byte sequences C2 80 to C2 9F.
        const bool control =
            c < 0x20 || c == 0x7F ||
            (length == 2 && c == 0xC2 && static_cast<unsigned char>(name[i + 1]) < 0xA0);
        if (length == 0 || control) {
            const size_t count = length == 0 ? 1 : length;
            for (size_t k = 0; k < count; ++k)
                AppendHex(static_cast<unsigned char>(name[i + k]), out);
            escaped = true;
            i += count;
            continue;
        }
        out.append(name.substr(i, length));
        i += length;
    }
    return escaped;
}

std::string Escaped(std::string_view name, Style style) {
    std::string out;
    out.reserve(name.size());
    Escape(name, out, style);
    return out;
}

}  // namespace pathtext
