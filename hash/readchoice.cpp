// The read way for large files, chosen by measuring both in the running process.
//
// Why measure: a file in the page cache costs a different amount to read each way, and which
// costs less depends on the machine. A read call copies the bytes through the kernel's own
// mapping of memory (large pages, few TLB misses) into a buffer that stays in the L2 cache,
// where the algorithm then finds them. A mapping saves the copy but fills page tables for
// every 4 KiB page, tears them down again with a TLB flush, and takes a TLB miss on every
// page it reads, which a virtual machine makes dearer (a two-level page walk). So on one
// machine reading wins and on another mapping does, and the faster an algorithm consumes
// bytes, the more the way matters: the checksums spend most of their time getting the bytes,
// a digest such as SHA-1 most of its time on them.
//
// How: per kind of read (an algorithm, or a read for several), the windows of the first large
// files take turns between the ways, each timed from the handing out of its first chunk to the
// start of the next window, so the algorithm's work on the bytes counts as well as getting
// them. A window's time per byte stands for its way; the fastest window of each way is taken,
// since an interruption (another process on the core, a progress call that waited) only ever
// makes a window slower. After kTimings windows of each way the faster is kept for the rest of
// the process. The measurement costs at most the slower way's difference on half of the first
// few tens of MiB an algorithm reads; the bytes handed out, and so the results, are the same
// either way.
#include "readchoice.h"

#include <cstdio>
#include <limits>
#include <mutex>
#include <vector>

#include "hashhead.h"

namespace readchoice {

namespace {

struct Timings {
    int32_t kind;
    double best[2] = {std::numeric_limits<double>::infinity(),
                      std::numeric_limits<double>::infinity()};  // ns per byte, by Way
    int count[2] = {0, 0};
    bool chosen = false;
    Way way = Way::Map;
};

std::mutex g_mutex;
std::vector<Timings> g_kinds;  // a few: one per algorithm in use

Timings& Of(int32_t kind) {
    for (Timings& t : g_kinds)
        if (t.kind == kind) return t;
    g_kinds.push_back({kind});
    return g_kinds.back();
}

}  // namespace

Plan NextWindow(int32_t Kind) {
    const std::lock_guard<std::mutex> lock(g_mutex);
    const Timings& t = Of(Kind);
    if (t.chosen) return {t.way, false};
    const int map = int(Way::Map), read = int(Way::Read);
    return {t.count[map] <= t.count[read] ? Way::Map : Way::Read, true};
}

void Record(int32_t Kind, Way Way_, uint64_t Bytes, uint64_t Nanoseconds) {
    if (Bytes == 0) return;
    const std::lock_guard<std::mutex> lock(g_mutex);
    Timings& t = Of(Kind);
    if (t.chosen) return;
    const int w = int(Way_), map = int(Way::Map), read = int(Way::Read);
    const double perByte = double(Nanoseconds) / double(Bytes);
    if (perByte < t.best[w]) t.best[w] = perByte;
    ++t.count[w];
    if (t.count[map] < kTimings || t.count[read] < kTimings) return;
    t.chosen = true;
    t.way = t.best[read] < t.best[map] ? Way::Read : Way::Map;
    char text[128];
    std::snprintf(text, sizeof text, "quernsum read way for %d: %s (map %.1f, read %.1f MB/s)",
                  int(Kind), t.way == Way::Read ? "read" : "map", 1e3 / t.best[map],
                  1e3 / t.best[read]);
    DebugMark(text);
}

void Forget() {
    const std::lock_guard<std::mutex> lock(g_mutex);
    g_kinds.clear();
}

}  // namespace readchoice
