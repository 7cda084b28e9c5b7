// The kernel table: the list of every variant, the table filled from it once, and the switch
// that tests and benchmarks use to put another table in its place.
#include "kernels.h"

#include "DCPblake3.h"
#include "DCPsha1.h"
#include "DCPsha256.h"
#include "DCPsha512.h"
#include "checksums.h"
#include "hashhead.h"

namespace kernels {

namespace {

bool Always(const cpu::Features&) {
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
bool Avx2(const cpu::Features& f) {
    return f.Avx2;
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
    static const Table portable = Fill([](const Entry& e) { return e.runs == Always; });
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
    const Table& t = Active();
    switch (AlgorithmId) {
        case TDCP_sha1::kId:
            return t.name[int(Slot::Sha1)];
        case TDCP_sha256::kId:
            return t.name[int(Slot::Sha256)];
        case TDCP_sha384::kId:
        case TDCP_sha512::kId:
            return t.name[int(Slot::Sha512)];
        case AlgorithmCrc32:
            return t.name[int(Slot::Crc32)];
        case AlgorithmCrc64:
            return t.name[int(Slot::Crc64)];
        case AlgorithmAdler32:
            return t.name[int(Slot::Adler32)];
        case TDCP_blake3::kId:
            return t.name[int(Slot::Blake3)];
        default:
            return "portable";
    }
}

}  // namespace kernels
