// Opening checksum files on POSIX systems: regular files only, without waiting on a FIFO.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "VerifyRun.h"

TChecksumInput::TChecksumInput(const QByteArray& Path) {
    // O_NONBLOCK lets a FIFO open at once instead of waiting for a writer; it is refused below.
    do
        FFd = ::open(Path.constData(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    while (FFd < 0 && errno == EINTR);
    if (FFd < 0) {
        FError = errno;
        return;
    }
    struct stat Info;
    if (::fstat(FFd, &Info) != 0)
        FError = errno;
    else if (S_ISDIR(Info.st_mode))
        FError = EISDIR;
    else if (!S_ISREG(Info.st_mode))
        FError = ENODEV;
    else if (::fcntl(FFd, F_SETFL, ::fcntl(FFd, F_GETFL) & ~O_NONBLOCK) != 0)
        FError = errno;
    if (FError != 0) {
        ::close(FFd);
        FFd = -1;
    }
}

TChecksumInput::~TChecksumInput() {
    if (FFd >= 0) ::close(FFd);
}
