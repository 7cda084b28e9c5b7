// In-memory throughput of every instruction-set variant of the three checksums, over a 64 KiB
// piece (the engine's chunk, in L1/L2) and a 16 MiB one (beyond the caches). Variants this
// CPU lacks are reported as skipped.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "bench_data.h"
#include "checksums.h"
#include "hashhead.h"

namespace {

using checksums::Variant;

const std::vector<uint8_t>& Data() {
    return benchdata::Data<(16 << 20)>();
}

uint64_t Run(int32_t id, Variant v, const uint8_t* p, size_t n, uint64_t s) {
    switch (id) {
        case AlgorithmCrc32:
            return v == Variant::Vpclmul  ? checksums::Crc32Vpclmul(p, n, uint32_t(s))
                   : v == Variant::Pclmul ? checksums::Crc32Pclmul(p, n, uint32_t(s))
                                          : checksums::Crc32Portable(p, n, uint32_t(s));
        case AlgorithmCrc64:
            return v == Variant::Vpclmul  ? checksums::Crc64Vpclmul(p, n, s)
                   : v == Variant::Pclmul ? checksums::Crc64Pclmul(p, n, s)
                                          : checksums::Crc64Portable(p, n, s);
        default:
            return v == Variant::Avx512Vnni ? checksums::Adler32Avx512Vnni(uint32_t(s), p, n)
                   : v == Variant::Avx512   ? checksums::Adler32Avx512(uint32_t(s), p, n)
                   : v == Variant::Avx2     ? checksums::Adler32Avx2(uint32_t(s), p, n)
                                            : checksums::Adler32Portable(uint32_t(s), p, n);
    }
}

void VariantSpeed(benchmark::State& state, int32_t id, Variant v, size_t size) {
    if (!checksums::Supported(v)) {
        state.SkipWithError("not supported by this CPU");
        return;
    }
    const uint8_t* p = Data().data();
    uint64_t s = 1;
    for (auto _ : state)
        s = Run(id, v, p, size, s);
    benchmark::DoNotOptimize(s);
    state.SetBytesProcessed(int64_t(state.iterations() * size));
}

const int registered = [] {
    const struct {
        const char* name;
        int32_t id;
        std::vector<Variant> variants;
    } algorithms[] = {
        {"crc32", AlgorithmCrc32, {Variant::Portable, Variant::Pclmul, Variant::Vpclmul}},
        {"crc64", AlgorithmCrc64, {Variant::Portable, Variant::Pclmul, Variant::Vpclmul}},
        {"adler32",
         AlgorithmAdler32,
         {Variant::Portable, Variant::Avx2, Variant::Avx512, Variant::Avx512Vnni}},
    };
    for (const auto& a : algorithms)
        for (Variant v : a.variants)
            for (size_t size : {size_t(65521), size_t(16) << 20}) {
                const std::string name = std::string("variant/") + a.name + "/" +
                                         checksums::VariantName(v) + "/" +
                                         (size < (1u << 20) ? "64KiB" : "16MiB");
                benchmark::RegisterBenchmark(name.c_str(), VariantSpeed, a.id, v, size)
                    ->Unit(benchmark::kMicrosecond);
            }
    return 0;
}();

}  // namespace
