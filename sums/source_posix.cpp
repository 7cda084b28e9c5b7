// Reading a checksum file from a file descriptor (standard input, a pipe, an open file).
#include <fcntl.h>
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

InputFile::InputFile(const std::string& path) {
    do
        fd_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    while (fd_ < 0 && errno == EINTR);
    if (fd_ < 0) error_ = errno;
}

InputFile::~InputFile() {
    if (fd_ >= 0) ::close(fd_);
}

}  // namespace sums
