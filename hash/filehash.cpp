// The engine's typed entry point: opens the file, runs the chunk loop of the algorithm's path
// (the checksum routines and MD2 in chunks of 65521 bytes, hashing before they report; the
// hash objects in chunks of 16384, reporting before they hash) and says why when there is no
// digest. HashFile in hashhead.cpp is a thin layer over it.
#include "filehash.h"

#include <cerrno>
#include <chrono>
#include <cstring>
#include <memory>
#include <system_error>

#include "DCPblake3.h"
#include "blake3_parallel.h"
#include "fileio.h"
#include "hashhead.h"
#include "hashpaths.h"
#include "readahead.h"
#include "readchoice.h"

namespace engine {

namespace {

using hashpaths::PathAlgorithm;

Error SystemError(int code) {
    switch (code) {
        case ENOENT:
        case ENOTDIR:
            return {Failure::NotFound, code};
        case EACCES:
        case EPERM:
            return {Failure::Permission, code};
        case EISDIR:
        case ENODEV:
        case ENXIO:  // opening a socket
            return {Failure::NotRegular, code};
        default:
            return {Failure::ReadError, code};
    }
}

// Hands out a regular file chunk by chunk, with the chunk sizes, the progress positions and
// the cancel points exactly those of a chunk-by-chunk read, in one of two ways:
// - Map: pointers into a read-only mapping of the file, 4 MiB at a time with its page tables
//   filled in one call, so the bytes are never copied. The digests hash too slowly for the
//   hardware prefetchers to run ahead on their own (they stop at every page), so each chunk
//   handed out comes with a hint for the first lines of every page of the next one; without it
//   a mapping was slower for them than a copy (sha1 over 1 GiB: 1.05 s against 0.75 s). The
//   checksums are faster without the hints. When a mapping can't be made (a file system
//   without mmap, an address-space limit), the rest of the file is read instead.
// - Read: many chunks with one read call into a buffer, handing out pointers into it; a small
//   file is one read.
// - Ahead: the same blocks read on a thread of its own, and by this one while it would wait
//   (readahead.h); for a large file, when the request allows a second thread.
// The way is taken per window of 4 MiB: the strategy Map maps every window, Read reads every
// window, ahead where allowed; Auto reads files below 4 MiB and lets readchoice decide for
// larger ones, whose windows take turns between the ways (reading ahead where allowed) and
// are timed until the fastest is known.
// No way asks for bytes past the size measured at the start. A chunk that can't be had
// whole comes back short: at the end of the file (it shrank, or its content is generated and
// shorter than its size), on a read error, which Error() then holds, or when a mapping found
// the file cut short.
class ChunkReader {
public:
    ChunkReader(fileio::Handle h, size_t chunk, int64_t size, ReadStrategy strategy, int32_t kind,
                bool hintAhead, unsigned threads)
        : h_(h),
          chunk_(chunk),
          size_(uint64_t(size)),
          kind_(kind),
          hintAhead_(hintAhead),
          aheadAllowed_(fileio::ReadAheadPays(threads, size_)),
          way_(strategy == ReadStrategy::Map                     ? Way::Map
               : strategy == ReadStrategy::Read && aheadAllowed_ ? Way::Ahead
                                                                 : Way::Read),
          measured_(strategy == ReadStrategy::Auto && size_ >= kMinMapped) {}

    struct Piece {
        const uint8_t* data;
        size_t size;
    };

    // The next Count bytes; fewer at the end of the file or on an error.
    Piece Next(size_t count) {
        const uint64_t offset = handed_;
        if (offset + count > windowEnd_) StartWindow(offset, count);
        if (cut_) return {nullptr, 0};
        if (way_ == Way::Map) {
            if (const uint8_t* p = FromView(offset, count)) {
                handed_ += count;
                return {p, count};
            }
            if (cut_) return {nullptr, 0};
            // The mapping failed: the rest of the file is read.
            way_ = Way::Read;
            measured_ = timed_ = false;
            StartReading(offset);
            readLimit_ = size_;
        }
        return way_ == Way::Ahead ? FromAhead(count) : FromBuffer(count);
    }

    int Error() const { return error_; }

    // After the last chunk: whether every byte handed out was the file's. A mapping can't
    // tell a short file by itself: a truncation inside the last page reads as zeros.
    bool Intact() {
        LeaveView();
        if (timed_) Time(handed_);
        return !cut_ && (!mappedAny_ || uint64_t(fileio::FileSize(h_)) >= size_);
    }

private:
    using Way = readchoice::Way;
    static constexpr uint64_t kMinMapped = 4 << 20;
    static constexpr size_t kWindow = 4 << 20;  // mapped at a time: the resident part

