#include <fcntl.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <mutex>

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

size_t PageSize() {
    static const size_t size = size_t(::sysconf(_SC_PAGESIZE));
    return size;
}

namespace {

#ifdef MADV_POPULATE_READ
constexpr int kPopulateRead = MADV_POPULATE_READ;
#else
constexpr int kPopulateRead = 22;  // the Linux value, for older headers
#endif

// The view this thread is reading, for the SIGBUS handler. A plain struct of integers: the
// handler only reads the bounds and sets the flag.
struct Guarded {
    uintptr_t begin = 0, end = 0;
    volatile sig_atomic_t cutShort = 0;
};
thread_local Guarded t_guarded;

struct sigaction g_previous;

// A fault on the guarded view: a page past the new end of a truncated file. Anonymous zero
// pages replace the rest of the view, so the faulting read and every later one go on and see
// zeros; the view is marked cut short. Any other fault: the previous handler is put back and
// the faulting instruction runs again under it (by default, the program ends as it would have).
void OnSigbus(int, siginfo_t* info, void*) {
    Guarded& g = t_guarded;
    const auto address = reinterpret_cast<uintptr_t>(info->si_addr);
    if (g.end > g.begin && address >= g.begin && address < g.end) {
        const uintptr_t page = address & ~uintptr_t(PageSize() - 1);
        void* zeros = ::mmap(reinterpret_cast<void*>(page), g.end - page, PROT_READ,
                             MAP_PRIVATE | MAP_ANONYMOUS | MAP_FIXED, -1, 0);
        if (zeros != MAP_FAILED) {
            g.cutShort = 1;
            return;
        }
    }
    ::sigaction(SIGBUS, &g_previous, nullptr);
    if (info->si_code <= 0) ::raise(SIGBUS);  // sent, not a fault: deliver it again
}

// Puts OnSigbus in place unless it is there, keeping what was there to hand other faults to.
// Checked at every mapping, so that a handler installed later by someone else doesn't take
// the view's faults. Threads that map views at the same time take turns.
void InstallHandler() {
    static std::mutex m;
    const std::lock_guard<std::mutex> lock(m);
    (void)PageSize();  // measured here, not first in the handler
    struct sigaction current;
    if (::sigaction(SIGBUS, nullptr, &current) != 0) return;
    if ((current.sa_flags & SA_SIGINFO) && current.sa_sigaction == OnSigbus) return;
    struct sigaction action = {};
    action.sa_sigaction = OnSigbus;
    action.sa_flags = SA_SIGINFO;
    sigemptyset(&action.sa_mask);
    g_previous = current;
    ::sigaction(SIGBUS, &action, nullptr);
}

}  // namespace

bool View::Map(Handle H, int64_t Offset, size_t Length) {
    Unmap();
    void* p = ::mmap(nullptr, Length, PROT_READ, MAP_SHARED, H, off_t(Offset));
    if (p == MAP_FAILED) return false;
    ::madvise(p, Length, MADV_SEQUENTIAL);
    // Page tables for the whole window in one call (Linux 5.14 on; older kernels refuse the
    // advice and the pages fault in one by one): cheaper than a fault per 16 pages, and
    // prefetch hints only work on pages that are mapped. Its error, if any, is not ours to
    // report: a page that can't be read faults on access as it would have.
    ::madvise(p, Length, kPopulateRead);
    InstallHandler();
    Data_ = static_cast<const uint8_t*>(p);
    Length_ = Length;
    OuterBegin_ = t_guarded.begin;
    OuterEnd_ = t_guarded.end;
    OuterCutShort_ = t_guarded.cutShort;
    t_guarded.cutShort = 0;
    t_guarded.begin = reinterpret_cast<uintptr_t>(p);
    t_guarded.end = t_guarded.begin + Length;
    return true;
}

void View::Unmap() {
    if (!Data_) return;
    t_guarded.begin = OuterBegin_;
    t_guarded.end = OuterEnd_;
    t_guarded.cutShort = OuterCutShort_;
    ::munmap(const_cast<uint8_t*>(Data_), Length_);
    Data_ = nullptr;
    Length_ = 0;
}

bool View::CutShort() const {
    return Data_ && t_guarded.cutShort != 0;
}

void Close(Handle H) {
    if (H != InvalidHandle) ::close(H);
}

}  // namespace fileio
