// The kernel table: the list of every variant, the table filled from it once, and the switch
// that tests and benchmarks use to put another table in its place.
//
// The entries of a slot are listed in the order they are expected to be fast in, but whether
// that order holds depends on the CPU: how wide its vector units really are, how many
// carry-less multiplies or rotations it issues per cycle. So when the table is filled, the
// variants of a slot that the CPU runs several of are timed over the same 16 KiB in memory: one
// round to warm up, then five rounds that run each once in turn, the fastest run of each
// counting (an interruption only makes a run slower). A variant other than the first is taken
// only when it is clearly faster (PickFastest), so noise can't undo the expected order. That
// costs about a millisecond, once per process, at the first use of the table; every variant
// gives the same results, so the choice never changes one.
#include "kernels.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <limits>
#include <string>
#include <string_view>
#include <vector>

#include "DCPblake2.h"
#include "DCPblake3.h"
#include "DCPcrc32c.h"
#include "DCPsha1.h"
#include "DCPsha256.h"
#include "DCPsha3.h"
#include "DCPsha512.h"
#include "DCPxxh3.h"
#include "checksums.h"
#include "hashhead.h"

namespace kernels {

namespace {

bool Always(const cpu::Features&) {
    return true;
}

// The vector code every CPU of the architecture has (SSE2 on x86-64, NEON on aarch64): it
// always runs, but it is not the portable code.
[[maybe_unused]] bool Baseline(const cpu::Features&) {
    return true;
}

#if defined(__aarch64__)
bool ArmSha1(const cpu::Features& f) {
    return f.ArmSha1;
}
bool ArmSha2(const cpu::Features& f) {
    return f.ArmSha2;
}
bool ArmPmull(const cpu::Features& f) {
    return f.ArmPmull;
}
bool ArmCrc32Pmull(const cpu::Features& f) {
    return f.ArmCrc32 && f.ArmPmull;
}
bool ArmNeon(const cpu::Features& f) {
    return f.ArmNeon;
}
#endif

#if defined(__x86_64__)
bool ShaNi(const cpu::Features& f) {
    return f.Sha && f.Sse41 && f.Ssse3;
}
bool Pclmul(const cpu::Features& f) {
    return f.Pclmul && f.Sse41;
}
bool Vpclmul(const cpu::Features& f) {
    return f.Vpclmul && f.Avx512 && Pclmul(f);
}
bool Bmi2(const cpu::Features& f) {
    return f.Bmi2;
}
bool Avx2(const cpu::Features& f) {
    return f.Avx2;
}
bool Bmi1(const cpu::Features& f) {
    return f.Bmi1;
}
bool Avx2Bmi2(const cpu::Features& f) {
    return f.Avx2 && f.Bmi2;
}
bool Avx512(const cpu::Features& f) {
    return f.Avx512;
}
bool Avx512Bmi2(const cpu::Features& f) {
    return f.Avx512 && Avx2Bmi2(f);
}
bool Avx512Vnni(const cpu::Features& f) {
    return f.Avx512 && f.Avx512Vnni;
}
bool Sse42Pclmul(const cpu::Features& f) {
    return f.Sse42 && f.Pclmul;
}
// 256-bit carry-less multiplies; the CRC-32C fold also uses the crc32 instruction.
bool Vpclmul256(const cpu::Features& f) {
    return f.Vpclmul && Avx2(f) && Sse42Pclmul(f) && Pclmul(f);
}
bool Sse41(const cpu::Features& f) {
    return f.Sse41 && f.Ssse3;
}
// BLAKE3's AVX-512 kernel hands a few inputs to the AVX2 one.
bool Avx512Avx2(const cpu::Features& f) {
    return f.Avx512 && f.Avx2;
}
#endif

// Fastest first within each slot; the portable entry closes each slot.
constexpr Entry kEntries[] = {
#if defined(__x86_64__)
    {Slot::Sha1, "shani", ShaNi, [](Table& t) { t.sha1 = sha1::CompressShaNi; }},
#endif
#if defined(__aarch64__)
    {Slot::Sha1, "armv8", ArmSha1, [](Table& t) { t.sha1 = sha1::CompressArmv8; }},
#endif
    {Slot::Sha1, "portable", Always, [](Table& t) { t.sha1 = sha1::CompressPortable; }},
#if defined(__x86_64__)
    {Slot::Sha256, "shani", ShaNi, [](Table& t) { t.sha256 = sha256::CompressShaNi; }},
#endif
#if defined(__aarch64__)
    {Slot::Sha256, "armv8", ArmSha2, [](Table& t) { t.sha256 = sha256::CompressArmv8; }},
#endif
    {Slot::Sha256, "portable", Always, [](Table& t) { t.sha256 = sha256::CompressPortable; }},
#if defined(__x86_64__)
    {Slot::Sha512, "avx512", Avx512Bmi2, [](Table& t) { t.sha512 = sha512::CompressAvx512; }},
    {Slot::Sha512, "avx2", Avx2Bmi2, [](Table& t) { t.sha512 = sha512::CompressAvx2; }},
    {Slot::Sha512, "bmi2", Bmi2, [](Table& t) { t.sha512 = sha512::CompressBmi2; }},
#endif
    {Slot::Sha512, "portable", Always, [](Table& t) { t.sha512 = sha512::CompressPortable; }},
#if defined(__x86_64__)
    {Slot::Crc32, "vpclmul", Vpclmul, [](Table& t) { t.crc32 = checksums::Crc32Vpclmul; }},
    {Slot::Crc32, "vpclmul256", Vpclmul256, [](Table& t) { t.crc32 = checksums::Crc32Vpclmul256; }},
    {Slot::Crc32, "pclmul", Pclmul, [](Table& t) { t.crc32 = checksums::Crc32Pclmul; }},
#endif
#if defined(__aarch64__)
    {Slot::Crc32, "pmull", ArmPmull, [](Table& t) { t.crc32 = checksums::Crc32Pmull; }},
#endif
    {Slot::Crc32, "portable", Always, [](Table& t) { t.crc32 = checksums::Crc32Portable; }},
#if defined(__x86_64__)
    {Slot::Crc64, "vpclmul", Vpclmul, [](Table& t) { t.crc64 = checksums::Crc64Vpclmul; }},
    {Slot::Crc64, "vpclmul256", Vpclmul256, [](Table& t) { t.crc64 = checksums::Crc64Vpclmul256; }},
    {Slot::Crc64, "pclmul", Pclmul, [](Table& t) { t.crc64 = checksums::Crc64Pclmul; }},
#endif
#if defined(__aarch64__)
    {Slot::Crc64, "pmull", ArmPmull, [](Table& t) { t.crc64 = checksums::Crc64Pmull; }},
#endif
    {Slot::Crc64, "portable", Always, [](Table& t) { t.crc64 = checksums::Crc64Portable; }},
#if defined(__x86_64__)
    {Slot::Adler32, "avx512vnni", Avx512Vnni,
     [](Table& t) { t.adler32 = checksums::Adler32Avx512Vnni; }},
    {Slot::Adler32, "avx512", Avx512, [](Table& t) { t.adler32 = checksums::Adler32Avx512; }},
    {Slot::Adler32, "avx2", Avx2, [](Table& t) { t.adler32 = checksums::Adler32Avx2; }},
#endif
    {Slot::Adler32, "portable", Always, [](Table& t) { t.adler32 = checksums::Adler32Portable; }},
// XXH3 and CRC-32C
#if defined(__x86_64__)
    {Slot::Xxh3, "avx512", Avx512Bmi2, [](Table& t) { t.xxh3 = xxh3::StripesAvx512; }},
    {Slot::Xxh3, "avx2", Avx2Bmi2, [](Table& t) { t.xxh3 = xxh3::StripesAvx2; }},
    {Slot::Xxh3, "sse2", Baseline, [](Table& t) { t.xxh3 = xxh3::StripesSse2; }},
#endif
#if defined(__aarch64__)
    {Slot::Xxh3, "neon", Baseline, [](Table& t) { t.xxh3 = xxh3::StripesNeon; }},
#endif
    {Slot::Xxh3, "portable", Always, [](Table& t) { t.xxh3 = xxh3::StripesPortable; }},
#if defined(__x86_64__)
    {Slot::Crc32c, "vpclmul256", Vpclmul256, [](Table& t) { t.crc32c = crc32c::UpdateVpclmul256; }},
    {Slot::Crc32c, "sse42", Sse42Pclmul, [](Table& t) { t.crc32c = crc32c::UpdateSse42; }},
#endif
#if defined(__aarch64__)
    {Slot::Crc32c, "armv8crc", ArmCrc32Pmull, [](Table& t) { t.crc32c = crc32c::UpdateArmv8; }},
#endif
    {Slot::Crc32c, "portable", Always, [](Table& t) { t.crc32c = crc32c::UpdatePortable; }},
// SHA-3 and BLAKE2
#if defined(__x86_64__)
    {Slot::Keccak, "bmi1", Bmi1, [](Table& t) { t.keccak = sha3::AbsorbBmi1; }},
#endif
    {Slot::Keccak, "portable", Always, [](Table& t) { t.keccak = sha3::AbsorbPortable; }},
#if defined(__aarch64__)
    {Slot::Blake2b, "neon", Baseline, [](Table& t) { t.blake2b = blake2::Compress2bNeon; }},
#endif
    {Slot::Blake2b, "portable", Always, [](Table& t) { t.blake2b = blake2::Compress2bPortable; }},
#if defined(__aarch64__)
    {Slot::Blake2s, "neon", Baseline, [](Table& t) { t.blake2s = blake2::Compress2sNeon; }},
#endif
    {Slot::Blake2s, "portable", Always, [](Table& t) { t.blake2s = blake2::Compress2sPortable; }},
// BLAKE3
#if defined(__x86_64__)
    {Slot::Blake3, "avx512", Avx512Avx2, [](Table& t) { t.blake3 = blake3::HashManyAvx512; }},
    {Slot::Blake3, "avx2", Avx2, [](Table& t) { t.blake3 = blake3::HashManyAvx2; }},
    {Slot::Blake3, "sse41", Sse41, [](Table& t) { t.blake3 = blake3::HashManySse41; }},
#endif
#if defined(__aarch64__)
    {Slot::Blake3, "neon", ArmNeon, [](Table& t) { t.blake3 = blake3::HashManyNeon; }},
#endif
    {Slot::Blake3, "portable", Always, [](Table& t) { t.blake3 = blake3::HashManyPortable; }},
};

// Whatever a table holds in each slot, run over whole blocks of the bytes; the results go
// to a sink, so that no run is left out.
volatile uint64_t g_sink;

constexpr SlotInfo kSlotInfo[] = {
    {"sha1",
     [](const Table& t, const uint8_t* p, size_t n) {
         uint32_t state[5] = {};
         t.sha1(state, p, n / 64);
         g_sink = state[0];
     }},
    {"sha256",
     [](const Table& t, const uint8_t* p, size_t n) {
         uint32_t state[8] = {};
         t.sha256(state, p, n / 64);
         g_sink = state[0];
     }},
    {"sha512",
     [](const Table& t, const uint8_t* p, size_t n) {
         uint64_t state[8] = {};
         t.sha512(state, p, n / 128);
         g_sink = state[0];
     }},
    {"crc32", [](const Table& t, const uint8_t* p, size_t n) { g_sink = t.crc32(p, n, 0); }},
    {"crc64", [](const Table& t, const uint8_t* p, size_t n) { g_sink = t.crc64(p, n, 0); }},
    {"adler32", [](const Table& t, const uint8_t* p, size_t n) { g_sink = t.adler32(1, p, n); }},
    {"xxh3",
     [](const Table& t, const uint8_t* p, size_t n) {
         uint64_t acc[8] = {};
         t.xxh3(acc, p, n / 64, 0);
         g_sink = acc[0];
     }},
    {"crc32c", [](const Table& t, const uint8_t* p, size_t n) { g_sink = t.crc32c(p, n, 0); }},
    {"keccak",
     [](const Table& t, const uint8_t* p, size_t n) {
         uint64_t state[25] = {};
         t.keccak(state, p, n / 136, 136);
         g_sink = state[0];
     }},
    {"blake2b",
     [](const Table& t, const uint8_t* p, size_t n) {
         uint64_t state[8] = {}, counter[2] = {};
         t.blake2b(state, counter, p, n / 128, 128, false);
         g_sink = state[0];
     }},
    {"blake2s",
     [](const Table& t, const uint8_t* p, size_t n) {
         uint32_t state[8] = {}, counter[2] = {};
         t.blake2s(state, counter, p, n / 64, 64, false);
         g_sink = state[0];
     }},
    {"blake3",
     [](const Table& t, const uint8_t* p, size_t n) {
         // Whole chunks of 1 KiB, up to 16 of them side by side.
         const uint8_t* inputs[16];
         const size_t count = std::min<size_t>(n / 1024, 16);
         for (size_t i = 0; i < count; ++i)
             inputs[i] = p + 1024 * i;
         const uint32_t key[8] = {};
         uint8_t out[16 * 32];
         t.blake3(inputs, count, 16, key, 0, true, 0, 1, 2, out);
         g_sink = out[0];
     }},
};
static_assert(std::size(kSlotInfo) == kSlots, "one SlotInfo per slot, in the order of Slot");

// The table with, in each slot, the first entry that Take accepts.
template <class Accept>
Table Fill(Accept take) {
    Table t{};
    bool filled[kSlots] = {};
    for (const Entry& e : kEntries) {
        const int s = int(e.slot);
        if (filled[s] || !take(e)) continue;
        Install(t, e);
        filled[s] = true;
    }
    return t;
}

}  // namespace

std::span<const Entry> Entries() {
    return kEntries;
}

bool Supported(const Entry& e) {
    return e.runs(cpu::Detected());
}

void Install(Table& t, const Entry& e) {
    e.install(t);
    t.name[int(e.slot)] = e.name;
}

namespace {

// The best table: in each slot the first entry this CPU runs, or the one that PickFastest takes
// from the timings of those it runs.
Table Measure() {
    Table best = Fill([](const Entry& e) { return Supported(e); });
    constexpr size_t kBytes = 16 << 10;
    constexpr int kRounds = 5;
    std::vector<uint8_t> bytes(kBytes);
    uint32_t x = 0x9E3779B9u;
    for (uint8_t& b : bytes) {
        x ^= x << 13, x ^= x >> 17, x ^= x << 5;
        b = uint8_t(x);
    }
    for (int s = 0; s < kSlots; ++s) {
        std::vector<const Entry*> candidates;
        for (const Entry& e : kEntries)
            if (int(e.slot) == s && Supported(e)) candidates.push_back(&e);
        if (candidates.size() < 2) continue;
        std::vector<double> fastest(candidates.size(), std::numeric_limits<double>::infinity());
        Table t = best;
        for (int round = 0; round <= kRounds; ++round) {
            for (size_t i = 0; i < candidates.size(); ++i) {
                Install(t, *candidates[i]);
                const auto start = std::chrono::steady_clock::now();
                kSlotInfo[s].run(t, bytes.data(), kBytes);
                const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
                if (round > 0 && took.count() < fastest[i]) fastest[i] = took.count();
            }
        }
        const Entry& chosen = *candidates[PickFastest(fastest)];
        Install(best, chosen);
        std::string text = std::string("quernsum kernel for ") + kSlotInfo[s].name + ": " +
                           chosen.name + " (MB/s:";
        for (size_t i = 0; i < candidates.size(); ++i) {
            char figure[64];
            std::snprintf(figure, sizeof figure, " %s %.0f", candidates[i]->name,
                          double(kBytes) / fastest[i] / 1e6);
            text += figure;
        }
        DebugMark(text + ")");
    }
    return best;
}

}  // namespace

std::span<const SlotInfo> Slots() {
    return kSlotInfo;
}

size_t PickFastest(std::span<const double> Seconds) {
    size_t pick = 0;
    for (size_t i = 1; i < Seconds.size(); ++i)
        if (Seconds[i] <= Seconds[0] * 0.95 && Seconds[i] < Seconds[pick]) pick = i;
    return pick;
}

const Table& Best() {
    static const Table best = Measure();
    return best;
}

const Table& Portable() {
    static const Table portable =
        Fill([](const Entry& e) { return std::string_view(e.name) == "portable"; });
    return portable;
}

namespace detail {

std::atomic<const Table*> active{nullptr};

// The first call fills the table; a Use that came first wins.
const Table& Start() {
    const Table* expected = nullptr;
    active.compare_exchange_strong(expected, &Best(), std::memory_order_acq_rel);
    return *active.load(std::memory_order_acquire);
}

}  // namespace detail

void Use(const Table* t) {
    detail::active.store(t ? t : &Best(), std::memory_order_release);
}

void ForcePortable(bool On) {
    Use(On ? &Portable() : nullptr);
}

bool PortableForced() {
    return &Active() == &Portable();
}

const char* KernelName(int32_t AlgorithmId) {
    const TAlgorithmInfo* a = AlgorithmById(AlgorithmId);
    return a && a->Kernel ? Active().name[int(*a->Kernel)] : "portable";
}

}  // namespace kernels
