// The read way for large files, chosen by measuring each in the running process.
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
// makes a window slower. After kTimings windows of each way the fastest is kept for the rest
// of the process. The measurement costs at most the slower ways' difference on part of the
// first few tens of MiB an algorithm reads; the bytes handed out, and so the results, are the
// same every way.
//
// Reading ahead on a second thread takes the copy off the algorithm's core. It wins big for a
// checksum, which then has two cores copying, and little or nothing for a slow digest, whose
// core runs slower while the other copies (on an AMD EPYC, SHA-512's own time grew by about as
// much as the copy cost): so it is measured like the other two, where a second thread is
// allowed.
#include "readchoice.h"

#include <cstdio>
#include <limits>
#include <mutex>
#include <vector>

#include "hashhead.h"

namespace readchoice {

namespace {

constexpr int kWays = 3;
constexpr const char* kNames[kWays] = {"map", "read", "ahead"};

struct Timings {
    int32_t kind;
    bool ahead;  // Ahead takes part
    double best[kWays] = {std::numeric_limits<double>::infinity(),
                          std::numeric_limits<double>::infinity(),
                          std::numeric_limits<double>::infinity()};  // ns per byte, by Way
    int count[kWays] = {};
    bool chosen = false;
    Way way = Way::Map;

    int Ways() const { return ahead ? 3 : 2; }
};

std::mutex g_mutex;
std::vector<Timings> g_kinds;  // a few: one per algorithm in use

Timings& Of(int32_t kind, bool ahead) {
    for (Timings& t : g_kinds)
        if (t.kind == kind && t.ahead == ahead) return t;
    g_kinds.push_back({kind, ahead});
    return g_kinds.back();
}

}  // namespace

Plan NextWindow(int32_t Kind, bool AheadAllowed) {
    const std::lock_guard<std::mutex> lock(g_mutex);
    const Timings& t = Of(Kind, AheadAllowed);
    if (t.chosen) return {t.way, false};
    // The way timed least so far, the first of them in Way's order.
    int next = 0;
    for (int w = 1; w < t.Ways(); ++w)
        if (t.count[w] < t.count[next]) next = w;
    return {Way(next), true};
}

void Record(int32_t Kind, bool AheadAllowed, Way Way_, uint64_t Bytes, uint64_t Nanoseconds) {
    if (Bytes == 0) return;
    const std::lock_guard<std::mutex> lock(g_mutex);
    Timings& t = Of(Kind, AheadAllowed);
    if (t.chosen) return;
    const int w = int(Way_);
    const double perByte = double(Nanoseconds) / double(Bytes);
    if (perByte < t.best[w]) t.best[w] = perByte;
    ++t.count[w];
    int fastest = 0;
    for (int v = 0; v < t.Ways(); ++v) {
        if (t.count[v] < kTimings) return;
        if (t.best[v] < t.best[fastest]) fastest = v;
    }
    t.chosen = true;
    t.way = Way(fastest);
    char text[160];
    int at = std::snprintf(text, sizeof text, "quernsum read way for %d: %s (", int(Kind),
                           kNames[fastest]);
    for (int v = 0; v < t.Ways(); ++v)
        at += std::snprintf(text + at, sizeof text - size_t(at), "%s%s %.1f", v ? ", " : "",
                            kNames[v], 1e3 / t.best[v]);
    std::snprintf(text + at, sizeof text - size_t(at), " MB/s)");
    DebugMark(text);
}

void Forget() {
    const std::lock_guard<std::mutex> lock(g_mutex);
    g_kinds.clear();
}

}  // namespace readchoice
