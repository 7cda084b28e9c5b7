// Reading a checksum file from a file descriptor (standard input, a pipe, an open file).
#include <unistd.h>

#include <cerrno>

#include "checksumfile.h"

namespace sums {

ByteSource FromFd(int fd) {
    return [fd](char* buffer, size_t size) -> long {
        for (;;) {
            const ssize_t n = ::read(fd, buffer, size);
            if (n >= 0) return long(n);
            if (errno != EINTR) return -long(errno);
        }
    };
}

}  // namespace sums
