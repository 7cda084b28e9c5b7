// In-memory throughput of every algorithm's update, HashFile on a file in the page cache, and
// the engine's ways of reading that file.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "bench_data.h"
#include "filehash.h"
#include "hashhead.h"
#include "hashstream.h"

namespace {

const std::vector<uint8_t>& Data() {
    return benchdata::Data<(1 << 20)>();
}

// Updates the algorithm over 1 MiB per iteration, the way HashFile feeds it (64 KiB or 16 KiB
// pieces make no difference to the in-memory figure).
void Update(benchmark::State& state, int32_t id) {
    const auto& d = Data();
    THashStream stream(id);
    for (auto _ : state) {
        stream.Update(d.data(), d.size());
        benchmark::ClobberMemory();
    }
    benchmark::DoNotOptimize(stream.Final());
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(d.size()));
}

// HashFile over one file of QUERNIX_BENCH_FILE_MB MiB (default 256) kept in the page cache.
const std::string& BenchFile() {
    static const std::string path = [] {
        const char* mb = std::getenv("QUERNIX_BENCH_FILE_MB");
        const size_t size = size_t(mb ? std::atoi(mb) : 256) << 20;
        std::string p = "/tmp/quernix-bench-" + std::to_string(size >> 20) + "M.bin";
        std::ifstream in(p, std::ios::binary | std::ios::ate);
        if (!in || size_t(in.tellg()) != size) {
            std::ofstream out(p, std::ios::binary);
            for (size_t done = 0; done < size; done += Data().size())
                out.write(reinterpret_cast<const char*>(Data().data()), long(Data().size()));
        }
        return p;
    }();
    return path;
}

void File(benchmark::State& state, int32_t id) {
    const std::string& path = BenchFile();
    std::ifstream in(path, std::ios::binary | std::ios::ate);
    const int64_t size = in.tellg();
    char out[2000];
    int32_t len = 0;
    for (auto _ : state)
        HashFile(path.c_str(), id, nullptr, out, &len);
    if (len == 0) state.SkipWithError("no result");
    state.SetBytesProcessed(int64_t(state.iterations()) * size);
}

// engine::HashPath over the same file with each read strategy, for the three checksums and
// SHA-1 (a digest that consumes bytes far slower than either way delivers them), and the file
// read alone (engine::ReadPath in 64 KiB pieces, one byte of every cache line loaded): which
// way is faster here, and how close auto comes to it and to reading alone.
void FileWay(benchmark::State& state, int32_t id, engine::ReadStrategy way) {
    engine::Request r;
    r.path = BenchFile();
    r.algorithm = id;
    r.read = way;
    uint64_t sum = 0;
    const auto touch = [&sum](const uint8_t* p, size_t n) {
        for (size_t i = 0; i < n; i += 64)
            sum += p[i];
    };
    bool ok = true;
    for (auto _ : state)
        ok = (id < 0 ? engine::ReadPath(r, 65536, touch).kind : engine::HashPath(r).error.kind) ==
                 engine::Failure::None &&
             ok;
    benchmark::DoNotOptimize(sum);
    if (!ok) state.SkipWithError("no result");
    std::ifstream in(r.path, std::ios::binary | std::ios::ate);
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(in.tellg()));
}

const int registered = [] {
    for (const auto& a : AlgorithmTable) {
        benchmark::RegisterBenchmark((std::string("update/") + a.Name).c_str(), Update, a.Id)
            ->Unit(benchmark::kMillisecond);
    }
    for (const auto& a : AlgorithmTable) {
        benchmark::RegisterBenchmark((std::string("hashfile/") + a.Name).c_str(), File, a.Id)
            ->Unit(benchmark::kMillisecond)
            ->MinTime(1.0);
    }
    const std::pair<const char*, engine::ReadStrategy> ways[] = {
        {"map", engine::ReadStrategy::Map},
        {"read", engine::ReadStrategy::Read},
        {"auto", engine::ReadStrategy::Auto}};
    const std::pair<const char*, int32_t> algorithms[] = {{"none", -1},
                                                          {"crc32", AlgorithmCrc32},
                                                          {"crc64", AlgorithmCrc64},
                                                          {"adler32", AlgorithmAdler32},
                                                          {"sha1", AlgorithmIdFromName("sha1")}};
    for (const auto& [algorithm, id] : algorithms)
        for (const auto& [name, way] : ways)
            benchmark::RegisterBenchmark((std::string("way/") + algorithm + "/" + name).c_str(),
                                         FileWay, id, way)
                ->Unit(benchmark::kMillisecond)
                ->MinTime(1.0);
    return 0;
}();

}  // namespace
