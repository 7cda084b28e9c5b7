// The kernel table: the list of every variant, the table filled from it once, and the switch
// that tests and benchmarks use to put another table in its place.
#include "kernels.h"

#include <string_view>

#include "DCPblake2.h"
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
bool Vpclmul256(const cpu::Features& f) {
    return f.Vpclmul256 && Avx2(f) && Sse42Pclmul(f);
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
#endif
    {Slot::Sha512, "portable", Always, [](Table& t) { t.sha512 = sha512::CompressPortable; }},
#if defined(__x86_64__)
    {Slot::Crc32, "vpclmul", Vpclmul, [](Table& t) { t.crc32 = checksums::Crc32Vpclmul; }},
    {Slot::Crc32, "pclmul", Pclmul, [](Table& t) { t.crc32 = checksums::Crc32Pclmul; }},
#endif
#if defined(__aarch64__)
    {Slot::Crc32, "pmull", ArmPmull, [](Table& t) { t.crc32 = checksums::Crc32Pmull; }},
#endif
    {Slot::Crc32, "portable", Always, [](Table& t) { t.crc32 = checksums::Crc32Portable; }},
#if defined(__x86_64__)
    {Slot::Crc64, "vpclmul", Vpclmul, [](Table& t) { t.crc64 = checksums::Crc64Vpclmul; }},
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
};

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

const Table& Best() {
    static const Table best = Fill([](const Entry& e) { return Supported(e); });
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
