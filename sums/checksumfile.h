// Checksum files: reading GNU lines (md5sum and its kin), BSD tag lines and SFV, deciding each
// line's algorithm, verifying one entry, and writing the three forms. Names are bytes; nothing
// here assumes an encoding. No Qt and no file-system access: the caller supplies the bytes of
// the checksum file and the function that hashes a listed file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <iosfwd>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "filehash.h"

namespace sums {

// How a line's algorithm was decided, in the order the rules are tried.
enum class Origin {
    Explicit,  // the user chose it
    Tag,       // the line names it: a BSD tag, or the SFV form (always crc32)
    FileName,  // the checksum file's name (.md5, .sfv, SHA256SUMS, ...)
    Length,    // the digest's length alone; other algorithms of that length may fit too
};

enum class Form { Gnu, Bsd, Sfv };

struct Entry {
    uint64_t line = 0;     // 1-based
    std::string name;      // the listed name, escapes undone
    std::string expected;  // lower-case hexadecimal
    int32_t algorithm = -1;
    Origin origin = Origin::Length;
    Form form = Form::Gnu;
};

// How the GNU lines of one checksum file part the digest from the name: a blank and a mark
// (' ' for text, '*' for binary), or one blank alone. Unknown until the first GNU line.
enum class GnuSeparator { Unknown, Marked, Single };

// A line that is no checksum line, and why: a code, and the values its wording names (the
// others stay at their defaults). The command line prints reason(); the window words the code
// in its own language. A new kind of fault is a new code, its English in reason() and its
// wording in the window; both switch over every code, so the compiler names what is missing.
struct Malformed {
    enum class Code {
        NotChecksumLine,  // none of the line forms
        NulByte,          // a NUL byte in the line
        NoFileName,       // a digest and no name
        UnknownEscape,    // a backslash escape in the name that coreutils does not write
        UnknownTag,       // tag: a BSD tag that names no algorithm here
        OtherAlgorithm,   // algorithm: the line's, by its tag or form; chosen: the user's choice
        UnknownLength,    // count: a digest length that no algorithm has
        WrongLength,      // count: the digest's length, which is not that of algorithm's digests
        TooLong,          // count: the reader's line limit in bytes, which the line exceeds
    };
    uint64_t line = 0;
    Code code = Code::NotChecksumLine;
    std::string tag = {};
    int32_t algorithm = -1;
    int32_t chosen = -1;
    uint64_t count = 0;

    // A short English phrase, e.g. "unknown algorithm tag 'BLAKE2B'".
    std::string reason() const;
};

// What the algorithm table says of checksum files (its columns are described in hashhead.h).
// The algorithm a BSD tag names: its name, its tag or one of its aliases (the other tools'
// spellings: RMD160, TIGER192, ...), without case and dashes (SHA-256); -1 for an unknown tag.
int32_t AlgorithmFromTag(std::string_view tag);
// The algorithm a checksum file's name implies (the last path component): one of its
// extensions (.md5, .sfv, ...), else one of its whole names (MD5SUMS, ...), without case; -1
// when it implies none.
int32_t AlgorithmFromFileName(std::string_view path);
// The algorithm a digest of that many hex digits is taken for: the first in length order of
// those with that length; -1 when no algorithm fits.
int32_t AlgorithmFromLength(size_t hexLength);
// The algorithms tried after Algorithm when a length-decided digest does not match: the other
// algorithms with digests of the same length, in length order.
std::vector<int32_t> AlternativesTo(int32_t algorithm);
// The algorithm's name as the engine spells it ("ripemd160"), and the BSD tag written for it
// ("RIPEMD160"); empty for an unknown id.
std::string_view AlgorithmName(int32_t algorithm);
std::string_view AlgorithmTag(int32_t algorithm);
int32_t AlgorithmHexLength(int32_t algorithm);
// The checksum-file extensions and names of the algorithm, the usual one of each kind first:
// ".sfv", ".crc32", "CRC32SUMS" for crc32.
std::vector<std::string_view> ChecksumFileNames(int32_t algorithm);

// Reads up to Size bytes into Buffer: the count read, 0 at the end, or -errno on failure.
using ByteSource = std::function<long(char* buffer, size_t size)>;
ByteSource FromStream(std::istream& in);
ByteSource FromFd(int fd);  // the caller keeps the descriptor open and closes it

// A checksum file opened for reading (a regular file, a pipe, a FIFO: whatever the user
// names), closed with the object. With regularOnly, only a regular file or a link to one is
// opened: the opening never waits for a FIFO's writer, and folders and devices are refused
// (EISDIR, ENODEV), as a window that must not block needs.
class InputFile {
public:
    explicit InputFile(const std::string& path, bool regularOnly = false);
    ~InputFile();
    InputFile(const InputFile&) = delete;
    InputFile& operator=(const InputFile&) = delete;
    int Fd() const { return fd_; }        // -1 when the open failed
    int Error() const { return error_; }  // the errno of a failed open, else 0

private:
    int fd_ = -1;
    int error_ = 0;
};

struct ReadOptions {
    int32_t algorithm = -1;  // the user's explicit choice; -1 for none
    std::string fileName;    // the checksum file's path, for its name's hint; empty for none
    size_t maxLine = 64 * 1024;
};

// Streams a checksum file line by line in constant memory. Empty lines and comment lines
// ('#', and ';' as in SFV) are skipped silently; a UTF-8 byte-order mark and CR before LF
// are dropped. A line longer than maxLine is reported malformed without being kept whole.
// The file's first GNU line decides its separator (GnuSeparator) for the lines after it.
class Reader {
public:
    using Item = std::variant<Entry, Malformed>;

