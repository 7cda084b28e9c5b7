#include "readahead.h"

#include <algorithm>

namespace fileio {

bool ReadAheadPays(unsigned Threads, uint64_t Left) {
    // Below this a thread's start costs more than the overlap wins.
    constexpr uint64_t kMinLeft = uint64_t(4) << 20;
    static const unsigned cpus = std::thread::hardware_concurrency();
    return Threads != 1 && cpus > 1 && Left >= kMinLeft;
}

ReadAhead::ReadAhead(fileio::Handle H, size_t Block) : h_(H), blockSize_(Block) {
    for (Slot& s : slots_)
        s.data = fileio::MakeReadBuffer(Block);
    thread_ = std::thread([this] { Run(); });
}

void ReadAhead::Start(uint64_t Offset, uint64_t Limit) {
    std::unique_lock<std::mutex> lock(m_);
    // A block the thread is reading belongs to the reading before: it is let finish first.
    changed_.wait(lock, [&] { return !threadReads_; });
    for (Slot& s : slots_)
        s.filled = false;
    offset_ = Offset;
    limit_ = Limit;
    end_ = (Limit - Offset + blockSize_ - 1) / blockSize_;
    claimed_ = next_ = 0;
    holding_ = false;
    changed_.notify_all();
}

ReadAhead::~ReadAhead() {
    {
        const std::lock_guard<std::mutex> lock(m_);
        quit_ = true;
    }
    changed_.notify_all();
    thread_.join();
}

bool ReadAhead::Claim(uint64_t* block) {
    // Block k's slot is free once the caller has given back block k - kSlots.
    const uint64_t released = holding_ ? next_ - 1 : next_;
    if (quit_ || claimed_ >= end_ || claimed_ >= released + kSlots) return false;
    *block = claimed_++;
    return true;
}

void ReadAhead::Read(uint64_t k, std::unique_lock<std::mutex>& lock, bool byThread) {
    Slot& s = slots_[k % kSlots];
    const uint64_t at = offset_ + k * blockSize_;
    const size_t count = size_t(std::min<uint64_t>(blockSize_, limit_ - at));
    if (byThread) threadReads_ = true;
    lock.unlock();
    int error = 0;
    const size_t got = fileio::ReadUpTo(h_, s.data.get(), count, &error, int64_t(at));
    lock.lock();
    if (byThread) threadReads_ = false;
    s.size = got;
    s.error = error;
    s.filled = true;
    // A short block ends the file: no block after it is handed out.
    if (got < count && end_ > k + 1) end_ = k + 1;
    changed_.notify_all();
}

void ReadAhead::Run() {
    std::unique_lock<std::mutex> lock(m_);
    while (!quit_) {
        uint64_t k;
        if (Claim(&k))
            Read(k, lock, true);
        else
            changed_.wait(lock);
    }
}

ReadAhead::Piece ReadAhead::Take() {
    std::unique_lock<std::mutex> lock(m_);
    if (holding_) {
        slots_[(next_ - 1) % kSlots].filled = false;
        holding_ = false;
        changed_.notify_all();
    }
    for (;;) {
        if (next_ >= end_) return {nullptr, 0, 0};
        // Block next_ is the only one its slot can hold now: the one before it in that slot
        // was given back, and the one after can't be claimed until this one is.
        const Slot& s = slots_[next_ % kSlots];
        if (s.filled) {
            ++next_;
            holding_ = true;
            return {s.data.get(), s.size, s.error};
        }
        // Rather than wait, this thread reads a block too.
        uint64_t k;
        if (Claim(&k))
            Read(k, lock, false);
        else
            changed_.wait(lock);
    }
}

}  // namespace fileio
