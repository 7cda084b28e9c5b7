// Reading a file ahead of its reader, on a thread of its own: while the algorithm works on one
// block, the next ones are copied out of the page cache on another core, so a file costs the
// slower of the two instead of their sum. When the algorithm is the faster (a checksum), the
// caller reads blocks too while it would wait, so the copying runs on both cores. The blocks
// come back in file order, each exactly as one read call of the calling thread would give it.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <thread>

#include "fileio.h"

namespace fileio {

// Reads ahead only when the caller may have a second thread (Threads: 0 for one per online
// CPU, 1 for none besides the caller's, as engine::Request says) and Left bytes are enough to
// pay for starting one.
bool ReadAheadPays(unsigned Threads, uint64_t Left);

class ReadAhead {
public:
    // A thread for reading H in blocks of Block bytes into kSlots buffers of its own; it reads
    // nothing until Start. Throws std::system_error when no thread can be started.
    ReadAhead(fileio::Handle H, size_t Block);
    // Ends the reading (reads under way finish first) and joins the thread.
    ~ReadAhead();
    ReadAhead(const ReadAhead&) = delete;
    ReadAhead& operator=(const ReadAhead&) = delete;

    struct Piece {
        const uint8_t* data;
        size_t size;  // short only at the limit, at the end of the file or on an error
        int error;    // the errno of the read that came back short, else 0
    };
    // Drops whatever was read and reads from Offset up to Limit (the last block may be shorter).
    // The thread lives on from one start to the next, so that a start costs no thread.
    void Start(uint64_t Offset, uint64_t Limit);

    // The next block; its bytes stay valid until the next call. After a short block, or once
    // Limit is reached, every call gives an empty one.
    Piece Take();

private:
    static constexpr uint64_t kSlots = 4;  // block k goes to slot k % kSlots
    struct Slot {
        fileio::ReadBuffer data;
        size_t size = 0;
        int error = 0;
        bool filled = false;
    };

    // Claims the next block to read, if its slot is free: true with its number in *Block.
    bool Claim(uint64_t* block);
    // Reads block K into its slot, with the lock not held, and publishes it; ByThread: on the
    // reading thread, not the caller's.
    void Read(uint64_t k, std::unique_lock<std::mutex>& lock, bool byThread);
    void Run();

    const fileio::Handle h_;
    const size_t blockSize_;
    Slot slots_[kSlots];
    std::mutex m_;  // guards what follows
    std::condition_variable changed_;
    uint64_t offset_ = 0, limit_ = 0;  // where block 0 starts; where the last one ends
    uint64_t claimed_ = 0;             // blocks claimed for reading, by either thread
    uint64_t end_ = 0;      // no block from here on is read: all of them, or one past a short one
    uint64_t next_ = 0;     // the block Take gives next
    bool holding_ = false;  // the caller holds block next_ - 1
    bool quit_ = false;
    bool threadReads_ = false;  // the thread is reading into a slot, the lock not held
    std::thread thread_;
};

}  // namespace fileio
