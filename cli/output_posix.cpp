#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <mutex>
#include <string>

#include "output.h"

namespace cli::output {

namespace {

// Enough to keep the system calls rare next to the hashing; a terminal gets every line at
// once instead.
constexpr size_t kBatch = size_t(64) << 10;

struct State {
    std::timed_mutex mutex;  // held while the buffer changes or is written
    std::string buffer;
    int error = 0;
    const bool terminal = ::isatty(STDOUT_FILENO) == 1;
};

State& Out() {
    static State state;
    return state;
}

// Writes the whole buffer (the lock held) and empties it.
void WriteOut(State& s) {
    const char* p = s.buffer.data();
    size_t left = s.buffer.size();
    while (left > 0 && s.error == 0) {
        const ssize_t n = ::write(STDOUT_FILENO, p, left);
        if (n < 0) {
            if (errno != EINTR) s.error = errno;
            continue;
        }
        p += n;
        left -= size_t(n);
    }
    s.buffer.clear();
}

}  // namespace

void Write(std::string_view Text) {
    State& s = Out();
    std::lock_guard lock(s.mutex);
    s.buffer.append(Text);
    if (s.terminal || s.buffer.size() >= kBatch) WriteOut(s);
}

void Flush() {
    State& s = Out();
    std::lock_guard lock(s.mutex);
    WriteOut(s);
}

void Diagnose(std::string_view Text) {
    Flush();
    std::string line = "quernsum: ";
    line.append(Text) += '\n';
    const char* p = line.data();
    size_t left = line.size();
    while (left > 0) {
        const ssize_t n = ::write(STDERR_FILENO, p, left);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;  // nowhere left to say it
        p += n;
        left -= size_t(n);
    }
}

int Error() {
    State& s = Out();
    std::lock_guard lock(s.mutex);
    return s.error;
}

void FlushBeforeExit() {
    State& s = Out();
    if (!s.mutex.try_lock_for(std::chrono::seconds(1))) return;
    WriteOut(s);
    // Left locked: the process ends now, and no other thread may add a line.
}

}  // namespace cli::output
