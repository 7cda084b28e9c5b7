// quernsum -c: verifies the files listed in checksum files, with coreutils' output and exit
// status.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "filehash.h"

namespace check {

// What is printed; as in coreutils, the last of --quiet, --status and --warn given wins.
enum class Report {
    Normal,  // a line per listed file, warnings with counts at the end
    Quiet,   // no line for a file that is OK
    Status,  // nothing on standard output, no counted warnings: the exit status tells
    Warn,    // Normal, and a line on standard error for every improperly formatted line
};

struct Options {
    int32_t algorithm = -1;  // the user's choice; -1: decided per line
    Report report = Report::Normal;
    bool strict = false;             // an improperly formatted line fails the check
    bool ignoreMissing = false;      // a listed file that does not exist is passed over
    std::vector<std::string> files;  // the checksum files; "-" is standard input
    unsigned jobs = 1;               // listed files verified at a time
    engine::ReadStrategy read = engine::ReadStrategy::Auto;  // how listed files are read
};

// Verifies every file listed in every checksum file; the exit status: 0 when every listed
// file was read and matched, 1 otherwise.
int Run(const Options& options);

// A file name as coreutils shows it in a diagnostic: as it is when it holds only harmless
// characters, else quoted for the shell, with $'...' escapes for the characters the locale
// does not print (control characters, bytes that are no character), so that a message is
// always one line.
std::string Quote(std::string_view name);

}  // namespace check
