// The engine's typed entry point: one path (as bytes) and one algorithm in, the digest or the
// reason there is none out. No process-wide state: the progress function and the stop flag
// belong to the call, so several threads may hash several files at once. HashFile is a thin
// layer over this for the window's batch.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>

namespace engine {

// Why a file gave no digest.
enum class Failure {
    None,
    NotFound,          // no such file, or a folder on the way is missing (ENOENT, ENOTDIR)
    Permission,        // the file or a folder on the way may not be read (EACCES, EPERM)
    NotRegular,        // a folder, FIFO, socket or device where only regular files are taken
    ReadError,         // opening or reading failed for another reason (EIO, ELOOP, ...)
    Changed,           // the file shrank while it was read: what was read is not the file
    Stopped,           // the stop flag was set
    UnknownAlgorithm,  // not an id of the table
};

struct Error {
    Failure kind = Failure::None;
    int code = 0;  // the errno behind it, 0 when there is none
};

// A short English sentence for the error, as the command line prints it after the path:
// the system's text for errno ("Permission denied"), or one of our own ("Is a directory",
// "The file changed while it was read", "Stopped").
std::string Describe(const Error& error);

// What the caller takes as a file. The window and a folder search take regular files only (a
// FIFO must never block them); a name the user typed on the command line may also be a pipe,
// /dev/stdin or a character device, read to its end as md5sum does.
enum class Accept { RegularFiles, AnyReadable };

// How a regular file's bytes reach the algorithm: through a read-only mapping of the file, or
// by read calls into a buffer. Auto reads files below 4 MiB and, for larger ones, goes the way
// measured faster in this process for the algorithm on this machine; Map and Read force one
// way (for tests and benchmarks, and for a user who knows better). Only the speed differs: the
// digest, the progress calls, the stop points and the errors are the same every way. A file
// that can't be mapped is read, also under Map; input of unknown size is always read.
enum class ReadStrategy { Auto, Map, Read };

struct Request {
    std::string path;  // the bytes the system gave; no encoding is assumed
    int32_t algorithm = 16;
    // Called after every chunk with the size measured at the opening and the position reached
    // (the positions HashFile reports). For input of unknown size (a pipe, a /proc file), size
    // is the position. May be empty.
    std::function<void(int64_t size, int64_t position)> progress;
    // Read after every progress call; once true, the call ends with Failure::Stopped.
    const std::atomic<bool>* stop = nullptr;
    Accept accept = Accept::RegularFiles;
    ReadStrategy read = ReadStrategy::Auto;
    // How many threads may hash one file, the caller's included: 0 means one per online CPU,
    // 1 no thread besides the caller's. Only BLAKE3 spreads a large regular file over threads
    // (its tree's parts are independent); the progress function is still called, and the stop
    // flag read, on the caller's thread.
    unsigned threads = 0;
};

struct Result {
    std::string digest;  // upper-case hexadecimal; empty when error.kind != None
    Error error;
    bool ok() const { return error.kind == Failure::None; }
};

Result HashPath(const Request& request);

// Reads the file as HashPath does (the same checks, errors, progress calls and stop flag) and
// hands its bytes to Consume in order, in pieces of at most Piece bytes (the last may be
// shorter; an empty file gives no piece). A piece is valid only during the call. For one read
// feeding several algorithms.
Error ReadPath(const Request& request, size_t Piece,
               const std::function<void(const uint8_t* data, size_t size)>& Consume);

}  // namespace engine
