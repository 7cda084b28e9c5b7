// The common part of the peer drivers: read a file in 64 KiB chunks with read(2), hand every
// chunk to the library under test, print the result as lower-case hex. A driver is called as
//   DRIVER ALGORITHM FILE
// with one of Quernix's algorithm names; it exits with 3 for an algorithm its library lacks.
#pragma once

#include <fcntl.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <vector>

namespace peer {

constexpr int kUnsupported = 3;

// Calls update(data, size) for every chunk; false on an open or read error.
template <class Update>
bool ReadChunks(const char* path, Update&& update) {
    const int fd = ::open(path, O_RDONLY);
    if (fd < 0) return false;
    std::vector<unsigned char> buf(64 * 1024);
    for (;;) {
        const ssize_t n = ::read(fd, buf.data(), buf.size());
        if (n < 0) {
            ::close(fd);
            return false;
        }
        if (n == 0) break;
        update(buf.data(), size_t(n));
    }
    ::close(fd);
    return true;
}

inline void PrintBytes(const unsigned char* p, size_t n) {
    for (size_t i = 0; i < n; ++i)
        std::printf("%02x", p[i]);
    std::printf("\n");
}

// A checksum as a number: 8 or 16 hex digits, most significant first.
inline void PrintValue(uint64_t v, int digits) {
    std::printf("%0*llx\n", digits, static_cast<unsigned long long>(v));
}

// Runs a checksum over the file: value = next(value, data, size) for every chunk, starting from
// start, then prints it with the given number of hex digits. Returns the exit status.
template <class T, class Next>
int Checksum(const char* path, T start, int digits, Next&& next) {
    T value = start;
    if (!ReadChunks(path, [&](const unsigned char* p, size_t n) { value = next(value, p, n); }))
        return 1;
    PrintValue(value, digits);
    return 0;
}

inline int Usage(const char* self) {
    std::fprintf(stderr, "usage: %s ALGORITHM FILE\n", self);
    return 2;
}

}  // namespace peer
