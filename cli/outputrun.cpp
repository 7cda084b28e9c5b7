#include "outputrun.h"

#include <thread>

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
      }) {}

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
    return ok_;
}

}  // namespace cli
