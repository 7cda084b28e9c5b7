// CRC-32 and CRC-64 with liblzma.
#include <lzma.h>

#include <string>

#include "peer_main.h"

int main(int argc, char** argv) {
    if (argc != 3) return peer::Usage(argv[0]);
    const std::string alg = argv[1];
    if (alg == "crc32") {
        uint32_t crc = 0;
        if (!peer::ReadChunks(
                argv[2], [&](const unsigned char* p, size_t n) { crc = lzma_crc32(p, n, crc); }))
            return 1;
        peer::PrintValue(crc, 8);
    } else if (alg == "crc64") {
        uint64_t crc = 0;
        if (!peer::ReadChunks(
                argv[2], [&](const unsigned char* p, size_t n) { crc = lzma_crc64(p, n, crc); }))
            return 1;
        peer::PrintValue(crc, 16);
    } else {
        return peer::kUnsupported;
    }
    return 0;
}