    // At the first chunk that does not fit in the window: a page-aligned window from the
    // chunk's start, as long as the window size allows and at least the whole chunk, taken the
    // way this reader goes or readchoice says.
    void StartWindow(uint64_t offset, size_t count) {
        LeaveView();
        if (cut_) return;
        if (timed_) Time(offset);
        const uint64_t start = offset & ~uint64_t(fileio::PageSize() - 1);
        uint64_t end = start + kWindow > size_ ? size_ : start + kWindow;
        if (end < offset + count) end = offset + count;
        windowStart_ = start;
        windowEnd_ = end;
        if (measured_) {
            const readchoice::Plan plan = readchoice::NextWindow(kind_, aheadAllowed_);
            measured_ = timed_ = plan.timed;
            if (plan.way != way_ || !buf_) {
                way_ = plan.way;
                if (way_ == Way::Read) StartReading(offset);
            }
        } else if (way_ == Way::Read && !buf_) {
            StartReading(offset);
        }
        // While the ways take turns, a read window reads no further than its end, so that no
        // bytes are read for a mapped window after it.
        readLimit_ = timed_ ? end : size_;
        if (way_ == Way::Ahead && (!ahead_ || aheadLimit_ != readLimit_)) StartAhead(offset);
        if (timed_) {
            timedFrom_ = offset;
            timedSince_ = std::chrono::steady_clock::now();
        }
        if (way_ == Way::Map) {
            pos_ = end_ = 0;  // whatever was read ahead is not handed out
            if (!view_.Map(h_, int64_t(start), size_t(end - start))) return;  // read instead
            mappedAny_ = true;
            // A file already shorter than the window would read as zeros wherever it is made
            // long again before the pages are touched: that is seen here.
            if (uint64_t(fileio::FileSize(h_)) < end) cut_ = true;
        }
    }

    // Ends the timing of the window that ends at Offset.
    void Time(uint64_t offset) {
        const auto took = std::chrono::steady_clock::now() - timedSince_;
        // A short last window is left out: its fixed costs would weigh more.
        if (offset - timedFrom_ >= kWindow / 4 * 3)
            readchoice::Record(
                kind_, aheadAllowed_, way_, offset - timedFrom_,
                uint64_t(std::chrono::duration_cast<std::chrono::nanoseconds>(took).count()));
    }

    // Unmaps the window's view, noting whether the file was found cut short under it.
    void LeaveView() {
        if (!view_.Data()) return;
        if (view_.CutShort()) cut_ = true;
        view_.Unmap();
    }

    void StartReading(uint64_t offset) {
        readAt_ = offset;
        pos_ = end_ = 0;
        if (buf_) return;
        capacity_ = BufferSize(chunk_, size_ - offset);
        buf_ = fileio::MakeReadBuffer(capacity_);
        // One read takes a small file whole; read-ahead advice only pays for larger ones.
        if (size_ - offset > capacity_) fileio::AdviseSequential(h_);
    }

    // Reads ahead from Offset, the start of the chunk to hand out next, up to the read limit;
    // what was read ahead before is dropped. The blocks are a whole number of chunks from a
    // chunk's start, so a chunk is never split between two of them. The reading thread is
    // started once per file. Without a thread to be had, this thread reads instead.
    void StartAhead(uint64_t offset) {
        pos_ = end_ = 0;
        if (!ahead_) {
            try {
                ahead_ =
                    std::make_unique<fileio::ReadAhead>(h_, BufferSize(chunk_, size_ - offset));
            } catch (const std::system_error&) {
                way_ = Way::Read;
                StartReading(offset);
                return;
            }
        }
        ahead_->Start(offset, readLimit_);
        aheadLimit_ = readLimit_;
    }

    Piece FromAhead(size_t count) {
        if (pos_ == end_) {
            const fileio::ReadAhead::Piece block = ahead_->Take();
            block_ = block.data;
            pos_ = 0;
            end_ = block.size;
            if (block.error != 0) error_ = block.error;
        }
        const size_t n = end_ - pos_ < count ? end_ - pos_ : count;
        const uint8_t* p = block_ + pos_;
        pos_ += n;
        handed_ += n;
        return {p, n};
    }

