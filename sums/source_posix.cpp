// Reading a checksum file from a file descriptor (standard input, a pipe, an open file).
#include <fcntl.h>
#include <sys/stat.h>
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

InputFile::InputFile(const std::string& path, bool regularOnly) {
    // O_NONBLOCK lets a FIFO open at once instead of waiting for a writer; it is refused below.
    const int flags = O_RDONLY | O_CLOEXEC | (regularOnly ? O_NONBLOCK | O_NOCTTY : 0);
    do
        fd_ = ::open(path.c_str(), flags);
    while (fd_ < 0 && errno == EINTR);
    if (fd_ < 0) {
        error_ = errno;
        return;
    }
    if (!regularOnly) return;
    struct stat info;
    if (::fstat(fd_, &info) != 0)
        error_ = errno;
    else if (S_ISDIR(info.st_mode))
        error_ = EISDIR;
    else if (!S_ISREG(info.st_mode))
        error_ = ENODEV;
    else if (::fcntl(fd_, F_SETFL, ::fcntl(fd_, F_GETFL) & ~O_NONBLOCK) != 0)
        error_ = errno;
    if (error_ != 0) {
        ::close(fd_);
        fd_ = -1;
    }
}

InputFile::~InputFile() {
    if (fd_ >= 0) ::close(fd_);
}

}  // namespace sums
