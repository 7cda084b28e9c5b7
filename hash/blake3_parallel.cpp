// BLAKE3 over one large file on several threads. The file is cut into pieces of kPiece bytes;
// every piece but the last is a complete subtree of the file's tree, so its chaining value
// depends on its bytes and its place only. The last piece (1 to kPiece bytes) is hashed like a
// whole input that starts at its chunk, up to its top node, which is left uncompressed since it
// may be the root. Threads take pieces from a shared counter; each reads its piece kRead bytes
// at a time with pread into a buffer of its own (never through a mapping: a mapping's faults
// are caught on the thread that made it only) and hashes each read while it is in the cache.
// The calling thread hashes pieces too; after each of its reads, and while it waits for the
// others at the end, it reports progress and reads the stop flag, as the chunk loop does. At the
// end it pushes the pieces' chaining values onto a stack in order and folds it with the last
// piece's top node into the root.
#include "blake3_parallel.h"

#include <algorithm>
#include <array>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <new>
#include <optional>
#include <system_error>
#include <thread>
#include <vector>

#include "DCPblake3.h"

namespace blake3par {

namespace {

using engine::Error;
using engine::Failure;

// A read buffer on a page boundary: the kernel copies into a buffer that starts off a cache
// line several times slower (malloc's large blocks start 16 bytes into a page: 128 KiB reads of
// a file in the page cache took 0.42 s per GiB of CPU time there, 0.09 s into this one).
struct PageAligned {
    static constexpr std::align_val_t kAlign{4096};
    void operator()(uint8_t* p) const { ::operator delete[](p, kAlign); }
    static std::unique_ptr<uint8_t[], PageAligned> Make(size_t n) {
        return std::unique_ptr<uint8_t[], PageAligned>(
            static_cast<uint8_t*>(::operator new[](n, kAlign)));
    }
};

size_t ReadWithPread(fileio::Handle h, void* buffer, size_t count, int64_t offset, int* error) {
    return fileio::ReadUpTo(h, buffer, count, error, offset);
}

// What the threads share.
struct Shared {
    fileio::Handle h;
    uint64_t size;
    uint64_t fullPieces;  // pieces before the last one
    ReadAt read;
    const std::atomic<bool>* stop;

    std::atomic<uint64_t> nextPiece{0};
    std::atomic<uint64_t> done{0};     // bytes hashed so far, by every thread
    std::atomic<bool> abandon{false};  // a failure or a stop: every thread leaves at its next read
    std::atomic<bool> callerWaits{false};

    std::mutex m;  // guards the fields below
    std::condition_variable changed;
    unsigned helpersRunning = 0;
    Error failure;  // the first failed read, whatever thread met it

    std::vector<std::array<uint8_t, blake3::kCvLen>> cvs;  // one per full piece
    blake3::Output last{};                                 // the last piece's top node

    bool Stopped() const { return stop && stop->load(std::memory_order_relaxed); }

    void Fail(Error e) {
        {
            const std::lock_guard<std::mutex> lock(m);
            if (failure.kind == Failure::None) failure = e;
        }
        abandon.store(true, std::memory_order_relaxed);
    }

