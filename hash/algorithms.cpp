// The table of algorithms: one row per algorithm, the only place that lists them. Everything
// else (the engine's dispatch, the kernel names, quernsum's -a, --list and --benchmark, the
// window's selector, the checksum files' tags, names and lengths, the benches, the tests and
// the manual) reads these rows.
#include <type_traits>

#include "DCPblake2.h"
#include "DCPblake3.h"
#include "DCPcrc32c.h"
#include "DCPhaval.h"
#include "DCPmd4.h"
#include "DCPmd5.h"
#include "DCPripemd128.h"
#include "DCPripemd160.h"
#include "DCPsha1.h"
#include "DCPsha256.h"
#include "DCPsha3.h"
#include "DCPsha512.h"
#include "DCPtiger.h"
#include "DCPxxh3.h"
#include "hashhead.h"
#include "hashpaths.h"

namespace {

using hashpaths::PathAlgorithm;
using kernels::Slot;
using enum TAlgorithmGroup;
using hashpaths::Adler32Path;
using hashpaths::Crc32Path;
using hashpaths::Crc64Path;
using hashpaths::Md2Path;

template <class T>
std::unique_ptr<TDCP_hash> NewObject() {
    return std::make_unique<T>();
}

template <class T>
std::unique_ptr<PathAlgorithm> NewPath() {
    if constexpr (std::is_base_of_v<TDCP_hash, T>)
        return std::make_unique<hashpaths::HashObjectPath>(std::make_unique<T>());
    else
        return std::make_unique<T>();
}

template <class T>
constexpr std::unique_ptr<TDCP_hash> (*ObjectFactory())() {
    if constexpr (std::is_base_of_v<TDCP_hash, T>)
        return &NewObject<T>;
    else
        return nullptr;
}

// A row for T, a hash object class or one of the four file routines of hashpaths.h: the id and
// the digest size come from T, and so do the chunk shape and the factories.
template <class T>
constexpr TAlgorithmInfo Row(const char* name, std::string_view tag, std::string_view aliases,
                             std::string_view files, int32_t lengthOrder, int32_t cost,
                             TAlgorithmGroup group,
                             std::optional<Slot> kernel, std::string_view standard) {
    constexpr bool object = std::is_base_of_v<TDCP_hash, T>;
    static_assert(T::kHashSize % 8 == 0);
    return {name,
            T::kId,
            T::kHashSize / 4,
            tag,
            aliases,
            files,
            lengthOrder,
            cost,
            group,
            object ? HashObjectShape : FileRoutineShape,
            &NewPath<T>,
            ObjectFactory<T>(),
            kernel,
            standard};
}

// The columns are TAlgorithmInfo's (hashhead.h); "#" is LengthOrder. The classic fourteen
// come in the order the selector shows them.
// clang-format off
constexpr TAlgorithmInfo kRows[] = {
//  class                name         tag          aliases       files                               # cost group      kernel         standard
    Row<TDCP_haval>(     "haval",     "HAVAL",     "HAVAL256",   ".haval HAVALSUMS",                2,  16, Classic,   {},            "HAVAL, 5 passes (pads with 0x80, not 0x01)"),
    Row<Md2Path>(        "md2",       "MD2",       "",           ".md2 MD2SUMS",                    2, 880, Classic,   {},            "RFC 1319"),
    Row<TDCP_md4>(       "md4",       "MD4",       "",           ".md4 MD4SUMS",                    3,   8, Classic,   {},            "RFC 1320"),
    Row<TDCP_md5>(       "md5",       "MD5",       "",           ".md5 MD5SUMS",                    1,  14, Classic,   {},            "RFC 1321"),
    Row<TDCP_sha1>(      "sha1",      "SHA1",      "",           ".sha1 SHA1SUMS",                  1,   6, Classic,   Slot::Sha1,    "FIPS 180-1"),
    Row<TDCP_sha256>(    "sha256",    "SHA256",    "SHA2-256",   ".sha256 SHA256SUMS",              1,   7, Classic,   Slot::Sha256,  "FIPS 180-2"),
    Row<TDCP_sha384>(    "sha384",    "SHA384",    "SHA2-384",   ".sha384 SHA384SUMS",              1,  13, Classic,   Slot::Sha512,  "FIPS 180-2"),
    Row<TDCP_sha512>(    "sha512",    "SHA512",    "SHA2-512",   ".sha512 SHA512SUMS",              1,  13, Classic,   Slot::Sha512,  "FIPS 180-2"),
    Row<TDCP_ripemd128>( "ripemd128", "RIPEMD128", "RMD128",     ".ripemd128 RIPEMD128SUMS",        4,  12, Classic,   {},            "RIPEMD-128"),
    Row<TDCP_ripemd160>( "ripemd160", "RIPEMD160", "RMD160",     ".ripemd160 RIPEMD160SUMS",        2,  18, Classic,   {},            "RIPEMD-160"),
    Row<TDCP_tiger>(     "tiger",     "TIGER",     "TIGER192",   ".tiger TIGERSUMS",                1,  15, Classic,   {},            "Tiger, 3 passes"),
    Row<Crc32Path>(      "crc32",     "CRC32",     "CRC",        ".sfv .crc32 CRC32SUMS",           1,   2, Checksums, Slot::Crc32,   "CRC-32 (ISO-HDLC, as zlib)"),
    Row<Crc64Path>(      "crc64",     "CRC64",     "",           ".crc64 CRC64SUMS",                1,   2, Checksums, Slot::Crc64,   "CRC-64/XZ"),
    Row<Adler32Path>(    "adler32",   "ADLER32",   "ADLER",      ".adler32 ADLER32SUMS",            2,   2, Checksums, Slot::Adler32, "Adler-32, RFC 1950"),
    Row<TDCP_blake3>(    "blake3",    "BLAKE3",    "",           ".b3 .blake3 B3SUMS BLAKE3SUMS",   3,   3, Modern,    Slot::Blake3,  "BLAKE3 (the BLAKE3 paper, 2020)"),
    Row<TDCP_blake2b>(   "blake2b",   "BLAKE2b",   "BLAKE2B512", ".b2 .blake2b B2SUMS BLAKE2BSUMS", 2,  10, Modern,    Slot::Blake2b, "BLAKE2b-512, RFC 7693"),
    Row<TDCP_blake2s>(   "blake2s",   "BLAKE2s",   "BLAKE2S256", ".blake2s BLAKE2SSUMS",            4,  16, Modern,    Slot::Blake2s, "BLAKE2s-256, RFC 7693"),
    Row<TDCP_sha3_224>(  "sha3-224",  "SHA3-224",  "",           ".sha3-224 SHA3-224SUMS",          2,  16, Modern,    Slot::Keccak,  "SHA3-224, FIPS 202"),
    Row<TDCP_sha3_256>(  "sha3-256",  "SHA3-256",  "",           ".sha3 .sha3-256 SHA3-256SUMS",    5,  17, Modern,    Slot::Keccak,  "SHA3-256, FIPS 202"),
    Row<TDCP_sha3_384>(  "sha3-384",  "SHA3-384",  "",           ".sha3-384 SHA3-384SUMS",          2,  22, Modern,    Slot::Keccak,  "SHA3-384, FIPS 202"),
    Row<TDCP_sha3_512>(  "sha3-512",  "SHA3-512",  "",           ".sha3-512 SHA3-512SUMS",          3,  32, Modern,    Slot::Keccak,  "SHA3-512, FIPS 202"),
    Row<TDCP_sha224>(    "sha224",    "SHA224",    "SHA2-224",   ".sha224 SHA224SUMS",              1,   7, Modern,    Slot::Sha256,  "SHA-224, FIPS 180-4"),
    Row<TDCP_crc32c>(    "crc32c",    "CRC32C",    "",           ".crc32c CRC32CSUMS",              3,   1, Checksums, Slot::Crc32c,  "CRC-32C (Castagnoli, as iSCSI, RFC 3720)"),
    Row<TDCP_xxh3>(      "xxh3",      "XXH3",      "XXH3_64",    ".xxh3 XXH3SUMS",                  2,   1, Checksums, Slot::Xxh3,    "XXH3-64, seed 0 (xxHash's XXH3 description)"),
    Row<TDCP_xxh128>(    "xxh128",    "XXH128",    "XXH3_128",   ".xxh128 XXH128SUMS",              5,   1, Checksums, Slot::Xxh3,    "XXH3-128, seed 0 (xxHash's XXH3 description)"),
};
// clang-format on

}  // namespace

constinit const std::span<const TAlgorithmInfo> AlgorithmTable{kRows};

const TAlgorithmInfo* AlgorithmById(int32_t Id) {
    for (const TAlgorithmInfo& a : AlgorithmTable)
        if (a.Id == Id) return &a;
    return nullptr;
}

int32_t AlgorithmIdFromName(std::string_view Name) {
    for (const TAlgorithmInfo& a : AlgorithmTable)
        if (Name == a.Name) return a.Id;
    return -1;
}

std::unique_ptr<TDCP_hash> CreateHashObject(int32_t AlgorithmId) {
    const TAlgorithmInfo* a = AlgorithmById(AlgorithmId);
    return a && a->MakeObject ? a->MakeObject() : nullptr;
}
