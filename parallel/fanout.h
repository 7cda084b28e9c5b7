// One read, several algorithms: a stream of bytes fed to every chosen algorithm, each on its
// own thread when helpers are allowed, and a file read once through the engine to feed them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "filehash.h"

namespace parallel {

// The size of the pieces the file is read in and handed between threads: small enough to stay
// in the second-level cache of the thread that copies it, large enough that handing a piece
// over costs nothing next to hashing it.
constexpr size_t kFanoutPiece = size_t(256) << 10;

class Fanout {
public:
    // Algorithms: engine ids, all valid. Helpers: how many threads besides the caller's may
    // hash (at most one per algorithm beyond the first is used; 0 keeps everything on the
    // caller's thread). The helpers start with the second piece, so input of one piece costs
    // no thread and no copy.
    Fanout(const std::vector<int32_t>& Algorithms, unsigned Helpers);
    ~Fanout();
    Fanout(const Fanout&) = delete;
    Fanout& operator=(const Fanout&) = delete;

    // The next bytes of the stream. Data need only be valid during the call: once helpers
    // run, the caller copies it into a ring of pieces, so every read of the caller's memory
    // (a file mapping whose faults are caught on this thread only) happens on this thread.
    void Feed(const uint8_t* Data, size_t Size);
    // Waits for every algorithm and gives the digests (upper-case hex, as HashFile gives
    // them) in the order of Algorithms. Ends the stream.
    std::vector<std::string> Finish();

private:
    struct Shared;
    std::unique_ptr<Shared> shared_;
};

struct MultiResult {
    std::vector<std::string> digests;  // in the order of the algorithms; empty on an error
    engine::Error error;
    bool ok() const { return error.kind == engine::Failure::None; }
};

// Reads the file of Request once (engine::ReadPath, with its checks, errors, progress calls
// and stop flag; Request.algorithm is not used) and hashes it with every id of Algorithms.
// No digest comes back for a read that failed.
MultiResult HashPathMulti(const engine::Request& Request, const std::vector<int32_t>& Algorithms,
                          unsigned Helpers);

}  // namespace parallel
