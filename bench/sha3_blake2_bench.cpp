// SHA-3, SHA-224 and BLAKE2: each kernel of their slots over 1 MiB in memory, with its cost in
// cycles per byte (x86-64: the thread's CPU time at the time-stamp counter's rate, so other
// programs on a busy machine do not count), and engine::HashPath over the bench file
// (QUERNIX_BENCH_FILE_MB MiB, default 256, kept in the page cache) with the best kernels.
#include <benchmark/benchmark.h>
#if defined(__x86_64__)
#include <x86intrin.h>
#endif

#include <time.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <string>

#include "bench_data.h"
#include "filehash.h"
#include "hashhead.h"
#include "kernels.h"

namespace {

struct Algo {
    const char* name;
    int32_t id;
    kernels::Slot slot;
};
const Algo kAlgos[] = {
    {"sha3-224", 203, kernels::Slot::Keccak}, {"sha3-256", 204, kernels::Slot::Keccak},
    {"sha3-384", 205, kernels::Slot::Keccak}, {"sha3-512", 206, kernels::Slot::Keccak},
    {"sha224", 207, kernels::Slot::Sha256},   {"blake2b", 201, kernels::Slot::Blake2b},
    {"blake2s", 202, kernels::Slot::Blake2s},
};

double ThreadSeconds() {
    timespec t;
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) * 1e-9;
}

// The time-stamp counter's rate, measured once over 50 ms; 0 where there is none.
double TicksPerSecond() {
#if defined(__x86_64__)
    static const double rate = [] {
        const auto t0 = std::chrono::steady_clock::now();
        const uint64_t c0 = __rdtsc();
        while (std::chrono::steady_clock::now() - t0 < std::chrono::milliseconds(50)) {
        }
        const std::chrono::duration<double> s = std::chrono::steady_clock::now() - t0;
        return double(__rdtsc() - c0) / s.count();
    }();
    return rate;
#else
    return 0;
#endif
}

void Kernel(benchmark::State& state, const Algo& a, const kernels::Entry* e) {
    if (!kernels::Supported(*e)) {
        state.SkipWithError("this CPU cannot run it");
        return;
    }
    kernels::Table table = kernels::Best();
    kernels::Install(table, *e);
    kernels::Use(&table);
    const auto& d = benchdata::Data<(1 << 20)>();
    auto h = CreateHashObject(a.id);
    h->Init();
    const double rate = TicksPerSecond();
    const double start = ThreadSeconds();
    for (auto _ : state) {
        h->Update(d.data(), d.size());
        benchmark::ClobberMemory();
    }
    const double bytes = double(state.iterations()) * double(d.size());
    if (rate > 0) state.counters["cycles_per_byte"] = (ThreadSeconds() - start) * rate / bytes;
    state.SetBytesProcessed(int64_t(bytes));
    kernels::Use(nullptr);
}

const std::string& BenchFile() {
    static const std::string path = [] {
        const char* mb = std::getenv("QUERNIX_BENCH_FILE_MB");
        const size_t size = size_t(mb ? std::atoi(mb) : 256) << 20;
        std::string p = "/tmp/quernix-bench-" + std::to_string(size >> 20) + "M.bin";
        std::ifstream in(p, std::ios::binary | std::ios::ate);
        if (!in || size_t(in.tellg()) != size) {
            const auto& d = benchdata::Data<(1 << 20)>();
            std::ofstream out(p, std::ios::binary);
            for (size_t done = 0; done < size; done += d.size())
                out.write(reinterpret_cast<const char*>(d.data()), long(d.size()));
        }
        return p;
    }();
    return path;
}

void Path(benchmark::State& state, int32_t id) {
    engine::Request request;
    request.path = BenchFile();
    request.algorithm = id;
    std::ifstream in(request.path, std::ios::binary | std::ios::ate);
    const int64_t size = in.tellg();
    for (auto _ : state)
        if (!engine::HashPath(request).ok()) state.SkipWithError("no result");
    state.SetBytesProcessed(int64_t(state.iterations()) * size);
}

const int registered = [] {
    for (const Algo& a : kAlgos)
        for (const kernels::Entry& e : kernels::Entries())
            if (e.slot == a.slot)
                benchmark::RegisterBenchmark(
                    (std::string("kernel/") + a.name + "/" + e.name).c_str(), Kernel, a, &e)
                    ->Unit(benchmark::kMillisecond);
    for (const Algo& a : kAlgos)
        benchmark::RegisterBenchmark((std::string("hashpath/") + a.name).c_str(), Path, a.id)
            ->Unit(benchmark::kMillisecond)
            ->MinTime(1.0);
    return 0;
}();

}  // namespace
