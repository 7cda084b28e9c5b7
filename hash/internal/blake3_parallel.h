// One large file hashed with BLAKE3 by several threads inside the engine call: the file is cut
// into pieces that are complete subtrees of BLAKE3's tree, the threads take pieces in turn and
// read them with pread into buffers of their own, and the calling thread joins the pieces'
// chaining values into the root. Internal to the engine; engine::HashPath sends BLAKE3's large
// regular files here.
#pragma once

#include <cstddef>
#include <cstdint>

#include "filehash.h"
#include "fileio.h"

namespace blake3par {

// The sizes below were measured on the 2-core machine CI runs on (the best of 300 runs of
// engine::HashPath on a file in the page cache; a 1 GiB file for the read size).
//
// Files from this size on take this path; smaller ones go through the chunk loop like any hash
// object. At 256 KiB this path took 0.104 ms on one thread against 0.133 ms for the loop.
constexpr int64_t kMinSize = int64_t(256) << 10;
// The piece a thread takes at a time: a complete subtree of 512 chunks. Small enough that a file
// of 768 KiB has two (0.200 ms on two threads against 0.299 ms on one), and that threads end
// within a few hundred microseconds of each other.
constexpr size_t kPiece = size_t(512) << 10;
// Helper threads start from two pieces on: a file of one piece is hashed by the caller alone.
constexpr int64_t kMinThreaded = int64_t(kPiece) + 1;
// The read into a thread's buffer, hashed while it is in the cache: a complete subtree of 128
// chunks, a power of two that divides kPiece. 64, 128 and 256 KiB cost the same within the
// noise; more system calls below that, more cache above.
constexpr size_t kRead = size_t(128) << 10;

// At most this many threads, whatever the request asks (each has a buffer of kRead bytes).
constexpr uint64_t kMaxThreads = 64;

// Pieces that may be finished ahead of the first unfinished one (their chaining values wait in a
// ring until it is done): 128 MiB of the file, 8 KiB of memory, for a file of any size.
constexpr uint64_t kWindow = 256;

// Reads Count bytes of the file at Offset into Buffer, as fileio::ReadUpTo: fewer only at the
// end of the file or on an error (Error gets the errno, 0 at the end). A test puts its own in
// place to fail a read at a chosen offset, whatever thread makes it.
using ReadAt = size_t (*)(fileio::Handle H, void* Buffer, size_t Count, int64_t Offset, int* Error);

// Hashes the open regular file of Size bytes (measured at the opening, at least 1) as
// Request asks: Request.threads threads at most (0: one per online CPU), progress reported
// and the stop flag read on the calling thread as the chunk loop does (positions increasing,
// the last one Size), and the stop flag also read by every thread before each read. No digest
// on a failed read in any part (Failure::ReadError with its errno), a file that got shorter
// (Failure::Changed) or a stop (Failure::Stopped); on success the 32-byte digest goes to
// Digest.
engine::Error HashOpenFile(fileio::Handle H, int64_t Size, const engine::Request& Request,
                           uint8_t Digest[32], ReadAt Read = nullptr);

}  // namespace blake3par