    // Wakes the calling thread when it waits for the helpers.
    void Tell() {
        if (!callerWaits.load(std::memory_order_acquire)) return;
        const std::lock_guard<std::mutex> lock(m);
        changed.notify_one();
    }
};

// Hashes piece i into Buffer's thread's share of the results; AfterRead runs after each read.
// False when the piece was given up (a failed read, a stop, or another thread's failure).
template <class AfterRead>
bool HashPiece(Shared& s, uint64_t i, uint8_t* buffer, AfterRead&& afterRead) {
    const uint64_t start = i * kPiece;
    const bool full = i < s.fullPieces;
    const uint64_t length = full ? kPiece : s.size - start;
    blake3::CvStack subtrees;                 // a full piece: its reads' subtrees
    std::optional<blake3::Hasher> lastPiece;  // the last piece
    if (!full) lastPiece.emplace(start / blake3::kChunkLen);
    for (uint64_t at = 0; at < length; at += kRead) {
        if (s.abandon.load(std::memory_order_relaxed)) return false;
        if (s.Stopped()) {
            s.abandon.store(true, std::memory_order_relaxed);
            return false;
        }
        const size_t count = size_t(std::min<uint64_t>(kRead, length - at));
        int error = 0;
        if (s.read(s.h, buffer, count, int64_t(start + at), &error) < count) {
            // Cut short: an error, or the end of a file that is now shorter than measured.
            s.Fail(error != 0 ? Error{Failure::ReadError, error} : Error{Failure::Changed, 0});
            return false;
        }
        if (full) {
            uint8_t cv[blake3::kCvLen];
            blake3::SubtreeCv(buffer, count / blake3::kChunkLen, (start + at) / blake3::kChunkLen,
                              cv);
            subtrees.Push(cv, count / blake3::kChunkLen);
        } else {
            lastPiece->Update(buffer, count);
        }
        s.done.fetch_add(count, std::memory_order_relaxed);
        afterRead();
    }
    if (full)
        subtrees.Top(s.cvs[i].data());
    else
        s.last = lastPiece->Finish();
    return true;
}

// Takes pieces until none is left or the hash is given up.
template <class AfterRead>
void TakePieces(Shared& s, uint8_t* buffer, AfterRead&& afterRead) {
    while (!s.abandon.load(std::memory_order_relaxed)) {
        const uint64_t i = s.nextPiece.fetch_add(1, std::memory_order_relaxed);
        if (i > s.fullPieces) return;
        if (!HashPiece(s, i, buffer, afterRead)) return;
    }
}

unsigned ThreadsFor(const engine::Request& r, uint64_t size, uint64_t pieces) {
    if (int64_t(size) < kMinThreaded) return 1;
    unsigned n = r.threads;
    if (n == 0) n = std::max(1u, std::thread::hardware_concurrency());
    return unsigned(std::min<uint64_t>(n, pieces));
}

}  // namespace

engine::Error HashOpenFile(fileio::Handle H, int64_t Size, const engine::Request& Request,
                           uint8_t Digest[32], ReadAt Read) {
    Shared s;
    s.h = H;
    s.size = uint64_t(Size);
    s.fullPieces = (s.size - 1) / kPiece;
    s.read = Read ? Read : ReadWithPread;
    s.stop = Request.stop;
    s.cvs.resize(s.fullPieces);
    const unsigned threads = ThreadsFor(Request, s.size, s.fullPieces + 1);
    std::vector<std::unique_ptr<uint8_t[], PageAligned>> buffers;
    for (unsigned k = 0; k < threads; ++k)
        buffers.push_back(PageAligned::Make(size_t(std::min<uint64_t>(kRead, s.size))));

    // The progress call of the chunk loop: the 1-based position of the next byte, the size once
    // everything is hashed; then the stop flag.
    const auto report = [&] {
        if (Request.progress) {
            const uint64_t done = s.done.load(std::memory_order_relaxed);
            Request.progress(Size, int64_t(std::min(done + 1, s.size)));
        }
        if (s.Stopped()) s.abandon.store(true, std::memory_order_relaxed);
    };

    // The helpers are given up and joined on every way out, an exception from the progress
    // function included.
    std::vector<std::thread> helpers;
    struct Joiner {
        Shared& s;
        std::vector<std::thread>& helpers;
        ~Joiner() {
            s.abandon.store(true, std::memory_order_relaxed);
            for (std::thread& t : helpers)
                t.join();
        }
    } joiner{s, helpers};
    for (unsigned k = 1; k < threads; ++k) {
        {
            const std::lock_guard<std::mutex> lock(s.m);
            ++s.helpersRunning;
        }
        try {
            helpers.emplace_back([&s, buffer = buffers[k].get()] {
                TakePieces(s, buffer, [&s] { s.Tell(); });
                {
                    const std::lock_guard<std::mutex> lock(s.m);
                    --s.helpersRunning;
                }
                s.changed.notify_one();
            });
        } catch (const std::system_error&) {
            // No more threads to be had: the ones that started do the work.
            const std::lock_guard<std::mutex> lock(s.m);
            --s.helpersRunning;
            break;
        }
    }

    TakePieces(s, buffers[0].get(), report);

    // The helpers' last pieces: report as they advance, until all are done.
    s.callerWaits.store(true, std::memory_order_release);
    {
        std::unique_lock<std::mutex> lock(s.m);
        uint64_t seen = s.done.load(std::memory_order_relaxed);
        while (s.helpersRunning > 0) {
            s.changed.wait(lock, [&] {
                return s.helpersRunning == 0 || s.done.load(std::memory_order_relaxed) != seen;
            });
            if (s.helpersRunning == 0) break;
            seen = s.done.load(std::memory_order_relaxed);
            lock.unlock();
            report();
            lock.lock();
        }
    }
    for (std::thread& t : helpers)
        t.join();
    helpers.clear();

    if (s.failure.kind != Failure::None) return s.failure;
    if (s.abandon.load(std::memory_order_relaxed)) return {Failure::Stopped, 0};
    if (Request.progress) Request.progress(Size, Size);
    if (s.Stopped()) return {Failure::Stopped, 0};
    // Every read was whole; a file cut meanwhile (after its part was read) is not the file that
    // was hashed either.
    if (fileio::FileSize(H) < Size) return {Failure::Changed, 0};

    blake3::CvStack stack;
    for (const auto& cv : s.cvs)
        stack.Push(cv.data(), kPiece / blake3::kChunkLen);
    stack.Fold(s.last).RootBytes(Digest);
    return {};
}

}  // namespace blake3par
