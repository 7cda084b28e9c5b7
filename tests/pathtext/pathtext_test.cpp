// The escaping of names: every byte string gets one text, and the text reads back to it.
#include <gtest/gtest.h>

#include <string>

#include "pathtext.h"

namespace {

struct Case {
    const char* what;
    std::string name;
    std::string checksum;  // Style::Checksum
    std::string display;   // Style::Display
};

const Case kCases[] = {
    {"plain", "/d/a.txt", "/d/a.txt", "/d/a.txt"},
    {"runs of spaces kept", "/d/with  two spaces .txt", "/d/with  two spaces .txt",
     "/d/with  two spaces .txt"},
    {"backslash", "a\\b", "a\\\\b", "a\\\\b"},
    {"newline and carriage return", "a\nb\rc", "a\\nb\\rc", "a\\nb\\rc"},
    {"tab", "a\tb", "a\tb", "a\\tb"},
    {"other controls",
     std::string("a\x01"
                 "b\x7f",
                 4),
     std::string("a\x01"
                 "b\x7f",
                 4),
     "a\\x01b\\x7F"},
    {"NUL", std::string("a\0b", 3), std::string("a\0b", 3), "a\\x00b"},
    {"valid UTF-8 of every length", "\xc3\xa9\xe5\xae\x8b\xf0\x9f\x98\x80",
     "\xc3\xa9\xe5\xae\x8b\xf0\x9f\x98\x80", "\xc3\xa9\xe5\xae\x8b\xf0\x9f\x98\x80"},
    {"Latin-1 byte", "caf\xe9.txt", "caf\xe9.txt", "caf\\xE9.txt"},
    {"C1 control", "a\xc2\x85z", "a\xc2\x85z", "a\\xC2\\x85z"},
    {"U+00A0 is no control", "a\xc2\xa0z", "a\xc2\xa0z", "a\xc2\xa0z"},
    {"overlong", "\xc0\xaf\xe0\x80\xaf", "\xc0\xaf\xe0\x80\xaf", "\\xC0\\xAF\\xE0\\x80\\xAF"},
    {"surrogate", "\xed\xa0\x80", "\xed\xa0\x80", "\\xED\\xA0\\x80"},
    {"above U+10FFFF", "\xf4\x90\x80\x80", "\xf4\x90\x80\x80", "\\xF4\\x90\\x80\\x80"},
    {"cut short at the end", "ab\xe5\xae", "ab\xe5\xae", "ab\\xE5\\xAE"},
    {"looks like an escape", "\\xE9", "\\\\xE9", "\\\\xE9"},
};

TEST(PathText, EscapesInBothStyles) {
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.what);
        std::string out = "kept:";
        EXPECT_EQ(pathtext::Escape(c.name, out, pathtext::Style::Checksum), c.checksum != c.name);
        EXPECT_EQ(out, "kept:" + c.checksum);
        EXPECT_EQ(pathtext::Escaped(c.name, pathtext::Style::Display), c.display);
    }
}

// The clipboard's text: the checksum escapes, and only the bytes that are not UTF-8 as \xHH;
// valid UTF-8 and controls stay as they are.
TEST(PathText, ChecksumTextEscapesOnlyWhatIsNotUtf8) {
    const struct {
        std::string name, text;
        bool escaped;
    } cases[] = {
        {"/d/a.txt", "/d/a.txt", false},
        {"a\tb\xc2\x85\xc3\xa9", "a\tb\xc2\x85\xc3\xa9", false},
        {"caf\xe9.txt", "caf\\xE9.txt", true},
        {"a\\b\n\xff", "a\\\\b\\n\\xFF", true},
        {"\xc0\xaf\xed\xa0\x80", "\\xC0\\xAF\\xED\\xA0\\x80", true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        std::string out;
        EXPECT_EQ(pathtext::Escape(c.name, out, pathtext::Style::ChecksumText), c.escaped);
        EXPECT_EQ(out, c.text);
    }
}

// Reads a Display text back: what a person copying a name from the window would have to do.
std::string Unescape(const std::string& text) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\') {
            out += text[i];
            continue;
        }
        const char c = text[++i];
        if (c == 'x') {
            out += char(std::stoi(text.substr(i + 1, 2), nullptr, 16));
            i += 2;
        } else {
            out += c == 'n' ? '\n' : c == 'r' ? '\r' : c == 't' ? '\t' : c;
        }
    }
    return out;
}

TEST(PathText, DisplayTextReadsBackToTheNameAndIsValidUtf8) {
    // Every single byte, and every pair of bytes after a valid lead.
    for (int a = 0; a < 256; ++a) {
        for (int b = 0; b < 256; b += (a >= 0xC0 ? 1 : 255)) {
            const std::string name{char(a), char(b), 'z'};
            const std::string shown = pathtext::Escaped(name, pathtext::Style::Display);
            ASSERT_EQ(Unescape(shown), name) << a << " " << b;
            // Valid UTF-8 without controls: Display escapes no more of it than Checksum does.
            ASSERT_EQ(pathtext::Escaped(shown, pathtext::Style::Display),
                      pathtext::Escaped(shown, pathtext::Style::Checksum))
                << a << " " << b;
        }
    }
}

}  // namespace
