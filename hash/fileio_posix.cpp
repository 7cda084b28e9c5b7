#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "fileio.h"

namespace fileio {

Handle OpenRegularFile(const char* Path, Sharing, int64_t* Size) {
    // O_NONBLOCK keeps open() from waiting for a writer on a FIFO; the type check on the open
    // descriptor then refuses everything but a regular file.
    const int fd = ::open(Path, O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) return InvalidHandle;
    struct stat st;
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return InvalidHandle;
    }
    if (Size) *Size = int64_t(st.st_size);
    return fd;
}

int64_t FileSize(Handle H) {
    struct stat st;
    if (::fstat(H, &st) != 0) return -1;
    return int64_t(st.st_size);
}

size_t ReadUpTo(Handle H, void* Buffer, size_t Count) {
    auto* p = static_cast<char*>(Buffer);
    size_t done = 0;
    while (done < Count) {
        const ssize_t n = ::read(H, p + done, Count - done);
        if (n > 0) {
            done += size_t(n);
        } else if (n < 0 && errno == EINTR) {
            continue;
        } else {
            break;  // end of file or a read error
        }
    }
    return done;
}

void AdviseSequential(Handle H) {
    ::posix_fadvise(H, 0, 0, POSIX_FADV_SEQUENTIAL);
}

void Close(Handle H) {
    if (H != InvalidHandle) ::close(H);
}

}  // namespace fileio
