// BLAKE3: each kernel in memory (the incremental hasher over 64 KiB and 16 MiB), and one file
// of QUERNIX_BLAKE3_FILE_MB MiB (default 1024) in the page cache through engine::HashPath with
// 1 and 2 threads, beside b3sum with as many threads and plain 64 KiB reads of the same file
// (the floor any reader of the file pays). The file rows are wall time, as users see it.
// Kernels this CPU lacks are reported as skipped, and so is b3sum where it is not installed.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "DCPblake3.h"
#include "bench_data.h"
#include "filehash.h"
#include "kernels.h"

namespace {

const std::vector<uint8_t>& Data() {
    return benchdata::Data<(16 << 20)>();
}

void KernelSpeed(benchmark::State& state, const kernels::Entry* e, size_t size) {
    if (!kernels::Supported(*e)) {
        state.SkipWithError("not supported by this CPU");
        return;
    }
    kernels::Table t = kernels::Best();
    kernels::Install(t, *e);
    kernels::Use(&t);
    TDCP_blake3 h;
    uint8_t out[32];
    for (auto _ : state) {
        h.Init();
        h.Update(Data().data(), size);
        h.Final(out);
    }
    kernels::Use(nullptr);
    benchmark::DoNotOptimize(out);
    state.SetBytesProcessed(int64_t(state.iterations() * size));
}

const std::string& BigFile() {
    static const std::string path = [] {
        const char* mb = std::getenv("QUERNIX_BLAKE3_FILE_MB");
        const size_t size = size_t(mb ? std::atoi(mb) : 1024) << 20;
        std::string p = "/tmp/quernix-bench-blake3-" + std::to_string(size >> 20) + "M.bin";
        std::ifstream in(p, std::ios::binary | std::ios::ate);
        if (!in || size_t(in.tellg()) != size) {
            std::ofstream out(p, std::ios::binary | std::ios::trunc);
            for (size_t done = 0; done < size; done += Data().size())
                out.write(reinterpret_cast<const char*>(Data().data()), long(Data().size()));
        }
        return p;
    }();
    return path;
}

int64_t BigFileSize() {
    std::ifstream in(BigFile(), std::ios::binary | std::ios::ate);
    return int64_t(in.tellg());
}

void EngineFile(benchmark::State& state, unsigned threads) {
    engine::Request r;
    r.path = BigFile();
    r.algorithm = TDCP_blake3::kId;
    r.threads = threads;
    engine::HashPath(r);  // into the page cache
    for (auto _ : state)
        if (!engine::HashPath(r).ok()) state.SkipWithError("no digest");
    state.SetBytesProcessed(int64_t(state.iterations()) * BigFileSize());
}

// b3sum as a black box: the wall time of the whole program, as users see it.
void B3sumFile(benchmark::State& state, unsigned threads) {
    const std::string command = "b3sum --no-names --num-threads " + std::to_string(threads) + " '" +
                                BigFile() + "' 2>/dev/null";
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        FILE* p = ::popen(command.c_str(), "r");
        char line[128] = {};
        const bool got = p && std::fgets(line, sizeof line, p) != nullptr;
        const int status = p ? ::pclose(p) : -1;
        state.SetIterationTime(
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
        if (!got || status != 0) {
            state.SkipWithError("b3sum is not installed");
            return;
        }
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * BigFileSize());
}

// Reading the file with 64 KiB reads and nothing else.
void ReadOnly(benchmark::State& state) {
    std::vector<char> buf(64 << 10);
    for (auto _ : state) {
        const int fd = ::open(BigFile().c_str(), O_RDONLY);
        while (::read(fd, buf.data(), buf.size()) > 0) {
        }
        ::close(fd);
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * BigFileSize());
}

const int registered = [] {
    for (const kernels::Entry& e : kernels::Entries()) {
        if (e.slot != kernels::Slot::Blake3) continue;
        for (size_t size : {size_t(64) << 10, size_t(16) << 20}) {
            const std::string label = std::string("variant/blake3/") + e.name + "/" +
                                      (size < (1u << 20) ? "64KiB" : "16MiB");
            benchmark::RegisterBenchmark(label.c_str(), KernelSpeed, &e, size)
                ->Unit(benchmark::kMicrosecond);
        }
    }
    for (unsigned threads : {1u, 2u}) {
        const std::string n = std::to_string(threads);
        benchmark::RegisterBenchmark(("file/blake3/threads:" + n).c_str(), EngineFile, threads)
            ->Unit(benchmark::kMillisecond)
            ->UseRealTime()
            ->MinTime(2.0);
        benchmark::RegisterBenchmark(("file/b3sum/threads:" + n).c_str(), B3sumFile, threads)
            ->Unit(benchmark::kMillisecond)
            ->UseManualTime()
            ->MinTime(2.0);
    }
    benchmark::RegisterBenchmark("file/read-64KiB", ReadOnly)
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime()
        ->MinTime(2.0);
    return 0;
}();

}  // namespace