    Piece FromBuffer(size_t count) {
        if (end_ - pos_ < count && error_ == 0) {
            if (pos_ > 0 && pos_ < end_) std::memmove(buf_.get(), buf_.get() + pos_, end_ - pos_);
            end_ -= pos_;
            pos_ = 0;
            const uint64_t left = readLimit_ - readAt_;
            const size_t want = capacity_ - end_ < left ? capacity_ - end_ : size_t(left);
            const size_t got =
                fileio::ReadUpTo(h_, buf_.get() + end_, want, &error_, int64_t(readAt_));
            readAt_ += got;
            end_ += got;
        }
        const size_t n = end_ - pos_ < count ? end_ - pos_ : count;
        const uint8_t* p = buf_.get() + pos_;
        pos_ += n;
        handed_ += n;
        return {p, n};
    }

    const uint8_t* FromView(uint64_t offset, size_t count) {
        if (!view_.Data()) return nullptr;
        if (view_.CutShort()) {
            cut_ = true;
            return nullptr;
        }
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
    size_t chunk_;
    uint64_t size_;  // measured at the start
    int32_t kind_;   // what readchoice keeps its timings under
    bool hintAhead_;
    bool aheadAllowed_;  // the request allows a thread to read ahead, and the file is large
    Way way_;
    bool measured_;       // readchoice takes the way of each window
    bool timed_ = false;  // the current window is timed
    bool cut_ = false;    // a mapping found the file cut short
    bool mappedAny_ = false;
    uint64_t handed_ = 0;  // bytes handed out
    uint64_t windowStart_ = 0, windowEnd_ = 0;
    // Read: the buffer holds the bytes from handed_ to readAt_, at pos_ to end_.
    size_t capacity_ = 0;
    fileio::ReadBuffer buf_;
    // Ahead: pos_ to end_ index the block taken last.
    std::unique_ptr<fileio::ReadAhead> ahead_;
    uint64_t aheadLimit_ = 0;  // where the reading ahead stops
    const uint8_t* block_ = nullptr;
    size_t pos_ = 0, end_ = 0;
    uint64_t readAt_ = 0, readLimit_ = 0;
    int error_ = 0;
    fileio::View view_;
    uint64_t timedFrom_ = 0;
    std::chrono::steady_clock::time_point timedSince_;
};

// How an algorithm's path runs the chunk loop.
struct LoopShape {
    size_t chunk;
    bool reportBeforeUpdate;
    bool hintAhead;
};

LoopShape ShapeOf(const TAlgorithmInfo& algorithm) {
    const TChunkShape& s = algorithm.Shape;
    return {size_t(s.Chunk), s.ReportBeforeHash, s.HintAhead};
}

// One chunk: hashed and reported in the path's order; false once the stop flag is set.
class Stepper {
public:
    Stepper(const Request& r, PathAlgorithm& algo, bool reportBefore)
        : r_(r), algo_(algo), reportBefore_(reportBefore) {}

