#include <fcntl.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <csignal>
#include <mutex>

#include "fileio.h"

namespace fileio {

namespace {

Kind KindOfMode(mode_t mode) {
    return S_ISREG(mode) ? Kind::Regular : S_ISDIR(mode) ? Kind::Directory : Kind::Other;
}

}  // namespace

Handle Open(const char* Path, bool RegularOnly, Kind* FileKind, int64_t* Size, int* Error) {
    // O_NONBLOCK keeps open() from waiting for a writer on a FIFO; the type check on the open
    // descriptor then refuses everything but a regular file. It stays set: on a regular file
    // it changes nothing.
    const int flags = O_RDONLY | O_CLOEXEC | O_NOCTTY | (RegularOnly ? O_NONBLOCK : 0);
    int fd;
    do {
        fd = ::open(Path, flags);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) {
        *Error = errno;
        return InvalidHandle;
    }
    struct stat st;
    if (::fstat(fd, &st) != 0) {
        *Error = errno;
        ::close(fd);
        return InvalidHandle;
    }
    *FileKind = KindOfMode(st.st_mode);
    if (RegularOnly && *FileKind != Kind::Regular) {
        *Error = *FileKind == Kind::Directory ? EISDIR : ENODEV;
        ::close(fd);
        return InvalidHandle;
    }
    *Size = *FileKind == Kind::Regular ? int64_t(st.st_size) : -1;
    *Error = 0;
    return fd;
}

bool KindOf(const char* Path, Kind* FileKind, int* Error) {
    struct stat st;
    if (::stat(Path, &st) != 0) {
        *Error = errno;
        return false;
    }
    *FileKind = KindOfMode(st.st_mode);
    *Error = 0;
    return true;
}

int64_t FileSize(Handle H) {
    struct stat st;
    if (::fstat(H, &st) != 0) return -1;
    return int64_t(st.st_size);
}

size_t ReadUpTo(Handle H, void* Buffer, size_t Count, int* Error, int64_t Offset) {
    auto* p = static_cast<char*>(Buffer);
    size_t done = 0;
    *Error = 0;
    while (done < Count) {
        const ssize_t n = Offset >= 0
                              ? ::pread(H, p + done, Count - done, off_t(Offset) + off_t(done))
                              : ::read(H, p + done, Count - done);
        if (n > 0) {
            done += size_t(n);
        } else if (n == 0) {
            break;  // end of file
        } else if (errno != EINTR) {
            *Error = errno;
            break;
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
// handler only reads the bounds and sets the flag. Initial-exec TLS: the handler reaches it
// with a plain register-relative load, never through __tls_get_addr (which may allocate).
struct Guarded {
    uintptr_t begin = 0, end = 0;
    volatile sig_atomic_t cutShort = 0;
};
thread_local Guarded t_guarded __attribute__((tls_model("initial-exec")));

// The page size, measured before the handler is first installed, so the handler reads a plain
// integer instead of calling sysconf or passing a static's initialisation guard.
std::atomic<uintptr_t> g_pageMask{0};

// The handler that was there before ours, for faults that are not on a view. Installing ours
// again (when someone replaced it) writes the other slot and then publishes it with one atomic
// store; the handler reads the published slot with one atomic load. No lock is ever taken in
// the handler, and a slot is never written while it is the published one.
struct sigaction g_previousSlots[2];
std::atomic<int> g_previousSlot{0};
static_assert(std::atomic<int>::is_always_lock_free && std::atomic<uintptr_t>::is_always_lock_free,
              "the SIGBUS handler reads these atomics: they must not hide a lock");

// A fault on the guarded view: a page past the new end of a truncated file. Anonymous zero
// pages replace the rest of the view, so the faulting read and every later one go on and see
// zeros; the view is marked cut short. Any other fault: the previous handler is put back and
// the faulting instruction runs again under it (by default, the program ends as it would have).
// Each step is safe in a signal handler:
// - errno is saved and restored, as mmap or sigaction may change it under the interrupted code;
// - si_code is checked first: only a fault raised by the kernel (si_code > 0, BUS_ADRERR for a
//   page past the end of the file) carries a meaningful si_addr; a SIGBUS sent with kill or
//   sigqueue (si_code <= 0) is never taken for a fault on the view;
// - the view's bounds are thread-local integers of the faulting thread, the page mask and the
//   previous handler lock-free atomics; nothing the handler reads is guarded by a lock;
// - mmap, sigaction and raise are system calls without user-space state (sigaction and raise
//   are on POSIX's async-signal-safe list; mmap with MAP_FIXED is a plain system call).
void OnSigbus(int, siginfo_t* info, void*) {
    const int savedErrno = errno;
    const Guarded& g = t_guarded;
    if (info->si_code > 0) {
        const auto address = reinterpret_cast<uintptr_t>(info->si_addr);
        if (g.end > g.begin && address >= g.begin && address < g.end) {
            const uintptr_t page = address & g_pageMask.load(std::memory_order_relaxed);
            void* zeros = ::mmap(reinterpret_cast<void*>(page), g.end - page, PROT_READ,
                                 MAP_PRIVATE | MAP_ANONYMOUS | MAP_FIXED, -1, 0);
            if (zeros != MAP_FAILED) {
                t_guarded.cutShort = 1;
                errno = savedErrno;
                return;
            }
        }
    }
    ::sigaction(SIGBUS, &g_previousSlots[g_previousSlot.load(std::memory_order_acquire)], nullptr);
    if (info->si_code <= 0) ::raise(SIGBUS);  // sent, not a fault: deliver it again
    errno = savedErrno;
}

// Puts OnSigbus in place unless it is there, keeping what was there to hand other faults to.
// Checked at every mapping, so that a handler installed later by someone else doesn't take
// the view's faults. Threads that map views at the same time take turns (the lock is never
// seen by the handler).
void InstallHandler() {
    static std::mutex m;
    const std::lock_guard<std::mutex> lock(m);
    g_pageMask.store(~uintptr_t(PageSize() - 1), std::memory_order_relaxed);
    struct sigaction current;
    if (::sigaction(SIGBUS, nullptr, &current) != 0) return;
    if ((current.sa_flags & SA_SIGINFO) && current.sa_sigaction == OnSigbus) return;
    struct sigaction action = {};
    action.sa_sigaction = OnSigbus;
    action.sa_flags = SA_SIGINFO;
    sigemptyset(&action.sa_mask);
    const int next = 1 - g_previousSlot.load(std::memory_order_relaxed);
    g_previousSlots[next] = current;
    g_previousSlot.store(next, std::memory_order_release);
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
