// Digests with OpenSSL's EVP interface (MD4 from the legacy provider).
#include <openssl/evp.h>
#include <openssl/provider.h>

#include <map>
#include <string>

#include "peer_main.h"

int main(int argc, char** argv) {
    if (argc != 3) return peer::Usage(argv[0]);
    const std::map<std::string, const char*> algorithms = {
        {"md4", "MD4"},
        {"md5", "MD5"},
        {"sha1", "SHA1"},
        {"sha256", "SHA256"},
        {"sha384", "SHA384"},
        {"sha512", "SHA512"},
        {"ripemd160", "RIPEMD160"},
        {"sha224", "SHA224"},
        {"sha3-224", "SHA3-224"},
        {"sha3-256", "SHA3-256"},
        {"sha3-384", "SHA3-384"},
        {"sha3-512", "SHA3-512"},
        {"blake2b", "BLAKE2B-512"},
        {"blake2s", "BLAKE2S-256"},
    };
    const auto it = algorithms.find(argv[1]);
    if (it == algorithms.end()) return peer::kUnsupported;
    if (it->first == "md4" || it->first == "ripemd160") {
        OSSL_PROVIDER_load(nullptr, "legacy");
        OSSL_PROVIDER_load(nullptr, "default");
    }
    EVP_MD* md = EVP_MD_fetch(nullptr, it->second, nullptr);
    if (!md) return peer::kUnsupported;
    EVP_MD_CTX* ctx = EVP_MD_CTX_new();
    EVP_DigestInit_ex(ctx, md, nullptr);
    if (!peer::ReadChunks(argv[2],
                          [&](const unsigned char* p, size_t n) { EVP_DigestUpdate(ctx, p, n); }))
        return 1;
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int len = 0;
    EVP_DigestFinal_ex(ctx, digest, &len);
    peer::PrintBytes(digest, len);
    EVP_MD_CTX_free(ctx);
    EVP_MD_free(md);
    return 0;
}
