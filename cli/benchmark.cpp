#include "benchmark.h"

#include <chrono>
#include <cstdio>
#include <string>
#include <thread>

#include "cpufeatures.h"
#include "hashhead.h"
#include "hashstream.h"
#include "kernels.h"

#if defined(__x86_64__) || defined(__i386__)
#include <x86intrin.h>
#define QUERNIX_HAVE_TSC 1
#endif

namespace cli {

namespace {

using Clock = std::chrono::steady_clock;

// A buffer that stays in the second-level cache, so the figures are the algorithm's and not
// the memory's; each algorithm runs for this long after one warm-up pass.
constexpr size_t kBuffer = size_t(256) << 10;
constexpr auto kPerAlgorithm = std::chrono::milliseconds(200);

// The time-stamp counter's rate in Hz, measured against the steady clock over 50 ms; 0 where
// there is no such counter. On CPUs with an invariant counter (constant_tsc) it ticks at the
// nominal clock whatever the core's current speed, so cycles per byte derived from it are
// nominal cycles: a core running above its nominal clock does more real cycles per byte.
double TscHz() {
#ifdef QUERNIX_HAVE_TSC
    const auto t0 = Clock::now();
    const uint64_t c0 = __rdtsc();
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    const uint64_t c1 = __rdtsc();
    const std::chrono::duration<double> dt = Clock::now() - t0;
    return double(c1 - c0) / dt.count();
#else
    return 0;
#endif
}

std::string CpuFeatures() {
    const cpu::Features& f = cpu::Detected();
    std::string s;
    // Every feature that a kernel is chosen by.
    const std::pair<bool, const char*> named[] = {
        {f.Ssse3, "ssse3"},
        {f.Sse41, "sse4.1"},
        {f.Sse42, "sse4.2"},
        {f.Pclmul, "pclmul"},
        {f.Sha, "sha"},
        {f.Bmi1, "bmi1"},
        {f.Bmi2, "bmi2"},
        {f.Avx2, "avx2"},
        {f.Avx512, "avx512"},
        {f.Vpclmul, "vpclmul"},
        {f.Avx512Vnni, "avx512vnni"},
        {f.ArmSha1, "sha1"},
        {f.ArmSha2, "sha2"},
        {f.ArmPmull, "pmull"},
        {f.ArmCrc32, "crc32"},
        {f.ArmNeon, "neon"},
    };
    for (const auto& [has, name] : named)
        if (has) s += std::string(s.empty() ? "" : " ") + name;
    return s.empty() ? "none" : s;
}

const char* NameOf(int32_t id) {
    for (const auto& a : AlgorithmTable)
        if (a.Id == id) return a.Name;
    return "?";
}

}  // namespace

int RunBenchmark(const std::vector<int32_t>& Algorithms) {
    std::string buffer(kBuffer, '\0');
    uint32_t x = 0x9E3779B9u;  // xorshift: bytes that no algorithm can take a short cut on
    for (char& c : buffer) {
        x ^= x << 13;
        x ^= x >> 17;
        x ^= x << 5;
        c = char(x);
    }
    const double hz = TscHz();
    std::printf("quernsum benchmark: %zu KiB buffer in memory, %lld ms per algorithm\n",
                kBuffer >> 10, static_cast<long long>(kPerAlgorithm.count()));
    std::printf("CPU features: %s\n", CpuFeatures().c_str());
    if (hz > 0)
        std::printf("cycles: time-stamp counter at %.0f MHz (measured), nominal cycles\n",
                    hz / 1e6);
    else
        std::printf("cycles: no time-stamp counter, not shown\n");
    std::printf("%-10s %10s %12s  %s\n", "algorithm", "MB/s", "cycles/byte", "code path");
    std::fflush(stdout);
    for (int32_t id : Algorithms) {
        THashStream stream(id);
        stream.Update(buffer.data(), buffer.size());  // warm-up: tables, caches, clock
        uint64_t bytes = 0;
        const auto start = Clock::now();
        std::chrono::duration<double> elapsed{};
        do {
            stream.Update(buffer.data(), buffer.size());
            bytes += buffer.size();
            elapsed = Clock::now() - start;
        } while (elapsed < kPerAlgorithm);
        stream.Final();
        const double perSecond = double(bytes) / elapsed.count();
        char cycles[32] = "-";
        if (hz > 0) std::snprintf(cycles, sizeof cycles, "%.2f", hz / perSecond);
        std::printf("%-10s %10.1f %12s  %s\n", NameOf(id), perSecond / 1e6, cycles,
                    kernels::KernelName(id));
        std::fflush(stdout);
    }
    return std::ferror(stdout) ? 1 : 0;
}

}  // namespace cli
