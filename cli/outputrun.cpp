#include "outputrun.h"

#include <cstdio>
#include <thread>

#include "interrupt.h"

namespace cli {

unsigned OnlineCpus() {
    const unsigned n = std::thread::hardware_concurrency();
    return n > 0 ? n : 1;
}

// A window of 256 jobs per worker keeps the workers busy while the main thread prints a batch,
// and holds little: a job waiting its turn is a path, its result a few digests.
OutputRun::OutputRun(unsigned Jobs)
    : jobs_(Jobs), run_(Jobs, size_t(Jobs) * 256, [this](Printer& print) {
          ok_ = print() && ok_;
          emitted_.fetch_add(1);
      }) {
    // One at a time, SIGINT keeps its default action, as before there were workers.
    if (jobs_ > 1) watch_ = std::make_unique<InterruptWatch>([this] { run_.Stop(); });
}

OutputRun::~OutputRun() = default;

void OutputRun::Submit(std::function<Printer()> Work) {
    ++submitted_;
    run_.Submit(std::move(Work));
}

void OutputRun::Say(Printer Print) {
    Submit([p = std::move(Print)] { return p; });
}

bool OutputRun::Finish() {
    run_.Finish();
    if (run_.Stopped()) {
        std::fflush(stdout);
        InterruptWatch::Die();
    }
    return ok_;
}

}  // namespace cli