    bool Step(const uint8_t* data, size_t count, bool last, int64_t size, int64_t position) {
        if (!reportBefore_) algo_.Update(data, count, last);
        if (r_.progress) r_.progress(size, position);
        if (Stopped()) return false;
        if (reportBefore_) algo_.Update(data, count, last);
        return true;
    }
    bool Stopped() const { return r_.stop && r_.stop->load(std::memory_order_relaxed); }

private:
    const Request& r_;
    PathAlgorithm& algo_;
    bool reportBefore_;
};

// The chunk loop over a regular file of known size, with the positions HashFile reports.
Error RunSized(fileio::Handle h, int64_t size, const Request& r, int32_t kind,
               const LoopShape& shape, Stepper& step) {
    ChunkReader reader(h, shape.chunk, size, r.read, kind, shape.hintAhead, r.threads);
    const auto chunk = int64_t(shape.chunk);
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
        const ChunkReader::Piece piece = reader.Next(size_t(count));
        if (piece.size < size_t(count)) {
            if (reader.Error() != 0) return SystemError(reader.Error());
            if (!reader.Intact() || fileio::FileSize(h) < size) return {Failure::Changed, 0};
            // The size still reads the same, yet the content ended early: a file whose
            // content the kernel makes up as it is read (/sys), shorter than its size. Its
            // content is what was read, as md5sum takes it.
            const int64_t end = next - 1 - count + int64_t(piece.size);
            if (!step.Step(piece.data, piece.size, true, end, end)) return {Failure::Stopped, 0};
            return {};
        }
        const bool last = next - 1 >= size;
        if (!step.Step(piece.data, size_t(count), last, size, next >= size ? size : next))
            return {Failure::Stopped, 0};
    } while (next - 1 < size);
    if (!reader.Intact()) return {Failure::Changed, 0};
    return {};
}

// Input of unknown size (a pipe, a device, a /proc file whose size reads 0): read to its end.
// Progress reports the bytes so far as both size and position. *Empty tells whether nothing
// came.
Error RunStream(fileio::Handle h, const LoopShape& shape, Stepper& step, PathAlgorithm& algo,
                bool* empty) {
    const fileio::ReadBuffer buf = fileio::MakeReadBuffer(shape.chunk);
    int64_t total = 0;
    for (;;) {
        int error = 0;
        const size_t n = fileio::ReadUpTo(h, buf.get(), shape.chunk, &error);
        if (n > 0) {
            if (total == 0) {
                DebugMark("quernsum 2");
                algo.Begin(0);  // the length is not known; only MD2 takes it, and ignores it
            }
            total += int64_t(n);
            if (!step.Step(buf.get(), n, false, total, total)) return {Failure::Stopped, 0};
        }
        if (error != 0) return SystemError(error);
        if (n < shape.chunk) break;
    }
    *empty = total == 0;
    if (!*empty) {
        static const uint8_t none = 0;
        algo.Update(&none, 0, true);  // an empty last piece finishes MD2; the others ignore it
    }
    return {};
}

// Opens the request's file and runs the loop; *Text gets the algorithm's text on success.
// Kind: what readchoice keeps the timings of this read under. With Tree, a large regular file
// is hashed by BLAKE3's tree on several threads instead.
Error Run(const Request& r, int32_t kind, PathAlgorithm& algo, const LoopShape& shape,
          std::string* text, bool tree = false) {
    Stepper step(r, algo, shape.reportBeforeUpdate);
    if (step.Stopped()) return {Failure::Stopped, 0};
    const fileio::File file(r.path.c_str(), r.accept == Accept::RegularFiles);
    if (!file.IsOpen()) return SystemError(file.Error());
    // A folder is never read, whatever the caller takes.
    if (file.FileKind() == fileio::Kind::Directory) return SystemError(EISDIR);
    const fileio::Handle h = file.Get();
    const int64_t size = file.Size();
    if (file.FileKind() == fileio::Kind::Regular && size > 0) {
        DebugMark("quernsum 2");
        if (tree && size >= blake3par::kMinSize) {
            uint8_t digest[blake3::kCvLen];
            const Error e = blake3par::HashOpenFile(h, size, r, digest);
            if (e.kind == Failure::None) *text = BytesToHex(digest, sizeof digest);
            return e.kind == Failure::ReadError ? SystemError(e.code) : e;
        }
        algo.Begin(size);
        const Error e = RunSized(h, size, r, kind, shape, step);
        if (e.kind == Failure::None) *text = algo.FinishText();
        return e;
    }
    bool empty = true;
    const Error e = RunStream(h, shape, step, algo, &empty);
    if (e.kind == Failure::None) *text = empty ? algo.EmptyText() : algo.FinishText();
    return e;
}

// Hands the bytes on instead of hashing them.
struct Forward final : PathAlgorithm {
    explicit Forward(const std::function<void(const uint8_t*, size_t)>& c) : consume(c) {}
    const std::function<void(const uint8_t*, size_t)>& consume;
    std::string EmptyText() override { return {}; }
    void Begin(int64_t) override {}
    void Update(const uint8_t* p, size_t n, bool) override {
        if (n > 0) consume(p, n);
    }
    std::string FinishText() override { return {}; }
};

}  // namespace

std::string Describe(const Error& error) {
    switch (error.kind) {
        case Failure::None:
            return "OK";
        case Failure::NotRegular:
            return error.code == EISDIR ? "Is a directory" : "Not a regular file";
        case Failure::Changed:
            return "The file changed while it was read";
        case Failure::Stopped:
            return "Stopped";
        case Failure::UnknownAlgorithm:
            return "Unknown algorithm";
        case Failure::NotFound:
        case Failure::Permission:
        case Failure::ReadError:
            break;
    }
    return error.code != 0 ? std::strerror(error.code) : "Read error";
}

Result HashPath(const Request& request) {
    Result result;
    const TAlgorithmInfo* info = AlgorithmById(request.algorithm);
    if (!info) {
        result.error = {Failure::UnknownAlgorithm, 0};
        return result;
    }
    const std::unique_ptr<PathAlgorithm> algo = info->MakePath();
    result.error = Run(request, request.algorithm, *algo, ShapeOf(*info), &result.digest,
                       request.algorithm == TDCP_blake3::kId);
    if (!result.ok()) result.digest.clear();
    return result;
}

Error ReadPath(const Request& request, size_t Piece,
               const std::function<void(const uint8_t*, size_t)>& Consume) {
    Forward forward(Consume);
    std::string none;
    return Run(request, readchoice::kSeveral, forward, {Piece > 0 ? Piece : 1, false, true}, &none);
}

}  // namespace engine
