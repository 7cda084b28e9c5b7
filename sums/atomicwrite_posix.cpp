// The atomic write on POSIX: mkstemp in the target's folder, write, fsync, rename, and an fsync
// of the folder so that the rename itself survives a crash.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

#include "atomicwrite.h"

namespace sums {

namespace {

// Writes all of Content; false with errno set on failure.
bool WriteAll(int fd, std::string_view content) {
    while (!content.empty()) {
        const ssize_t n = ::write(fd, content.data(), content.size());
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        content.remove_prefix(size_t(n));
    }
    return true;
}

// The umask without changing it for the other threads: read from /proc where it is shown,
// else the usual 022.
mode_t CurrentUmask() {
    mode_t mask = 022;
    if (FILE* status = std::fopen("/proc/self/status", "re")) {
        char line[256];
        unsigned value = 0;
        while (std::fgets(line, sizeof line, status))
            if (std::sscanf(line, "Umask: %o", &value) == 1) {
                mask = mode_t(value);
                break;
            }
        std::fclose(status);
    }
    return mask;
}

}  // namespace

int WriteAtomically(const std::string& path, std::string_view content) {
    const size_t slash = path.rfind('/');
    const std::string folder = slash == std::string::npos ? "." : path.substr(0, slash + 1);
    const std::string base = slash == std::string::npos ? path : path.substr(slash + 1);
    if (base.empty()) return EISDIR;

    mode_t mode = 0644 & ~CurrentUmask();
    struct stat existing;
    if (::stat(path.c_str(), &existing) == 0) {
        // rename() would put a file in place of an empty folder; a folder is refused here.
        if (S_ISDIR(existing.st_mode)) return EISDIR;
        mode = existing.st_mode & 07777;
    }

    std::string temporary = (slash == std::string::npos ? "" : folder) + "." + base + ".XXXXXX";
    const int fd = ::mkostemp(temporary.data(), O_CLOEXEC);
    if (fd < 0) return errno;
    int error = 0;
    if (!WriteAll(fd, content) || ::fchmod(fd, mode) != 0 || ::fsync(fd) != 0) error = errno;
    // close() reports what a network file system could only tell at the end.
    if (::close(fd) != 0 && error == 0) error = errno;
    if (error == 0 && ::rename(temporary.c_str(), path.c_str()) != 0) error = errno;
    if (error != 0) {
        ::unlink(temporary.c_str());
        return error;
    }
    // The new name is in place; flushing the folder makes it last. A folder that cannot be
    // flushed (some file systems refuse) leaves the file complete either way.
    const int dir = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
    return 0;
}

}  // namespace sums
