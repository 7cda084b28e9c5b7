// The few file system calls the hash service needs, kept apart so that another platform only
// adds its own counterpart of fileio_posix.cpp.
#pragma once

#include <cstddef>
#include <cstdint>

namespace fileio {

using Handle = int;
constexpr Handle InvalidHandle = -1;

// How a file is opened for hashing. The checksum routines ask for an exclusive opening and the
// hash objects for a shared one; on POSIX there are no share modes, so both are a plain
// read-only opening. A platform with share modes maps them here.
enum class Sharing { Exclusive, Shared };

// Opens Path for reading if it names a regular file (a symlink to one counts). Directories,
// FIFOs, sockets and devices give InvalidHandle without ever blocking. When Size is given, it
// receives the file's size in bytes as measured at the opening, or -1 when it can't be.
Handle OpenRegularFile(const char* Path, Sharing Mode, int64_t* Size = nullptr);

// The size of the open file in bytes, or -1 when it can't be measured.
int64_t FileSize(Handle H);

// Reads up to Count bytes, retrying interrupted and partial reads. Returns the number of bytes
// read (less than Count only at the end of the file or on an error).
size_t ReadUpTo(Handle H, void* Buffer, size_t Count);

// Tells the system the file will be read once from start to end.
void AdviseSequential(Handle H);

void Close(Handle H);

}  // namespace fileio
