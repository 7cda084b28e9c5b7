// In-memory throughput of every instruction-set variant of the three checksums, over a 64 KiB
// piece (the engine's chunk, in L1/L2) and a 16 MiB one (beyond the caches). Variants this
// CPU lacks are reported as skipped.
#include <benchmark/benchmark.h>

#include <string>
#include <utility>
#include <vector>

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
    const uint8_t* p = Data().data();
    uint64_t s = 1;
    for (auto _ : state) {
        switch (e->slot) {
            case kernels::Slot::Crc32:
                s = t.crc32(p, size, uint32_t(s));
                break;
            case kernels::Slot::Crc64:
                s = t.crc64(p, size, s);
                break;
            default:
                s = t.adler32(uint32_t(s), p, size);
                break;
        }
    }
    benchmark::DoNotOptimize(s);
    state.SetBytesProcessed(int64_t(state.iterations() * size));
}

const int registered = [] {
    const std::pair<kernels::Slot, const char*> slots[] = {
        {kernels::Slot::Crc32, "crc32"},
        {kernels::Slot::Crc64, "crc64"},
        {kernels::Slot::Adler32, "adler32"},
    };
    for (const auto& [slot, name] : slots)
        for (const kernels::Entry& e : kernels::Entries()) {
            if (e.slot != slot) continue;
            for (size_t size : {size_t(65521), size_t(16) << 20}) {
                const std::string label = std::string("variant/") + name + "/" + e.name + "/" +
                                          (size < (1u << 20) ? "64KiB" : "16MiB");
                benchmark::RegisterBenchmark(label.c_str(), VariantSpeed, &e, size)
                    ->Unit(benchmark::kMicrosecond);
            }
        }
    return 0;
}();

}  // namespace
