// CRC-32, CRC-64 (ECMA-182, reflected) and Adler-32 with ISA-L.
#include <isa-l/crc.h>
#include <isa-l/crc64.h>
#include <isa-l/igzip_lib.h>

#include <string>

#include "peer_main.h"

int main(int argc, char** argv) {
    if (argc != 3) return peer::Usage(argv[0]);
    const std::string alg = argv[1];
    if (alg == "crc32") {
        uint32_t crc = 0;
        if (!peer::ReadChunks(argv[2], [&](const unsigned char* p, size_t n) {
                crc = crc32_gzip_refl(crc, p, n);
            }))
            return 1;
        peer::PrintValue(crc, 8);
    } else if (alg == "crc64") {
        uint64_t crc = 0;
        if (!peer::ReadChunks(argv[2], [&](const unsigned char* p, size_t n) {
                crc = crc64_ecma_refl(crc, p, n);
            }))
            return 1;
        peer::PrintValue(crc, 16);
    } else if (alg == "adler32") {
        uint32_t adler = 1;
        if (!peer::ReadChunks(argv[2], [&](const unsigned char* p, size_t n) {
                adler = isal_adler32(adler, p, n);
            }))
            return 1;
        peer::PrintValue(adler, 8);
    } else {
        return peer::kUnsupported;
    }
    return 0;
}
