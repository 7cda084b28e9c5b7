// Reading a checksum file from a file descriptor (standard input, a pipe, an open file).
#include <unistd.h>

#include <cerrno>

#include "checksumfile.h"
#include "fileopen.h"

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

// The engine's opening: the same rules for what may be opened and whether it may wait.
InputFile::InputFile(const std::string& path, bool regularOnly) {
    fileio::Kind kind;
    int64_t size;
    fd_ = fileio::Open(path.c_str(), regularOnly, &kind, &size, &error_);
}

InputFile::~InputFile() {
    fileio::Close(fd_);
}

}  // namespace sums
