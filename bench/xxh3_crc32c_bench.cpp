// XXH3, XXH128 and CRC-32C: the in-memory throughput of every variant (XXH3's stripe loop, the
// CRC-32C register update) over a 64 KiB piece (in L1/L2) and a 16 MiB one (beyond the caches),
// the hash objects as the engine feeds them, and engine::HashPath on a file in the page cache
// beside engine::ReadPath reading the same file in 64 KiB pieces and hashing nothing.
// Variants this CPU lacks are reported as skipped. The file is QUERNIX_BENCH_FILE_MB MiB
// (default 256), the one the other file benchmarks use.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "DCPcrc32c.h"
#include "DCPxxh3.h"
#include "bench_data.h"
#include "filehash.h"
#include "hashhead.h"
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
    uint64_t acc[8] = {};
    uint32_t crc = 0;
    for (auto _ : state) {
        if (e->slot == kernels::Slot::Xxh3) {
            t.xxh3(acc, p, size / xxh3::kStripeSize, 0);
            benchmark::DoNotOptimize(acc);
        } else {
            crc = t.crc32c(p, size, crc);
        }
    }
    benchmark::DoNotOptimize(crc);
    state.SetBytesProcessed(int64_t(state.iterations() * size));
}

// The object's Update over 1 MiB in 16 KiB calls, as the engine's chunk loop calls it.
void ObjectSpeed(benchmark::State& state, int32_t id) {
    auto h = CreateHashObject(id);
    h->Init();
    const uint8_t* p = Data().data();
    constexpr size_t kTotal = 1 << 20, kChunk = 16384;
    for (auto _ : state) {
        for (size_t at = 0; at < kTotal; at += kChunk)
            h->Update(p + at, kChunk);
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(int64_t(state.iterations() * kTotal));
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

int64_t FileSize() {
    std::ifstream in(BenchFile(), std::ios::binary | std::ios::ate);
    return in.tellg();
}

void HashPathSpeed(benchmark::State& state, int32_t id) {
    engine::Request r;
    r.path = BenchFile();
    r.algorithm = id;
    for (auto _ : state)
        if (!engine::HashPath(r).ok()) state.SkipWithError("no result");
    state.SetBytesProcessed(int64_t(state.iterations()) * FileSize());
}

// What reading alone costs: the engine's reading with 64 KiB pieces, handed to nothing.
void ReadPathSpeed(benchmark::State& state) {
    engine::Request r;
    r.path = BenchFile();
    uint64_t sum = 0;
    for (auto _ : state) {
        const engine::Error e =
            engine::ReadPath(r, 65536, [&](const uint8_t* p, size_t n) { sum += p[n - 1]; });
        if (e.kind != engine::Failure::None) state.SkipWithError("read failed");
    }
    benchmark::DoNotOptimize(sum);
    state.SetBytesProcessed(int64_t(state.iterations()) * FileSize());
}

const int registered = [] {
    const std::pair<kernels::Slot, const char*> slots[] = {
        {kernels::Slot::Xxh3, "xxh3"},
        {kernels::Slot::Crc32c, "crc32c"},
    };
    for (const auto& [slot, name] : slots)
        for (const kernels::Entry& e : kernels::Entries()) {
            if (e.slot != slot) continue;
            for (size_t size : {size_t(65536), size_t(16) << 20}) {
                const std::string label = std::string("variant/") + name + "/" + e.name + "/" +
                                          (size < (1u << 20) ? "64KiB" : "16MiB");
                benchmark::RegisterBenchmark(label.c_str(), VariantSpeed, &e, size)
                    ->Unit(benchmark::kMicrosecond);
            }
        }
    const std::pair<int32_t, const char*> objects[] = {
        {TDCP_xxh3::kId, "xxh3"}, {TDCP_xxh128::kId, "xxh128"}, {TDCP_crc32c::kId, "crc32c"}};
    for (const auto& [id, name] : objects)
        benchmark::RegisterBenchmark((std::string("update/") + name).c_str(), ObjectSpeed, id)
            ->Unit(benchmark::kMicrosecond);
    benchmark::RegisterBenchmark("readpath/64KiB", ReadPathSpeed)
        ->Unit(benchmark::kMillisecond)
        ->MinTime(1.0);
    for (const auto& [id, name] : objects)
        benchmark::RegisterBenchmark((std::string("hashpath/") + name).c_str(), HashPathSpeed, id)
            ->Unit(benchmark::kMillisecond)
            ->MinTime(1.0);
    return 0;
}();

}  // namespace
