// The file system calls the hash service needs besides opening (fileopen.h), kept apart so
// that another platform only adds its own counterpart of fileio_posix.cpp.
#pragma once

#include <cstddef>
#include <cstdint>

#include "fileopen.h"

namespace fileio {

// The size of the open file in bytes, or -1 when it can't be measured.
int64_t FileSize(Handle H);

// Reads up to Count bytes, retrying interrupted and partial reads: from the current position,
// or from Offset when it is 0 or more. Returns the number of bytes read, which is less than
// Count only at the end of the file or on an error; Error gets the errno, 0 at the end.
size_t ReadUpTo(Handle H, void* Buffer, size_t Count, int* Error, int64_t Offset = -1);

// Tells the system the file will be read once from start to end.
void AdviseSequential(Handle H);

// A read-only mapping of part of an open file, for hashing it without copying it. If someone
// truncates the file while the view is read, the pages that are no longer backed would raise
// SIGBUS; while a view is mapped, such a fault on it is caught: the rest of the view then
// reads as zeros and CutShort() turns true, so that the caller drops what it computed. Faults
// anywhere else go to the handler that was there before. Views on one thread nest: a HashFile
// called from inside a progress callback maps its own, and the outer one is guarded again
// once the inner one is unmapped.
class View {
public:
    View() = default;
    View(const View&) = delete;
    View& operator=(const View&) = delete;
    ~View() { Unmap(); }

    // Maps Length bytes from Offset (a multiple of PageSize()); false on failure.
    bool Map(Handle H, int64_t Offset, size_t Length);
    void Unmap();
    const uint8_t* Data() const { return Data_; }
    // True once a fault past the end of the file was caught on this view (until it is unmapped).
    bool CutShort() const;

private:
    const uint8_t* Data_ = nullptr;
    size_t Length_ = 0;
    // The view that was guarded on this thread before this one, put back by Unmap.
    uintptr_t OuterBegin_ = 0, OuterEnd_ = 0;
    int OuterCutShort_ = 0;
};

size_t PageSize();

}  // namespace fileio
