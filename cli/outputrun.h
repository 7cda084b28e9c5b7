// The jobs of a quernsum run (a file to hash, a line to verify, a message) on Options' -j
// worker threads, their output printed on the main thread in the order the jobs were given,
// so that the output is byte for byte that of a one-at-a-time run. The printers write through
// output.h, so that an interrupt (interrupt.h) leaves whole lines.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>

#include "orderedrun.h"

namespace cli {

// The number of CPUs online: the default of -j, and the threads an algorithm fan-out may use.
unsigned OnlineCpus();

// The output of one job, run on the main thread at its turn; false when the job failed (exit
// status 1).
using Printer = std::function<bool()>;

class OutputRun {
public:
    // Jobs: the files hashed at a time; 1 runs every job on the calling thread as it is given.
    explicit OutputRun(unsigned Jobs);
    ~OutputRun();

    unsigned Jobs() const { return jobs_; }
    // Queues Work; the Printer it gives is run in its turn. Work may return a Printer that
    // does the reading itself (on the main thread, where nothing else is read at that time).
    void Submit(std::function<Printer()> Work);
    // Prints a message that needs no work, in its place.
    void Say(Printer Print);
    // The number the next job gets (0, 1, ...), and whether job Index is the one whose output
    // comes next: the one that may draw a progress line.
    uint64_t NextIndex() const { return submitted_; }
    bool IsHead(uint64_t Index) const { return emitted_.load() == Index; }
    // Waits for every job and prints the rest; true when every printer said so.
    bool Finish();

private:
    const unsigned jobs_;
    bool ok_ = true;
    uint64_t submitted_ = 0;
    std::atomic<uint64_t> emitted_{0};
    parallel::OrderedRun<Printer> run_;
};

}  // namespace cli
