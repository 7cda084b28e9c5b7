// BLAKE3 over one large file on several threads. The file is cut into pieces of kPiece bytes;
// every piece but the last is a complete subtree of the file's tree, so its chaining value
// depends on its bytes and its place only. The last piece (1 to kPiece bytes) is hashed like a
// whole input that starts at its chunk, up to its top node, which is left uncompressed since it
// may be the root. Threads take pieces from a shared counter; each reads its piece kRead bytes
// at a time with pread into a buffer of its own (never through a mapping: a mapping's faults
// are caught on the thread that made it only) and hashes each read while it is in the cache.
//
// A finished piece joins the tree at once if every piece before it has: its chaining value is
// pushed onto one stack of subtrees, in order. One finished early waits in a ring of kWindow
// slots, and no thread starts a piece that would not fit in the ring, so memory stays the same
// for a file of any size.
//
// The calling thread hashes pieces too; after each of its reads, and whenever it waits for the
// others, it reports progress and reads the stop flag, as the chunk loop does. At the end it
// folds the stack with the last piece's top node into the root.
#include "blake3_parallel.h"

#include <algorithm>
#include <condition_variable>
#include <cstring>
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

size_t ReadWithPread(fileio::Handle h, void* buffer, size_t count, int64_t offset, int* error) {
    return fileio::ReadUpTo(h, buffer, count, error, offset);
}

class TreeRun {
public:
    TreeRun(fileio::Handle h, int64_t size, const engine::Request& r, ReadAt read)
        : h_(h),
          size_(uint64_t(size)),
          fullPieces_((size_ - 1) / kPiece),
          read_(read ? read : ReadWithPread),
          request_(r) {}

    Error Hash(uint8_t digest[blake3::kCvLen]);

private:
    void TakePieces(uint8_t* buffer, bool caller);
    bool HashPiece(uint64_t i, uint8_t* buffer, bool caller);
    bool AwaitRoom(uint64_t i, bool caller);
    void Join(uint64_t i, const uint8_t cv[blake3::kCvLen]);
    void AfterRead(bool caller);
    void Report();
    void Abandon();
    void Fail(Error e);
    bool Stopped() const { return request_.stop && request_.stop->load(std::memory_order_relaxed); }
    bool Abandoned() const { return abandon_.load(std::memory_order_relaxed); }
    // Waits on changed_ until Done() holds; the caller meanwhile reports each advance of the
    // bytes hashed, until the hash is given up.
    template <class Done>
    void WaitUntil(std::unique_lock<std::mutex>& lock, bool caller, Done done);

    const fileio::Handle h_;
    const uint64_t size_;
    const uint64_t fullPieces_;  // pieces before the last one
    const ReadAt read_;
    const engine::Request& request_;

    std::atomic<uint64_t> nextPiece_{0};
    std::atomic<uint64_t> hashed_{0};   // bytes hashed so far, by every thread
    std::atomic<bool> abandon_{false};  // a failure or a stop: every thread leaves
    std::atomic<bool> callerWaits_{false};

    std::mutex m_;  // guards the fields below
    // A piece joined the tree, a helper ended, the hash was given up, or (while the caller
    // waits) more bytes were hashed.
    std::condition_variable changed_;
    unsigned helpersRunning_ = 0;
    Error failure_;         // the first failed read, whatever thread met it
    blake3::CvStack tree_;  // the full pieces before joined_
    uint64_t joined_ = 0;
    uint8_t ring_[kWindow][blake3::kCvLen];  // pieces finished after joined_, at i % kWindow
    bool ready_[kWindow] = {};
    blake3::Output last_{};  // the last piece's top node
};

// The progress call of the chunk loop: the 1-based position of the next byte (the size is
// reported once everything is hashed); then the stop flag.
void TreeRun::Report() {
    if (request_.progress) {
        const uint64_t hashed = hashed_.load(std::memory_order_relaxed);
        request_.progress(int64_t(size_), int64_t(std::min(hashed + 1, size_)));
    }
    if (Stopped()) Abandon();
}

void TreeRun::Abandon() {
    abandon_.store(true, std::memory_order_relaxed);
    const std::lock_guard<std::mutex> lock(m_);
    changed_.notify_all();
}

void TreeRun::Fail(Error e) {
    {
        const std::lock_guard<std::mutex> lock(m_);
        if (failure_.kind == Failure::None) failure_ = e;
    }
    Abandon();
}

void TreeRun::AfterRead(bool caller) {
    if (caller) {
        if (!Abandoned()) Report();
    } else if (callerWaits_.load(std::memory_order_acquire)) {
        const std::lock_guard<std::mutex> lock(m_);
        changed_.notify_all();
    }
}

template <class Done>
void TreeRun::WaitUntil(std::unique_lock<std::mutex>& lock, bool caller, Done done) {
    if (!caller) {
        changed_.wait(lock, done);
        return;
    }
    callerWaits_.store(true, std::memory_order_release);
    uint64_t seen = hashed_.load(std::memory_order_relaxed);
    while (!done()) {
        changed_.wait(lock, [&] { return done() || hashed_.load() != seen; });
        if (hashed_.load() != seen) {
            seen = hashed_.load();
            if (Abandoned()) continue;  // no progress after a stop or a failure
            lock.unlock();
            Report();
            lock.lock();
        }
    }
    callerWaits_.store(false, std::memory_order_release);
}

