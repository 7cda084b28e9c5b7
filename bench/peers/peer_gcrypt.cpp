// Digests with libgcrypt.
#include <gcrypt.h>

#include <map>
#include <string>

#include "peer_main.h"

int main(int argc, char** argv) {
    if (argc != 3) return peer::Usage(argv[0]);
    const std::map<std::string, int> algorithms = {
        {"md4", GCRY_MD_MD4},
        {"md5", GCRY_MD_MD5},
        {"sha1", GCRY_MD_SHA1},
        {"sha256", GCRY_MD_SHA256},
        {"sha384", GCRY_MD_SHA384},
        {"sha512", GCRY_MD_SHA512},
        {"ripemd160", GCRY_MD_RMD160},
        {"tiger", GCRY_MD_TIGER1},
        {"crc32", GCRY_MD_CRC32},
        {"sha224", GCRY_MD_SHA224},
        {"sha3-224", GCRY_MD_SHA3_224},
        {"sha3-256", GCRY_MD_SHA3_256},
        {"sha3-384", GCRY_MD_SHA3_384},
        {"sha3-512", GCRY_MD_SHA3_512},
        {"blake2b", GCRY_MD_BLAKE2B_512},
        {"blake2s", GCRY_MD_BLAKE2S_256},
    };
    const auto it = algorithms.find(argv[1]);
    if (it == algorithms.end()) return peer::kUnsupported;
    gcry_check_version(nullptr);
    gcry_control(GCRYCTL_INITIALIZATION_FINISHED, 0);
    gcry_md_hd_t h;
    if (gcry_md_open(&h, it->second, 0) != 0) return peer::kUnsupported;
    if (!peer::ReadChunks(argv[2],
                          [&](const unsigned char* p, size_t n) { gcry_md_write(h, p, n); }))
        return 1;
    peer::PrintBytes(gcry_md_read(h, 0), gcry_md_get_algo_dlen(it->second));
    gcry_md_close(h);
    return 0;
}
