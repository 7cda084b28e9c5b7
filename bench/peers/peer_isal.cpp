// CRC-32, CRC-64 (ECMA-182, reflected) and Adler-32 with ISA-L.
#include <isa-l/crc.h>
#include <isa-l/crc64.h>
#include <isa-l/igzip_lib.h>

#include <string>

#include "peer_main.h"

int main(int argc, char** argv) {
    if (argc != 3) return peer::Usage(argv[0]);
    const std::string alg = argv[1];
    using B = const unsigned char*;
    if (alg == "crc32")
        return peer::Checksum(argv[2], uint32_t(0), 8,
                              [](uint32_t v, B p, size_t n) { return crc32_gzip_refl(v, p, n); });
    if (alg == "crc64")
        return peer::Checksum(argv[2], uint64_t(0), 16,
                              [](uint64_t v, B p, size_t n) { return crc64_ecma_refl(v, p, n); });
    if (alg == "adler32")
        return peer::Checksum(argv[2], uint32_t(1), 8,
                              [](uint32_t v, B p, size_t n) { return isal_adler32(v, p, n); });
    return peer::kUnsupported;
}
