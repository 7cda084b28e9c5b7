// The file hash service: HashFile and its five paths (four file routines and the hash-object
// path), sharing one chunk loop.
#include "hashhead.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <utility>

#include "fileio.h"
#include "hashpaths.h"

const TAlgorithmInfo AlgorithmTable[14] = {
    {"haval", 14, 64},
    {"md2", AlgorithmMd2, 32},
    {"md4", 17, 32},
    {"md5", 16, 32},
    {"sha1", 2, 40},
    {"sha256", 28, 64},
    {"sha384", 29, 96},
    {"sha512", 30, 128},
    {"ripemd128", 27, 32},
    {"ripemd160", 10, 40},
    {"tiger", 18, 48},
    {"crc32", AlgorithmCrc32, 8},
    {"crc64", AlgorithmCrc64, 16},
    {"adler32", AlgorithmAdler32, 8},
};

int32_t AlgorithmIdFromName(std::string_view Name) {
    for (const auto& a : AlgorithmTable)
        if (Name == a.Name) return a.Id;
    return -1;
}

namespace {

using namespace hashpaths;

constexpr char kHexDigits[] = "0123456789ABCDEF";

// The callback of the current call. A nested call (made from inside a callback) replaces it;
// every caller passes the same callback, so the outer call is not affected.
THashProgressProc g_progress = nullptr;

// Hands out the file chunk by chunk, in one of two ways, with the chunk sizes, the progress
// positions and the cancel points exactly those of a chunk-by-chunk read:
// - Mapped, for files of 4 MiB and more: pointers into a read-only mapping of the file, 4 MiB
//   at a time with its page tables filled in one call, so the bytes are never copied. On a
//   1 GiB file in the page cache this takes crc32 from 0.18 to 0.16 s and sha1 from 0.75 to
//   0.68 s. The digests hash too slowly for the hardware prefetchers to run ahead on their own
//   (they stop at every page), so each chunk handed out comes with a hint for the first lines
//   of every page of the next one; without it a mapping was slower for them than a copy (sha1
//   1.05 s). The checksums are faster without the hints.
// - Read, for smaller files: many chunks with one read into a buffer, handing out pointers
//   into it; a small file is one read.
// Neither way asks for bytes past the size measured at the start. A chunk that can't be had
// whole (the file shrank, or a read error) ends the file, and so does a mapping cut short.
class ChunkReader {
public:
    ChunkReader(fileio::Handle h, size_t chunk, int64_t size, bool hintAhead)
        : h_(h),
          size_(uint64_t(size)),
          left_(size_),
          mapped_(size_ >= kMinMapped),
          hintAhead_(hintAhead),
          capacity_(mapped_ ? 0 : BufferSize(chunk, left_)),
          buf_(mapped_ ? nullptr : new uint8_t[capacity_]) {
        // One read takes a small file whole; read-ahead advice only pays for larger ones.
        if (!mapped_ && left_ > capacity_) fileio::AdviseSequential(h_);
    }

    // The next Count bytes, or nullptr if the file doesn't deliver them.
    const uint8_t* Next(size_t count) { return mapped_ ? NextMapped(count) : NextRead(count); }

    // After the last chunk: whether every byte handed out was the file's. A mapping can't
    // tell a short file by itself: a truncation inside the last page reads as zeros.
    bool Intact() {
        if (!mapped_) return true;
        const bool cut = view_.CutShort();
        view_.Unmap();
        return !cut && uint64_t(fileio::FileSize(h_)) >= size_;
    }

private:
    static constexpr uint64_t kMinMapped = 4 << 20;
    static constexpr size_t kWindow = 4 << 20;  // mapped at a time: the resident part

    const uint8_t* NextRead(size_t count) {
        if (end_ - pos_ < count) {
            if (pos_ > 0 && pos_ < end_) std::memmove(buf_.get(), buf_.get() + pos_, end_ - pos_);
            end_ -= pos_;
            pos_ = 0;
            const size_t want = capacity_ - end_ < left_ ? capacity_ - end_ : size_t(left_);
            const size_t got = fileio::ReadUpTo(h_, buf_.get() + end_, want);
            left_ -= got;
            end_ += got;
            if (end_ < count) return nullptr;
        }
        const uint8_t* p = buf_.get() + pos_;
        pos_ += count;
        return p;
    }