// Until piece i fits in the ring; false when the hash was given up meanwhile.
bool TreeRun::AwaitRoom(uint64_t i, bool caller) {
    std::unique_lock<std::mutex> lock(m_);
    WaitUntil(lock, caller, [&] { return i < joined_ + kWindow || Abandoned(); });
    return !Abandoned();
}

void TreeRun::Join(uint64_t i, const uint8_t cv[blake3::kCvLen]) {
    const std::lock_guard<std::mutex> lock(m_);
    std::memcpy(ring_[i % kWindow], cv, blake3::kCvLen);
    ready_[i % kWindow] = true;
    const uint64_t before = joined_;
    while (joined_ < fullPieces_ && ready_[joined_ % kWindow]) {
        tree_.Push(ring_[joined_ % kWindow], kPiece / blake3::kChunkLen);
        ready_[joined_ % kWindow] = false;
        ++joined_;
    }
    if (joined_ != before) changed_.notify_all();
}

// Hashes piece i; false when it was given up (a failed read, a stop, or another thread's
// failure).
bool TreeRun::HashPiece(uint64_t i, uint8_t* buffer, bool caller) {
    const uint64_t start = i * kPiece;
    const bool full = i < fullPieces_;
    if (full && !AwaitRoom(i, caller)) return false;
    const uint64_t length = full ? kPiece : size_ - start;
    blake3::CvStack subtrees;                 // a full piece: its reads' subtrees
    std::optional<blake3::Hasher> lastPiece;  // the last piece
    if (!full) lastPiece.emplace(start / blake3::kChunkLen);
    for (uint64_t at = 0; at < length; at += kRead) {
        if (Abandoned()) return false;
        if (Stopped()) {
            Abandon();
            return false;
        }
        const size_t count = size_t(std::min<uint64_t>(kRead, length - at));
        int error = 0;
        if (read_(h_, buffer, count, int64_t(start + at), &error) < count) {
            // Cut short: an error, or the end of a file that is now shorter than measured.
            Fail(error != 0 ? Error{Failure::ReadError, error} : Error{Failure::Changed, 0});
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
        hashed_.fetch_add(count, std::memory_order_relaxed);
        AfterRead(caller);
    }
    if (full) {
        uint8_t cv[blake3::kCvLen];
        subtrees.Top(cv);
        Join(i, cv);
    } else {
        last_ = lastPiece->Finish();  // read by the caller once every helper has ended
    }
    return true;
}

// Takes pieces until none is left or the hash is given up.
void TreeRun::TakePieces(uint8_t* buffer, bool caller) {
    while (!Abandoned()) {
        const uint64_t i = nextPiece_.fetch_add(1, std::memory_order_relaxed);
        if (i > fullPieces_ || !HashPiece(i, buffer, caller)) return;
    }
}

Error TreeRun::Hash(uint8_t digest[blake3::kCvLen]) {
    unsigned threads = 1;
    if (int64_t(size_) >= kMinThreaded) {
        threads = request_.threads > 0 ? request_.threads
                                       : std::max(1u, std::thread::hardware_concurrency());
        threads = unsigned(std::min<uint64_t>({threads, fullPieces_ + 1, kMaxThreads}));
    }
    std::vector<fileio::ReadBuffer> buffers;
    for (unsigned k = 0; k < threads; ++k)
        buffers.push_back(fileio::MakeReadBuffer(size_t(std::min<uint64_t>(kRead, size_))));

    // The helpers are given up and joined on every way out, an exception from the progress
    // function included.
    std::vector<std::thread> helpers;
    struct Joiner {
        TreeRun& run;
        std::vector<std::thread>& helpers;
        ~Joiner() {
            if (helpers.empty()) return;
            run.Abandon();
            for (std::thread& t : helpers)
                t.join();
        }
    } joiner{*this, helpers};
    for (unsigned k = 1; k < threads; ++k) {
        {
            const std::lock_guard<std::mutex> lock(m_);
            ++helpersRunning_;
        }
        try {
            helpers.emplace_back([this, buffer = buffers[k].get()] {
                TakePieces(buffer, false);
                const std::lock_guard<std::mutex> lock(m_);
                --helpersRunning_;
                changed_.notify_all();
            });
        } catch (const std::system_error&) {
            // No more threads to be had: the ones that started do the work.
            const std::lock_guard<std::mutex> lock(m_);
            --helpersRunning_;
            break;
        }
    }

    TakePieces(buffers[0].get(), true);
    {
        std::unique_lock<std::mutex> lock(m_);
        WaitUntil(lock, true, [&] { return helpersRunning_ == 0; });
    }
    for (std::thread& t : helpers)
        t.join();
    helpers.clear();

    if (failure_.kind != Failure::None) return failure_;
    if (Abandoned()) return {Failure::Stopped, 0};
    if (request_.progress) request_.progress(int64_t(size_), int64_t(size_));
    if (Stopped()) return {Failure::Stopped, 0};
    // Every read was whole; a file cut meanwhile (after its part was read) is not the file that
    // was hashed either.
    if (fileio::FileSize(h_) < int64_t(size_)) return {Failure::Changed, 0};
    tree_.Fold(last_).RootBytes(digest);
    return {};
}

}  // namespace

engine::Error HashOpenFile(fileio::Handle H, int64_t Size, const engine::Request& Request,
                           uint8_t Digest[32], ReadAt Read) {
    TreeRun run(H, Size, Request, Read);
    return run.Hash(Digest);
}

}  // namespace blake3par
