// Digests with Nettle, through its generic hash descriptors.
#include <nettle/md2.h>
#include <nettle/md4.h>
#include <nettle/md5.h>
#include <nettle/nettle-meta.h>
#include <nettle/ripemd160.h>
#include <nettle/sha1.h>
#include <nettle/sha2.h>
#include <nettle/sha3.h>

#include <map>
#include <string>
#include <vector>

#include "peer_main.h"

int main(int argc, char** argv) {
    if (argc != 3) return peer::Usage(argv[0]);
    const std::map<std::string, const nettle_hash*> algorithms = {
        {"md2", &nettle_md2},           {"md4", &nettle_md4},
        {"md5", &nettle_md5},           {"sha1", &nettle_sha1},
        {"sha256", &nettle_sha256},     {"sha384", &nettle_sha384},
        {"sha512", &nettle_sha512},     {"ripemd160", &nettle_ripemd160},
        {"sha224", &nettle_sha224},     {"sha3-224", &nettle_sha3_224},
        {"sha3-256", &nettle_sha3_256}, {"sha3-384", &nettle_sha3_384},
        {"sha3-512", &nettle_sha3_512},
    };
    const auto it = algorithms.find(argv[1]);
    if (it == algorithms.end()) return peer::kUnsupported;
    const nettle_hash* h = it->second;
    std::vector<unsigned char> ctx(h->context_size), digest(h->digest_size);
    h->init(ctx.data());
    if (!peer::ReadChunks(argv[2],
                          [&](const unsigned char* p, size_t n) { h->update(ctx.data(), n, p); }))
        return 1;
    h->digest(ctx.data(), digest.size(), digest.data());
    peer::PrintBytes(digest.data(), digest.size());
    return 0;
}
