// In-memory throughput of every variant of every kernel slot, over 64 KiB (about the engine's
// chunk, in the L1/L2 caches) and 16 MiB (beyond them), run the way the kernel table times
// them when it is filled (kernels::Slots). Variants this CPU lacks are reported as skipped.
#include <benchmark/benchmark.h>

#include <string>

#include "bench_data.h"
#include "kernels.h"

namespace {

const std::vector<uint8_t>& Data() {
    return benchdata::Data<(16 << 20)>();
}

void VariantSpeed(benchmark::State& state, const kernels::Entry* e, size_t size) {
    if (!kernels::Supported(*e)) {
        state.SkipWithError("not supported by this CPU");
        return;
    }
    kernels::Table t = kernels::Portable();
    kernels::Install(t, *e);
    const auto run = kernels::Slots()[size_t(e->slot)].run;
    for (auto _ : state)
        run(t, Data().data(), size);
    state.SetBytesProcessed(int64_t(state.iterations() * size));
}

const int registered = [] {
    for (const kernels::Entry& e : kernels::Entries())
        for (size_t size : {size_t(64) << 10, size_t(16) << 20}) {
            const std::string label = std::string("variant/") +
                                      kernels::Slots()[size_t(e.slot)].name + "/" + e.name + "/" +
                                      (size < (1u << 20) ? "64KiB" : "16MiB");
            benchmark::RegisterBenchmark(label.c_str(), VariantSpeed, &e, size)
                ->Unit(benchmark::kMicrosecond);
        }
    return 0;
}();

}  // namespace