    const uint8_t* NextMapped(size_t count) {
        if (view_.CutShort() || count > left_) return nullptr;
        const uint64_t offset = size_ - left_;
        if (!view_.Data() || offset + count > windowEnd_) {
            // A page-aligned window from the chunk's start, as long as the window size allows
            // and at least the whole chunk.
            const uint64_t start = offset & ~uint64_t(fileio::PageSize() - 1);
            uint64_t end = start + kWindow > size_ ? size_ : start + kWindow;
            if (end < offset + count) end = offset + count;
            if (!view_.Map(h_, int64_t(start), size_t(end - start))) return nullptr;
            windowStart_ = start;
            windowEnd_ = end;
        }
        left_ -= count;
        const uint8_t* p = view_.Data() + (offset - windowStart_);
        if (hintAhead_) HintNext(offset + count, count);
        return p;
    }

    // Asks for the first two cache lines of every page of the Count bytes from Offset, as far
    // as the window reaches; the hardware prefetchers take each page from there.
    void HintNext(uint64_t offset, size_t count) const {
#if defined(__GNUC__)
        const size_t page = fileio::PageSize();
        const uint64_t end = offset + count < windowEnd_ ? offset + count : windowEnd_;
        for (uint64_t at = offset & ~uint64_t(page - 1); at < end; at += page) {
            if (at < offset) continue;
            const uint8_t* q = view_.Data() + (at - windowStart_);
            __builtin_prefetch(q, 0, 3);
            if (at + 64 < end) __builtin_prefetch(q + 64, 0, 3);
        }
#else
        (void)offset;
        (void)count;
#endif
    }

    // A few hundred KiB per read: few system calls, and the data is still in the cache when
    // it is hashed. Always a whole number of chunks, and no more than the file needs, so a
    // small file costs a small allocation. Not zero-filled: every byte is read before use.
    static size_t BufferSize(size_t chunk, uint64_t fileSize) {
        constexpr size_t kTarget = 256 * 1024;
        const size_t chunks = kTarget / chunk > 0 ? kTarget / chunk : 1;
        const uint64_t needed = (fileSize + chunk - 1) / chunk;
        return chunk * (needed < chunks ? size_t(needed > 0 ? needed : 1) : chunks);
    }

    fileio::Handle h_;
    uint64_t size_;  // measured at the start
    uint64_t left_;  // bytes of it not handed out (mapped) or not read yet (read)
    bool mapped_;
    bool hintAhead_;
    size_t capacity_;
    std::unique_ptr<uint8_t[]> buf_;
    size_t pos_ = 0, end_ = 0;
    fileio::View view_;
    uint64_t windowStart_ = 0, windowEnd_ = 0;
};

struct StoredResult {
    char* out;
    int32_t* outLength;
    void Store(const std::string& text) const {
        *outLength = int32_t(text.size());
        if (!text.empty()) std::memcpy(out, text.data(), text.size());
    }
};

// The steps of one call: open, measure, empty-file answer or chunk loop, result. File routines
// hash a chunk and then report it; the hash-object path reports a chunk and then hashes it.
void RunPath(const char* path, PathAlgorithm& algo, fileio::Sharing sharing, int32_t chunk,
             bool reportBeforeUpdate, bool hintAhead, const StoredResult& result) {
    std::string text;
    int64_t size = 0;
    const fileio::Handle h = fileio::OpenRegularFile(path, sharing, &size);
    if (h == fileio::InvalidHandle) {
        result.Store(text);
        return;
    }
    if (size <= 0) {
        text = algo.EmptyText();
    } else {
        DebugMark("quernsum 2");
        algo.Begin(size);
        ChunkReader reader(h, size_t(chunk), size, hintAhead);
        bool complete = true;
        int64_t next = 1;
        do {
            int64_t count;
            if (next - 1 + chunk <= size) {
                count = chunk;
                next += chunk;
            } else {
                count = size - (next - 1);
                next = size + 1;
            }
            const uint8_t* data = reader.Next(size_t(count));
            if (!data) {
                complete = false;
                break;
            }
            const bool last = next - 1 >= size;
            if (!reportBeforeUpdate) algo.Update(data, size_t(count), last);
            int32_t reply = 0;
            if (g_progress) g_progress(size, next >= size ? size : next, &reply);
            if (reply == HashCancelReply) {
                complete = false;
                break;
            }
            if (reportBeforeUpdate) algo.Update(data, size_t(count), last);
        } while (next - 1 < size);
        if (complete && reader.Intact()) text = algo.FinishText();
    }
    fileio::Close(h);
    result.Store(text);
}

void Start(THashProgressProc progress) {
    DebugMark("quernsum 1");
    g_progress = progress;
}

template <class Path>
void RunFileRoutine(const char* path, THashProgressProc progress, char* out, int32_t* outLength) {
    Start(progress);
    Path algo;
    RunPath(path, algo, fileio::Sharing::Exclusive, ChecksumChunkSize, false, false,
            {out, outLength});
}

}  // namespace

