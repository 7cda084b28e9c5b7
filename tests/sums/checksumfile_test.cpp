// The checksum-file library: the three line forms, how each line's algorithm is decided,
// streaming (BOM, CRLF, overlong and malformed lines), writing, and verifying one entry.
#include <fcntl.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

#include "checksumfile.h"
#include "hash_test_util.h"
#include "hashhead.h"
#include "hashstream.h"

using namespace sums;

namespace {

const std::string kMd5 = "900150983cd24fb0d6963f7d28e17f72";  // of "abc"
const std::string kSha1 = "a9993e364706816aba3e25717850c26c9cd0d89d";
const std::string kSha256 = "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad";
const std::string kMd4 = "a448017aaf21d8525fc10ae87aa6729d";
const std::string kRmd160 = "8eb208f7e05d987a9b044a8e98c6b087f15a0bfc";

int32_t Id(const char* name) {
    return AlgorithmIdFromName(name);
}

// "skip", "bad", or "ALG ORIGIN FORM|name|hex".
std::string Describe(const std::variant<std::monostate, Entry, Malformed>& r) {
    if (std::holds_alternative<std::monostate>(r)) return "skip";
    if (std::holds_alternative<Malformed>(r)) return "bad";
    const Entry& e = std::get<Entry>(r);
    static const char* kOrigins[] = {"explicit", "tag", "filename", "length"};
    static const char* kForms[] = {"gnu", "bsd", "sfv"};
    return std::string(AlgorithmName(e.algorithm)) + " " + kOrigins[int(e.origin)] + " " +
           kForms[int(e.form)] + "|" + e.name + "|" + e.expected;
}

TEST(ChecksumFile, ParsesLinesAndDecidesTheirAlgorithm) {
    struct Case {
        std::string line, chosen, fileName, want;
    };
    const std::string md5Upper = "900150983CD24FB0D6963F7D28E17F72";
    const std::vector<Case> cases = {
        // GNU lines; the binary marker; upper-case hex; one space as md5 -r writes.
        {kMd5 + "  abc.txt", "", "", "md5 length gnu|abc.txt|" + kMd5},
        {kMd5 + " *a b", "", "", "md5 length gnu|a b|" + kMd5},
        {md5Upper + "   lead", "", "", "md5 length gnu| lead|" + kMd5},
        {kMd5 + " x", "", "", "md5 length gnu|x|" + kMd5},
        {"\\" + kMd5 + "  a\\nb\\\\c\\rd", "", "", "md5 length gnu|a\nb\\c\rd|" + kMd5},
        {"\\" + kMd5 + "  a\\tb", "", "", "bad"},
        {" \t\\" + kMd5 + "  a\\nb", "", "", "md5 length gnu|a\nb|" + kMd5},
        {"\\ " + kMd5 + "  a", "", "", "bad"},
        {"   ", "", "", "bad"},
        {" # not a comment", "", "", "bad"},
        {kMd5 + "  ", "", "", "bad"},
        {kMd5 + "0  a", "", "", "bad"},
        {kMd5 + "\ta", "", "", "md5 length gnu|a|" + kMd5},
        {"352441c2  a", "", "", "crc32 length gnu|a|352441c2"},
        {"2cd8094a1a277627  a", "", "", "crc64 length gnu|a|2cd8094a1a277627"},
        {std::string(48, 'f') + "  a", "", "", "tiger length gnu|a|" + std::string(48, 'f')},
        // BSD tags in the spellings of several tools; a name holding ") = ".
        {"SHA256 (x) = " + kSha256, "", "", "sha256 tag bsd|x|" + kSha256},
        {"sha-256 (x) = " + kSha256, "", "", "sha256 tag bsd|x|" + kSha256},
        {"RMD160 (x) = " + kRmd160, "", "", "ripemd160 tag bsd|x|" + kRmd160},
        {"RIPEMD-160 (x) = " + kRmd160, "", "", "ripemd160 tag bsd|x|" + kRmd160},
        {"CRC32 (x) = 352441C2", "", "", "crc32 tag bsd|x|352441c2"},
        {"\\MD5 (a\\nb) = " + kMd5, "", "", "md5 tag bsd|a\nb|" + kMd5},
        {"MD5 (a) = b) = " + kMd5, "", "", "md5 tag bsd|a) = b|" + kMd5},
        // OpenSSL's form and spellings, rhash's padding, blanks around '=' but not after it all.
        {"SHA2-256(x)= " + kSha256, "", "", "sha256 tag bsd|x|" + kSha256},
        {"  MD5(x)=" + kMd5, "", "", "md5 tag bsd|x|" + kMd5},
        {"SHA1    (x) \t=\t " + kSha1, "", "", "sha1 tag bsd|x|" + kSha1},
        {"MD5 (x)y = " + kMd5, "", "", "bad"},
        {"MD5 (x) = " + kMd5 + " ", "", "", "bad"},
        {"MD5\t(x) = " + kMd5, "", "", "bad"},
        {"BLAKE2b (x) = " + kMd5, "", "", "bad"},
        {"SHA1 (x) = " + kMd5, "", "", "bad"},
        {"MD5 () = " + kMd5, "", "", "bad"},
        // SFV: name, space, eight hex digits; always crc32.
        {"my file.bin 352441C2", "", "", "crc32 tag sfv|my file.bin|352441c2"},
        {"a.bin   352441c2", "", "x.sfv", "crc32 tag sfv|a.bin|352441c2"},
        // The user's choice first, and it must fit the line.
        {kMd5 + "  a", "md4", "", "md4 explicit gnu|a|" + kMd5},
        {kMd5 + "  a", "sha1", "", "bad"},
        {"SHA1 (a) = " + kSha1, "md5", "", "bad"},
        {"a.bin 352441c2", "md5", "", "bad"},
        // The checksum file's name when the length fits it; the length otherwise.
        {kSha256 + "  a", "", "dir/x.HAVAL", "haval filename gnu|a|" + kSha256},
        {kSha256 + "  a", "", "SHA256SUMS", "sha256 filename gnu|a|" + kSha256},
        {kSha1 + "  a", "", "MD5SUMS", "sha1 length gnu|a|" + kSha1},
        {kSha1 + "  a", "", "x.ripemd160", "ripemd160 filename gnu|a|" + kSha1},
        {kSha1 + "  a", "", "x.md5.txt", "sha1 length gnu|a|" + kSha1},
        {kMd5 + "  a", "", "md4/x", "md5 length gnu|a|" + kMd5},
        {"RMD128 (x) = " + kMd5, "", "", "ripemd128 tag bsd|x|" + kMd5},
        {"352441c2  a", "", "x.adler32", "adler32 filename gnu|a|352441c2"},
        // Lines that are skipped, and a NUL byte.
        {"", "", "", "skip"},
        {"# comment", "", "", "skip"},
        {"; sfv comment", "", "", "skip"},
        {kMd5 + std::string("  a\0b", 5), "", "", "bad"},
        {"garbage", "", "", "bad"},
    };
    for (const Case& c : cases) {
        ReadOptions o;
        o.algorithm = c.chosen.empty() ? -1 : Id(c.chosen.c_str());
        o.fileName = c.fileName;
        EXPECT_EQ(Describe(ParseLine(c.line, o, AlgorithmFromFileName(c.fileName))), c.want)
            << c.line << " / " << c.chosen << " / " << c.fileName;
    }
}

// Each kind of malformed line carries its code, the values its wording names, and the English
// reason quernsum prints.
TEST(ChecksumFile, MalformedLinesCarryTheirCodeAndReason) {
    using Code = Malformed::Code;
    struct Case {
        std::string line, chosen;
        Code code;
        std::string reason;
    };
    const std::vector<Case> cases = {
        {"garbage", "", Code::NotChecksumLine, "not a checksum line"},
        {kMd5 + std::string("  a\0b", 5), "", Code::NulByte, "contains a NUL byte"},
        {"MD5 () = " + kMd5, "", Code::NoFileName, "no file name"},
        {"\\" + kMd5 + "  a\\tb", "", Code::UnknownEscape,
         "unknown backslash escape in the file name"},
        {"WHIRLPOOL (x) = " + kMd5, "", Code::UnknownTag, "unknown algorithm tag 'WHIRLPOOL'"},
        {"SHA1 (a) = " + kSha1, "md5", Code::OtherAlgorithm, "a sha1 line, not md5"},
        {"0123456  a", "", Code::UnknownLength, "no algorithm has digests of 7 hex digits"},
        {kMd5 + "  a", "sha1", Code::WrongLength, "32 hex digits for sha1, not 40"},
    };
    for (const Case& c : cases) {
        ReadOptions o;
        o.algorithm = c.chosen.empty() ? -1 : Id(c.chosen.c_str());
        const auto parsed = ParseLine(c.line, o);
        ASSERT_TRUE(std::holds_alternative<Malformed>(parsed)) << c.line;
        EXPECT_EQ(std::get<Malformed>(parsed).code, c.code) << c.line;
        EXPECT_EQ(std::get<Malformed>(parsed).reason(), c.reason) << c.line;
    }
    std::istringstream in(kMd5 + "  a\n" + std::string(200, 'x') + "\n");
    Reader reader(FromStream(in), ReadOptions{-1, "", 100});
    ASSERT_TRUE(reader.Next().has_value());
    const auto overlong = reader.Next();
    ASSERT_TRUE(overlong && std::holds_alternative<Malformed>(*overlong));
    EXPECT_EQ(std::get<Malformed>(*overlong).line, 2u);
    EXPECT_EQ(std::get<Malformed>(*overlong).code, Code::TooLong);
    EXPECT_EQ(std::get<Malformed>(*overlong).reason(), "line longer than 100 bytes");
}

// What the algorithm table says of checksum files: the digest lengths and the fallback order
// users rely on, and for every row, its BSD line, tag spellings and file names read back as
// that row and no other.
TEST(ChecksumFile, TheTableDecidesTagsFileNamesAndLengths) {
    const std::vector<std::pair<size_t, std::string>> lengths = {
        {8, "crc32"},   {16, "crc64"},  {32, "md5"},    {40, "sha1"},
        {48, "tiger"},  {64, "sha256"}, {96, "sha384"}, {128, "sha512"},
        {56, "sha224"}, {7, ""},        {0, ""}};
    for (const auto& [length, name] : lengths)
        EXPECT_EQ(AlgorithmName(AlgorithmFromLength(length)), name) << length;
    const auto alternatives = [](const char* name) {
        std::string out;
        for (int32_t id : AlternativesTo(Id(name)))
            out += std::string(AlgorithmName(id)) + " ";
        return out;
    };
    EXPECT_EQ(alternatives("md5"), "md2 md4 ripemd128 xxh128 ");
    EXPECT_EQ(alternatives("sha1"), "ripemd160 ");
    EXPECT_EQ(alternatives("sha256"), "haval blake3 blake2s sha3-256 ");
    EXPECT_EQ(alternatives("sha512"), "blake2b sha3-512 ");
    EXPECT_EQ(alternatives("sha224"), "sha3-224 ");
    EXPECT_EQ(alternatives("crc32"), "adler32 crc32c ");
    EXPECT_EQ(alternatives("crc64"), "xxh3 ");

    for (const TAlgorithmInfo& a : AlgorithmTable) {
        SCOPED_TRACE(a.Name);
        const std::string digest(size_t(a.HexLength), 'a');
        const auto line = FormatLine(Form::Bsd, a.Id, "f", digest);
        ASSERT_TRUE(line.has_value());
        const auto back = ParseLine(std::string_view(*line).substr(0, line->size() - 1), {});
        ASSERT_TRUE(std::holds_alternative<Entry>(back)) << *line;
        EXPECT_EQ(std::get<Entry>(back).algorithm, a.Id) << *line;
        EXPECT_EQ(AlgorithmFromTag(a.Name), a.Id);
        const std::string tag = testutil::Lower(std::string(a.Tag));
        const std::string dashed = tag.substr(0, 1) + "-" + tag.substr(1);
        EXPECT_EQ(AlgorithmFromTag(dashed), a.Id) << dashed;
        std::istringstream aliases{std::string(a.Aliases)};
        for (std::string alias; aliases >> alias;)
            EXPECT_EQ(AlgorithmFromTag(alias), a.Id) << alias;
        for (std::string_view file : ChecksumFileNames(a.Id)) {
            const std::string path = file[0] == '.' ? "dir/x" + std::string(file)
                                                    : "dir/" + testutil::Lower(std::string(file));
            EXPECT_EQ(AlgorithmFromFileName(path), a.Id) << path;
        }
        // One first algorithm per length.
        for (const TAlgorithmInfo& b : AlgorithmTable) {
            if (&b != &a && b.HexLength == a.HexLength) {
                EXPECT_NE(b.LengthOrder, a.LengthOrder) << b.Name;
            }
        }
    }
    EXPECT_EQ(AlgorithmFromFileName("dir/x.txt"), -1);
    EXPECT_EQ(AlgorithmFromTag("-"), -1);

    // The tags and file names the other tools write, each with its algorithm: b2sum --tag and
    // rhash, openssl (BLAKE2B-512, SHA2-224), coreutils, b3sum, xxhsum.
    const std::vector<std::pair<std::string, const char*>> tags = {
        {"BLAKE2b", "blake2b"},     {"BLAKE2B-512", "blake2b"}, {"BLAKE2s", "blake2s"},
        {"BLAKE2S-256", "blake2s"}, {"BLAKE3", "blake3"},       {"SHA3-256", "sha3-256"},
        {"SHA3-512", "sha3-512"},   {"SHA2-224", "sha224"},     {"SHA224", "sha224"},
        {"CRC32C", "crc32c"},       {"XXH3", "xxh3"},           {"XXH128", "xxh128"},
    };
    for (const auto& [tag, name] : tags)
        EXPECT_EQ(AlgorithmFromTag(tag), Id(name)) << tag;
    EXPECT_EQ(AlgorithmFromTag("BLAKE2b-256"), -1);  // b2sum -l 256: another digest
    EXPECT_EQ(AlgorithmFromTag("XXH64"), -1);
    const std::vector<std::pair<std::string, const char*>> files = {
        {"B2SUMS", "blake2b"},        {"x.b2", "blake2b"},          {"B3SUMS", "blake3"},
        {"x.b3", "blake3"},           {"x.blake3", "blake3"},       {"x.sha3", "sha3-256"},
        {"SHA3-256SUMS", "sha3-256"}, {"SHA3-512SUMS", "sha3-512"}, {"SHA224SUMS", "sha224"},
        {"x.xxh3", "xxh3"},           {"x.xxh128", "xxh128"},       {"x.crc32c", "crc32c"},
    };
    for (const auto& [file, name] : files)
        EXPECT_EQ(AlgorithmFromFileName("dir/" + file), Id(name)) << file;
}

// Every item of a whole checksum file as "LINE:name" or "LINE:bad".
std::vector<std::string> ReadAll(Reader& r) {
    std::vector<std::string> out;
    while (auto item = r.Next()) {
        if (const auto* e = std::get_if<Entry>(&*item))
            out.push_back(std::to_string(e->line) + ":" + e->name);
        else
            out.push_back(std::to_string(std::get<Malformed>(*item).line) + ":bad");
    }
    return out;
}

// A file's first GNU line decides whether a blank after the digest is followed by a mark.
TEST(ChecksumFile, TheFirstGnuLineDecidesTheSeparator) {
    struct Case {
        std::string text;
        std::vector<std::string> want;
    };
    const std::vector<Case> cases = {
        {kMd5 + "  a\n" + kMd5 + " b\n" + kMd5 + "\tc\n" + kMd5 + "\t*d\n",
         {"1:a", "2:bad", "3:bad", "4:d"}},
        {"MD5 (x) = " + kMd5 + "\n" + kMd5 + "\ta\n" + kMd5 + "  b\n" + kMd5 + " *c\n",
         {"1:x", "2:a", "3: b", "4:*c"}},
    };
    for (const Case& c : cases) {
        std::istringstream in(c.text);
        Reader r(FromStream(in), ReadOptions{});
        EXPECT_EQ(ReadAll(r), c.want) << c.text;
    }
}

TEST(ChecksumFile, StreamsAFileWithBomCrlfCommentsAndOverlongLines) {
    const std::string text = "\xEF\xBB\xBF" + kMd5 + "  first\r\n\r\n# note\n" +
                             std::string(1 << 20, 'x') + "\n" + "junk\n" + kMd5 + "  after\n" +
                             kMd5 + "  " + std::string(100, 'n') + "\n" + kMd5 + "  " +
                             std::string(66, 'c') + "\r\n" + kMd5 + "  last";
    // Line 8 is 100 bytes, the limit, and its CR.
    const std::vector<std::string> want = {
        "1:first", "4:bad", "5:bad", "6:after", "7:bad", "8:" + std::string(66, 'c'), "9:last"};
    std::istringstream in(text);
    Reader fromStream(FromStream(in), ReadOptions{-1, "", 100});
    EXPECT_EQ(ReadAll(fromStream), want);
    EXPECT_EQ(fromStream.ReadError(), 0);

    int fds[2];
    ASSERT_EQ(::pipe(fds), 0);
    std::FILE* writer = ::fdopen(fds[1], "w");
    Reader fromFd(FromFd(fds[0]), ReadOptions{-1, "", 100});
    // The text fits in the pipe's buffer, so it is all written before reading starts.
    const std::string shortText = kMd5 + "  a\n" + kMd5 + "  b";
    std::fputs(shortText.c_str(), writer);
    std::fclose(writer);
    EXPECT_EQ(ReadAll(fromFd), (std::vector<std::string>{"1:a", "2:b"}));
    ::close(fds[0]);

    Reader failing([](char*, size_t) -> long { return -EIO; }, ReadOptions{});
    EXPECT_FALSE(failing.Next());
    EXPECT_EQ(failing.ReadError(), EIO);
}

TEST(ChecksumFile, WritesEachFormAndReadsItBack) {
    struct Case {
        Form form;
        const char* algorithm;
        std::string name, digest;
        std::string want;  // empty: the form cannot carry it
    };
    const std::vector<Case> cases = {
        {Form::Gnu, "md5", "a b", "900150983CD24FB0D6963F7D28E17F72", kMd5 + "  a b\n"},
        {Form::Gnu, "md5", "a\nb\\c\rd", kMd5, "\\" + kMd5 + "  a\\nb\\\\c\\rd\n"},
        {Form::Bsd, "ripemd160", "x", kRmd160, "RIPEMD160 (x) = " + kRmd160 + "\n"},
        {Form::Bsd, "md5", "n\nl", kMd5, "\\MD5 (n\\nl) = " + kMd5 + "\n"},
        {Form::Sfv, "crc32", "my file", "352441C2", "my file 352441c2\n"},
        {Form::Sfv, "md5", "x", kMd5, ""},
        {Form::Sfv, "crc32", "a\nb", "352441c2", ""},
        {Form::Sfv, "crc32", ";x", "352441c2", ""},
        {Form::Sfv, "crc32", "#x", "352441c2", ""},
    };
    for (const Case& c : cases) {
        const std::optional<std::string> line =
            FormatLine(c.form, Id(c.algorithm), c.name, c.digest);
        EXPECT_EQ(line.value_or(""), c.want) << c.name;
        if (!line) continue;
        const auto back =
            ParseLine(std::string_view(*line).substr(0, line->size() - 1), ReadOptions{});
        ASSERT_TRUE(std::holds_alternative<Entry>(back)) << *line;
        EXPECT_EQ(std::get<Entry>(back).name, c.name);
        EXPECT_EQ(std::get<Entry>(back).algorithm, Id(c.algorithm));
    }
    EXPECT_EQ(FormatLine(Form::Gnu, Id("md5"), "a", kMd5, true).value(),
              "900150983CD24FB0D6963F7D28E17F72  a\n");
    EXPECT_TRUE(SfvHeader().starts_with(";"));
    // md5sum -b and -z: the binary mark; a NUL end and the name as it is.
    EXPECT_EQ(FormatLine(Form::Gnu, Id("md5"), "a\nb", kMd5, LineStyle{false, true, true}).value(),
              kMd5 + " *a\nb" + '\0');
    EXPECT_EQ(FormatLine(Form::Bsd, Id("md5"), "a\\b", kMd5, LineStyle{false, true, false}).value(),
              "\\MD5 (a\\\\b) = " + kMd5 + "\n");
    // For the clipboard's text a byte that is not UTF-8 is escaped; read back, the line is
    // refused rather than taken for another name.
    const std::string text =
        FormatLine(Form::Gnu, Id("md5"), "caf\xe9", kMd5, LineStyle{.text = true}).value();
    EXPECT_EQ(text, "\\" + kMd5 + "  caf\\xE9\n");
    EXPECT_TRUE(std::holds_alternative<Malformed>(
        ParseLine(std::string_view(text).substr(0, text.size() - 1), ReadOptions{})));
}

TEST(ChecksumFile, VerifiesAndNamesAnotherAlgorithmOfTheSameLength) {
    const auto hashAbc = [](int32_t algorithm) {
        THashStream s(algorithm);
        s.Update("abc", 3);
        return engine::Result{s.Final(), {}};
    };
    struct Case {
        std::string line, chosen;
        Verdict::Kind kind;
        const char* algorithm;
        bool fallback;
    };
    using K = Verdict::Kind;
    const std::vector<Case> cases = {
        {kMd5 + "  f", "", K::Match, "md5", false},
        {kMd4 + "  f", "", K::Match, "md4", true},
        {kRmd160 + "  f", "", K::Match, "ripemd160", true},
        {"024D0127  f", "", K::Match, "adler32", true},
        {kMd4 + "  f", "md5", K::Mismatch, "md5", false},
        {"MD5 (f) = " + kMd4, "", K::Mismatch, "md5", false},
        {kSha256.substr(1) + "0  f", "", K::Mismatch, "sha256", false},
    };
    for (const Case& c : cases) {
        ReadOptions o;
        o.algorithm = c.chosen.empty() ? -1 : Id(c.chosen.c_str());
        const Verdict v = Verify(std::get<Entry>(ParseLine(c.line, o)), hashAbc);
        EXPECT_EQ(v.kind, c.kind) << c.line;
        EXPECT_EQ(v.algorithm, Id(c.algorithm)) << c.line;
        EXPECT_EQ(v.fallback, c.fallback) << c.line;
    }
    const Verdict unreadable = Verify(std::get<Entry>(ParseLine(kMd5 + "  f", {})), [](int32_t) {
        return engine::Result{{}, {engine::Failure::NotFound, ENOENT}};
    });
    EXPECT_EQ(unreadable.kind, Verdict::Kind::Unreadable);
    EXPECT_EQ(unreadable.error.code, ENOENT);
    // Stopped during the fallback: no verdict, the stop.
    const Verdict stopped = Verify(std::get<Entry>(ParseLine(kMd4 + "  f", {})), [&](int32_t a) {
        return a == Id("md5") ? hashAbc(a) : engine::Result{{}, {engine::Failure::Stopped, 0}};
    });
    EXPECT_EQ(stopped.kind, Verdict::Kind::Unreadable);
    EXPECT_EQ(stopped.error.kind, engine::Failure::Stopped);
}

// One read for the entry's algorithm and the others of its length, md2 left out beyond small
// files; the verdict names what matched, or what was left out.
TEST(ChecksumFile, OneReadTriesTheCandidatesOfTheLength) {
    const auto names = [](const std::vector<int32_t>& ids) {
        std::string out;
        for (int32_t id : ids)
            out.append(AlgorithmName(id)) += ' ';
        return out;
    };
    struct Case {
        std::string line, chosen;
        int64_t size;
        std::string tried, leftOut;
        Verdict::Kind kind;
        const char* algorithm;
    };
    using K = Verdict::Kind;
    const int64_t small = kSmallFile, large = kSmallFile + 1;
    const std::vector<Case> cases = {
        {kMd4 + "  f", "", small, "md5 md2 md4 ripemd128 xxh128 ", "", K::Match, "md4"},
        {kMd4 + "  f", "", large, "md5 md4 ripemd128 xxh128 ", "md2 ", K::Match, "md4"},
        {std::string(32, '0') + "  f", "", -1, "md5 md4 ripemd128 xxh128 ", "md2 ", K::Mismatch,
         "md5"},
        {std::string(32, '0') + "  f", "", small, "md5 md2 md4 ripemd128 xxh128 ", "", K::Mismatch,
         "md5"},
        {kRmd160 + "  f", "", large, "sha1 ripemd160 ", "", K::Match, "ripemd160"},
        {kMd4 + "  f", "md5", large, "md5 ", "", K::Mismatch, "md5"},
        {"SHA1 (f) = " + kRmd160, "", large, "sha1 ", "", K::Mismatch, "sha1"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line + " / " + c.chosen);
        ReadOptions o;
        o.algorithm = c.chosen.empty() ? -1 : Id(c.chosen.c_str());
        const Entry entry = std::get<Entry>(ParseLine(c.line, o));
        const Candidates candidates = CandidatesFor(entry, [&] { return c.size; });
        EXPECT_EQ(names(candidates.tried), c.tried);
        EXPECT_EQ(names(candidates.leftOut), c.leftOut);
        std::vector<std::string> digests;
        for (int32_t id : candidates.tried) {
            THashStream s(id);
            s.Update("abc", 3);
            digests.push_back(s.Final());
        }
        const Verdict v = Judge(entry, candidates, digests, {});
        EXPECT_EQ(v.kind, c.kind);
        EXPECT_EQ(v.algorithm, Id(c.algorithm));
        EXPECT_EQ(v.fallback,
                  c.kind == K::Match && c.algorithm != c.tried.substr(0, c.tried.find(' ')));
        EXPECT_EQ(names(v.notTried), c.kind == K::Mismatch ? c.leftOut : "");
        const Verdict failed = Judge(entry, candidates, {}, {engine::Failure::Stopped, 0});
        EXPECT_EQ(failed.kind, K::Unreadable);
        EXPECT_EQ(failed.error.kind, engine::Failure::Stopped);
    }
}

}  // namespace
