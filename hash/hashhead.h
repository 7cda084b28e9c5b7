// The file hash service as the window calls it: one file path and one algorithm id in, an
// upper-case hexadecimal digest text out, every failure an empty result. HashFile and the four
// file routines are thin layers over engine::HashPath (filehash.h), which says why a file gave
// no digest. Also the algorithm table, the hex helpers and the three checksums' buffer
// functions (checksums.cpp), which run the variant of the kernel table (kernels.h).
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "DCPcrypt2.h"
#include "kernels.h"

namespace hashpaths {
struct PathAlgorithm;
}

// Called after every chunk: the file's size, the position reached (1..FileSize) and a reply
// that the service sets to 0 before the call. Writing HashCancelReply cancels the file.
using THashProgressProc = void (*)(int64_t FileSize, int64_t Position, int32_t* Reply);

constexpr int32_t HashCancelReply = 999;
constexpr int32_t ChecksumChunkSize = 65521;    // crc32, adler32, crc64, md2
constexpr int32_t HashObjectChunkSize = 16384;  // the hash objects
// The longest result text: a 512-bit digest. OutText must hold at least this many characters.
constexpr int32_t MaxHashTextLength = 128;

// Algorithm ids of the four routines that read the file themselves.
constexpr int32_t AlgorithmCrc32 = 100;
constexpr int32_t AlgorithmAdler32 = 101;
constexpr int32_t AlgorithmCrc64 = 102;
constexpr int32_t AlgorithmMd2 = 103;

// The groups the window's selector shows the algorithms in, in this order.
enum class TAlgorithmGroup { Classic, Modern, Checksums };

// How the chunk loop runs an algorithm: the chunk size (one progress call per chunk); whether
// a chunk is reported before it is hashed (the hash objects) or after (the file routines); and
// whether a mapped file's next chunk is announced to the prefetcher, which pays for the digests:
// they hash too slowly for the hardware prefetchers to run ahead on their own.
struct TChunkShape {
    int32_t Chunk;
    bool ReportBeforeHash;
    bool HintAhead;
};
constexpr TChunkShape FileRoutineShape{ChecksumChunkSize, false, false};
constexpr TChunkShape HashObjectShape{HashObjectChunkSize, true, true};

// One algorithm: everything the engine, the checksum files, quernsum, the window, the benches
// and the tests know of it. The rows are in AlgorithmTable (algorithms.cpp), the only list of
// algorithms there is.
struct TAlgorithmInfo {
    const char* Name;  // as -a, --list, the selector and the result tag spell it
    int32_t Id;
    int32_t HexLength;  // digits of the result text
    // The BSD tag written ("SHA256 (name) = ..."), and the other tags read (the spellings of
    // other tools), separated by spaces. Tags are compared without case and dashes, so "sha-256"
    // reads as the name "sha256".
    std::string_view Tag;
    std::string_view Aliases;
    // Checksum-file extensions (".md5") and whole names ("MD5SUMS") that imply the algorithm,
    // separated by spaces and compared without case; the first extension is the one looked
    // for beside a hashed file, the first whole name the one looked for in its folder.
    std::string_view Files;
    // Its place among the algorithms of its digest length when the length alone decides: the
    // lowest is taken, and when its digest does not match, the others are tried in this order.
    int32_t LengthOrder;
    // What hashing a byte costs, relative to the others (about 10 000 / the engine's MB/s on
    // one core of the development machine). Only the order of magnitude counts: a same-length
    // candidate that costs several times the entry's own is left out of the fallback.
    int32_t Cost;
    TAlgorithmGroup Group;
    TChunkShape Shape;
    // A new instance for the chunk loop; the hash object (nullptr for the four file routines).
    std::unique_ptr<hashpaths::PathAlgorithm> (*MakePath)();
    std::unique_ptr<TDCP_hash> (*MakeObject)();
    // The kernel table's slot whose variant it runs, if it has variants.
    std::optional<kernels::Slot> Kernel;
    std::string_view Standard;  // the standard it follows, as the manual names it
};

// Every algorithm, in the order --list and the selector show them (the selector by group).
extern const std::span<const TAlgorithmInfo> AlgorithmTable;

// The row with this id, or nullptr.
const TAlgorithmInfo* AlgorithmById(int32_t Id);

// The id of one of the names of the table, compared byte for byte and case-sensitively; -1 for
// anything else.
int32_t AlgorithmIdFromName(std::string_view Name);

// Hashes the file at Path. Stores the length of the result text in *OutLength (0: no result:
// missing, not a regular file, not readable, cancelled, or cut short while reading) and, when
// above 0, copies that many characters to OutText with no terminator.
void HashFile(const char* Path, int32_t AlgorithmId, THashProgressProc Progress, char* OutText,
              int32_t* OutLength);

// A new hash object for the id of a hash-object row, or nullptr for any other id.
std::unique_ptr<TDCP_hash> CreateHashObject(int32_t AlgorithmId);

// The four file routines; same arguments as HashFile, the id is not used.
void Crc32File(const char* Path, int32_t AlgorithmId, THashProgressProc Progress, char* OutText,
               int32_t* OutLength);
void Adler32File(const char* Path, int32_t AlgorithmId, THashProgressProc Progress, char* OutText,
                 int32_t* OutLength);
void Crc64File(const char* Path, int32_t AlgorithmId, THashProgressProc Progress, char* OutText,
               int32_t* OutLength);
void Md2File(const char* Path, int32_t AlgorithmId, THashProgressProc Progress, char* OutText,
             int32_t* OutLength);

// Upper-case hex, most significant byte first for the two integer forms.
std::string LongWordToHex(uint32_t Value);
std::string Int64ToHex(uint64_t Value);
std::string BytesToHex(const uint8_t* Bytes, size_t Count);

// Diagnostic markers: written as a line on stderr when QUERNIX_DEBUG is set, else dropped.
void DebugMark(std::string_view Text);

// CRC-32 (ISO-HDLC / zlib), reflected polynomial 0xEDB88320.
extern const uint32_t Crc32Table[256];
// The counts of the three checksums are signed 64-bit: any buffer fits, and a count of 0 or
// less does nothing.
// The raw register update over Count bytes, no inversion: register in, register out. The
// same value as the byte-at-a-time update with Crc32Table, whichever variant computes it.
uint32_t Crc32Update(const void* Buffer, int64_t Count, uint32_t Register);

// Adler-32 (RFC 1950).
void Adler32Update(uint32_t& Value, const void* Buffer, int64_t Count);

// CRC-64/XZ, reflected polynomial 0xC96C5795D7870F42. BuildCrc64Table works the table out
// (entry i is i shifted right eight times, with the polynomial added after every shift that
// drops a 1 bit); Crc64Table is its result, made at compile time and read-only, so it is
// complete before any code runs and nothing can change it while files are hashed.
constexpr std::array<uint64_t, 256> BuildCrc64Table() {
    std::array<uint64_t, 256> t{};
    for (unsigned i = 0; i < 256; ++i) {
        uint64_t v = i;
        for (int k = 0; k < 8; ++k)
            v = (v & 1) ? (v >> 1) ^ 0xC96C5795D7870F42ull : v >> 1;
        t[i] = v;
    }
    return t;
}
extern const uint64_t Crc64Table[256];
// The raw register update over Count bytes, no inversion, as for CRC-32.
uint64_t Crc64Update(const void* Buffer, int64_t Count, uint64_t Register);
// Continues a finished CRC-64 value over more bytes.
uint64_t Crc64Buffer(const void* Buffer, int64_t Count, uint64_t Value);
uint64_t Crc64String(std::string_view Text, uint64_t Value);
