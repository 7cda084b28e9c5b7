// CRC-32 and CRC-64 with liblzma.
#include <lzma.h>

#include <string>

#include "peer_main.h"

int main(int argc, char** argv) {
    if (argc != 3) return peer::Usage(argv[0]);
    const std::string alg = argv[1];
    using B = const unsigned char*;
    if (alg == "crc32")
        return peer::Checksum(argv[2], uint32_t(0), 8,
                              [](uint32_t v, B p, size_t n) { return lzma_crc32(p, n, v); });
    if (alg == "crc64")
        return peer::Checksum(argv[2], uint64_t(0), 16,
                              [](uint64_t v, B p, size_t n) { return lzma_crc64(p, n, v); });
    return peer::kUnsupported;
}