    Reader(ByteSource source, ReadOptions options);
    // The next entry or malformed line; nullopt at the end of the input or after a read error.
    std::optional<Item> Next();
    // The errno of a failed read, 0 when the input was read to its end.
    int ReadError() const { return readError_; }

private:
    bool NextLine(std::string& line, bool& overlong);
    Item Parse(std::string_view line) const;

    ByteSource source_;
    ReadOptions options_;
    int32_t nameAlgorithm_;
    GnuSeparator separator_ = GnuSeparator::Unknown;
    std::vector<char> buffer_;
    size_t begin_ = 0, end_ = 0;
    uint64_t lineNumber_ = 0;
    bool atEnd_ = false;
    int readError_ = 0;
};

// Parses one line (no line end); std::monostate for a line to skip (empty or comment; a line
// of blanks is malformed, as in coreutils). Separator carries the GNU separator of the file's
// earlier lines, and is set by its first GNU line; without it each line stands alone.
std::variant<std::monostate, Entry, Malformed> ParseLine(std::string_view line,
                                                         const ReadOptions& options,
                                                         int32_t nameAlgorithm = -1,
                                                         GnuSeparator* separator = nullptr);

// How a line is written, beside its form.
struct LineStyle {
    bool upper = false;   // the digest in upper case
    bool binary = false;  // GNU lines: '*' before the name, as md5sum -b writes
    bool zero = false;    // the line ends in NUL and the name is written as it is (md5sum -z)
    // For text that carries UTF-8 only (the clipboard): bytes of the name that are not UTF-8
    // are written \xHH, and the line starts with a backslash (pathtext::Style::ChecksumText).
    bool text = false;
};

// One checksum line ending in '\n': GNU "digest  name", BSD "ALG (name) = digest" (both with
// coreutils' escaping: a name holding '\\', '\n' or '\r' has them escaped and the line starts
// with a backslash), or SFV "name digest". The digest is written in lower case unless Upper.
// nullopt when the form cannot carry it: SFV takes crc32 only and no line breaks in names, nor
// a name that would read back as a comment.
std::optional<std::string> FormatLine(Form form, int32_t algorithm, std::string_view name,
                                      std::string_view digest, const LineStyle& style);
inline std::optional<std::string> FormatLine(Form form, int32_t algorithm, std::string_view name,
                                             std::string_view digest, bool upper = false) {
    return FormatLine(form, algorithm, name, digest, LineStyle{upper});
}
// The comment an SFV file starts with.
std::string SfvHeader();
// The name with coreutils' escapes undone (the part after a leading backslash); nullopt for
// an escape coreutils does not write.
std::optional<std::string> Unescape(std::string_view text);

// The outcome of checking one entry.
struct Verdict {
    enum class Kind { Match, Mismatch, Unreadable };
    Kind kind = Kind::Unreadable;
    // The algorithm that matched: the entry's own, or another of the same length when the
    // entry's algorithm was decided by length alone (then fallback is true).
    int32_t algorithm = -1;
    std::string computed;  // the digest under the entry's algorithm, upper case; empty if none
    engine::Error error;   // why the file could not be read
    bool fallback = false;
    // With a mismatch: the algorithms of the digest's length that were not tried, as too slow
    // for the file's size (Candidates::leftOut).
    std::vector<int32_t> notTried;
};

// Hashes the listed file with one algorithm.
using HashFunction = std::function<engine::Result(int32_t algorithm)>;
// Checks one entry: hashes with its algorithm; when that does not match and the algorithm was
// decided by length alone, tries the other algorithms of that length (one more read each). A
// read that fails, the fallback's included (a stop), makes the verdict Unreadable.
Verdict Verify(const Entry& entry, const HashFunction& hash);

// The algorithms one read of a listed file is hashed with, so that a digest of another
// algorithm of the same length is recognised without reading the file again: the entry's own
// first, then, when only the digest's length decided it, the others of that length. One that
// costs more than kCostlier times the entry's own per byte is left out for a file larger than
// kSmallFile or of unknown size (md2, some sixty times slower than md5, beside md5).
struct Candidates {
    std::vector<int32_t> tried;    // the entry's algorithm first
    std::vector<int32_t> leftOut;  // too slow for the file
};
constexpr int kCostlier = 4;
constexpr int64_t kSmallFile = int64_t(1) << 20;
// Size: gives the file's size in bytes, or -1 when it is unknown; called only when a costly
// candidate is there.
Candidates CandidatesFor(const Entry& entry, const std::function<int64_t()>& size);
// The verdict of one read: Digests in the order of Candidates.tried, or the read's failure.
Verdict Judge(const Entry& entry, const Candidates& candidates,
              const std::vector<std::string>& digests, const engine::Error& error);

}  // namespace sums
