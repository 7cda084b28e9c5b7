// CRC-32 and Adler-32 with libdeflate.
#include <libdeflate.h>

#include <string>

#include "peer_main.h"

int main(int argc, char** argv) {
    if (argc != 3) return peer::Usage(argv[0]);
    const std::string alg = argv[1];
    using B = const unsigned char*;
    if (alg == "crc32")
        return peer::Checksum(argv[2], uint32_t(0), 8,
                              [](uint32_t v, B p, size_t n) { return libdeflate_crc32(v, p, n); });
    if (alg == "adler32")
        return peer::Checksum(argv[2], uint32_t(1), 8, [](uint32_t v, B p, size_t n) {
            return libdeflate_adler32(v, p, n);
        });
    return peer::kUnsupported;
}
