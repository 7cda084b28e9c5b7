// CRC-32 and Adler-32 with libdeflate.
#include <libdeflate.h>

#include <string>

#include "peer_main.h"

int main(int argc, char** argv) {
    if (argc != 3) return peer::Usage(argv[0]);
    const std::string alg = argv[1];
    if (alg == "crc32") {
        uint32_t crc = 0;
        if (!peer::ReadChunks(argv[2], [&](const unsigned char* p, size_t n) {
                crc = libdeflate_crc32(crc, p, n);
            }))
            return 1;
        peer::PrintValue(crc, 8);
    } else if (alg == "adler32") {
        uint32_t adler = 1;
        if (!peer::ReadChunks(argv[2], [&](const unsigned char* p, size_t n) {
                adler = libdeflate_adler32(adler, p, n);
            }))
            return 1;
        peer::PrintValue(adler, 8);
    } else {
        return peer::kUnsupported;
    }
    return 0;
}