void Crc32File(const char* Path, int32_t, THashProgressProc Progress, char* OutText,
               int32_t* OutLength) {
    RunFileRoutine<Crc32Path>(Path, Progress, OutText, OutLength);
}

void Adler32File(const char* Path, int32_t, THashProgressProc Progress, char* OutText,
                 int32_t* OutLength) {
    RunFileRoutine<Adler32Path>(Path, Progress, OutText, OutLength);
}

void Crc64File(const char* Path, int32_t, THashProgressProc Progress, char* OutText,
               int32_t* OutLength) {
    RunFileRoutine<Crc64Path>(Path, Progress, OutText, OutLength);
}

void Md2File(const char* Path, int32_t, THashProgressProc Progress, char* OutText,
             int32_t* OutLength) {
    RunFileRoutine<Md2Path>(Path, Progress, OutText, OutLength);
}

void HashFile(const char* Path, int32_t AlgorithmId, THashProgressProc Progress, char* OutText,
              int32_t* OutLength) {
    switch (AlgorithmId) {
        case AlgorithmCrc32:
            return Crc32File(Path, AlgorithmId, Progress, OutText, OutLength);
        case AlgorithmAdler32:
            return Adler32File(Path, AlgorithmId, Progress, OutText, OutLength);
        case AlgorithmCrc64:
            return Crc64File(Path, AlgorithmId, Progress, OutText, OutLength);
        case AlgorithmMd2:
            return Md2File(Path, AlgorithmId, Progress, OutText, OutLength);
        default:
            break;
    }
    Start(Progress);
    std::unique_ptr<TDCP_hash> hash = CreateHashObject(AlgorithmId);
    if (!hash) {  // not one of the fourteen: no result
        *OutLength = 0;
        return;
    }
    HashObjectPath algo(std::move(hash));
    RunPath(Path, algo, fileio::Sharing::Shared, HashObjectChunkSize, true, true,
            {OutText, OutLength});
}

std::string LongWordToHex(uint32_t Value) {
    std::string s(8, '0');
    for (int i = 7; i >= 0; --i, Value >>= 4)
        s[size_t(i)] = kHexDigits[Value & 15];
    return s;
}

std::string Int64ToHex(uint64_t Value) {
    std::string s(16, '0');
    for (int i = 15; i >= 0; --i, Value >>= 4)
        s[size_t(i)] = kHexDigits[Value & 15];
    return s;
}

std::string BytesToHex(const uint8_t* Bytes, size_t Count) {
    std::string s(2 * Count, '0');
    for (size_t i = 0; i < Count; ++i) {
        s[2 * i] = kHexDigits[Bytes[i] >> 4];
        s[2 * i + 1] = kHexDigits[Bytes[i] & 15];
    }
    return s;
}

void DebugMark(std::string_view Text) {
    static const bool enabled = std::getenv("QUERNIX_DEBUG") != nullptr;
    if (enabled) std::fprintf(stderr, "%.*s\n", int(Text.size()), Text.data());
}
