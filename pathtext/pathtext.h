// How a file name is written where a person reads it or a program reads it back: the command
// line's checksum lines and the window's page. A name is bytes; it is shown so that the text
// maps back to exactly one name.
#pragma once

#include <string>
#include <string_view>

namespace pathtext {

enum class Style {
    // coreutils' checksum-line convention: a backslash, a newline and a carriage return are
    // written \\, \n and \r; every other byte is written as it is. A line holding an escape
    // starts with a backslash, which the caller writes.
    Checksum,
    // For the window: the Checksum escapes, a tab as \t, every other control character
    // (C0, DEL, and the C1 range U+0080 to U+009F) and every byte that is not part of valid
    // UTF-8 as \xHH (two upper-case hexadecimal digits per byte). The result is valid UTF-8,
    // and spaces are kept as they are.
    Display,
    // For text that can only carry UTF-8, such as the clipboard's: the Checksum escapes, and
    // every byte that is not part of valid UTF-8 as \xHH. The result is valid UTF-8; a name
    // with such a byte no longer reads back through coreutils (it knows no \x escape), so it
    // can fail there but never name another file.
    ChecksumText,
};

// Appends name, escaped in style, to out. True when anything was escaped.
bool Escape(std::string_view name, std::string& out, Style style);

// name escaped in style.
std::string Escaped(std::string_view name, Style style);

}  // namespace pathtext
