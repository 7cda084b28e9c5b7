// Digests and checksums with Crypto++.
#define CRYPTOPP_ENABLE_NAMESPACE_WEAK 1
#include <cryptopp/adler32.h>
#include <cryptopp/crc.h>
#include <cryptopp/md2.h>
#include <cryptopp/md4.h>
#include <cryptopp/md5.h>
#include <cryptopp/ripemd.h>
#include <cryptopp/sha.h>
#include <cryptopp/tiger.h>

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "peer_main.h"

int main(int argc, char** argv) {
    if (argc != 3) return peer::Usage(argv[0]);
    using Make = std::function<std::unique_ptr<CryptoPP::HashTransformation>()>;
    const std::map<std::string, Make> algorithms = {
        {"md2", [] { return std::make_unique<CryptoPP::Weak::MD2>(); }},
        {"md4", [] { return std::make_unique<CryptoPP::Weak::MD4>(); }},
        {"md5", [] { return std::make_unique<CryptoPP::Weak::MD5>(); }},
        {"sha1", [] { return std::make_unique<CryptoPP::SHA1>(); }},
        {"sha256", [] { return std::make_unique<CryptoPP::SHA256>(); }},
        {"sha384", [] { return std::make_unique<CryptoPP::SHA384>(); }},
        {"sha512", [] { return std::make_unique<CryptoPP::SHA512>(); }},
        {"ripemd128", [] { return std::make_unique<CryptoPP::RIPEMD128>(); }},
        {"ripemd160", [] { return std::make_unique<CryptoPP::RIPEMD160>(); }},
        {"tiger", [] { return std::make_unique<CryptoPP::Tiger>(); }},
        {"crc32", [] { return std::make_unique<CryptoPP::CRC32>(); }},
        {"adler32", [] { return std::make_unique<CryptoPP::Adler32>(); }},
    };
    const auto it = algorithms.find(argv[1]);
    if (it == algorithms.end()) return peer::kUnsupported;
    const auto h = it->second();
    if (!peer::ReadChunks(argv[2], [&](const unsigned char* p, size_t n) { h->Update(p, n); }))
        return 1;
    std::vector<unsigned char> digest(h->DigestSize());
    h->Final(digest.data());
    // Crypto++ writes the CRC-32 register least significant byte first.
    if (it->first == "crc32") std::swap(digest[0], digest[3]), std::swap(digest[1], digest[2]);
    peer::PrintBytes(digest.data(), digest.size());
    return 0;
}
