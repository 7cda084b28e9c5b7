// The engine's kernels: the inner loops that have instruction-set variants, gathered in one
// table of function pointers. The table is filled once, on first use, from the CPU's features
// (cpufeatures.h): each slot takes the fastest variant this CPU runs, and the portable code
// where it runs none. Where the CPU runs several, a short timing of each over the same bytes
// decides (kernels.cpp). Every caller goes through Active(), so the choice is made in one
// place, and tests and benchmarks reach every variant through the one list of Entries().
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <span>

#include "cpufeatures.h"

namespace kernels {

// The compression functions over Count consecutive blocks (64 bytes for SHA-1 and SHA-256,
// 128 bytes for SHA-384/512, which share theirs).
using Sha1Compress = void (*)(uint32_t State[5], const uint8_t* Blocks, size_t Count);
using Sha256Compress = void (*)(uint32_t State[8], const uint8_t* Blocks, size_t Count);
using Sha512Compress = void (*)(uint64_t State[8], const uint8_t* Blocks, size_t Count);
// The raw CRC register updates (no inversion), and Adler-32 continued from Value.
using Crc32Fold = uint32_t (*)(const uint8_t* p, size_t Count, uint32_t Register);
using Crc64Fold = uint64_t (*)(const uint8_t* p, size_t Count, uint64_t Register);
using Adler32Sum = uint32_t (*)(uint32_t Value, const uint8_t* p, size_t Count);
// XXH3's long-input loop: Count 64-byte stripes into the eight accumulators, the first being
// stripe First of its block, scrambling after each block's last stripe (DCPxxh3.h).
using Xxh3Stripes = void (*)(uint64_t Acc[8], const uint8_t* p, size_t Count, size_t First);
// SHA-3: absorbs Count blocks of Rate bytes into the Keccak state (DCPsha3.h). BLAKE2b and
// BLAKE2s: compress Count blocks, adding Increment to the byte counter before each; Last sets
// the final-block flag (DCPblake2.h).
using KeccakAbsorb = void (*)(uint64_t State[25], const uint8_t* Blocks, size_t Count, size_t Rate);
using Blake2bCompress = void (*)(uint64_t State[8], uint64_t Counter[2], const uint8_t* Blocks,
                                 size_t Count, uint32_t Increment, bool Last);
using Blake2sCompress = void (*)(uint32_t State[8], uint32_t Counter[2], const uint8_t* Blocks,
                                 size_t Count, uint32_t Increment, bool Last);
// BLAKE3's many-input compression (blake3::HashManyPortable in DCPblake3.h says what it does).
using Blake3HashMany = void (*)(const uint8_t* const* Inputs, size_t Count, size_t Blocks,
                                const uint32_t Key[8], uint64_t Counter, bool IncrementCounter,
                                uint8_t Flags, uint8_t FlagsStart, uint8_t FlagsEnd, uint8_t* Out);

enum class Slot {
    Sha1,
    Sha256,
    Sha512,
    Crc32,
    Crc64,
    Adler32,
    // XXH3 and CRC-32C
    Xxh3,
    Crc32c,
    // SHA-3 and BLAKE2
    Keccak,
    Blake2b,
    Blake2s,
    // BLAKE3
    Blake3,
};
constexpr int kSlots = 12;

struct Table {
    Sha1Compress sha1;
    Sha256Compress sha256;
    Sha512Compress sha512;
    Crc32Fold crc32;
    Crc64Fold crc64;
    Adler32Sum adler32;
    // XXH3 and CRC-32C
    Xxh3Stripes xxh3;  // both XXH3 widths
    Crc32Fold crc32c;  // the CRC-32C register, no inversion (DCPcrc32c.h)
    // SHA-3 and BLAKE2
    KeccakAbsorb keccak;
    Blake2bCompress blake2b;
    Blake2sCompress blake2s;
    // BLAKE3
    Blake3HashMany blake3;
    // The variant in each slot, indexed by Slot: "portable", "shani", "bmi2", "avx2", "avx512",
    // "avx512vnni", "pclmul", "vpclmul256", "vpclmul", "armv8" or "pmull"; for XXH3 also "sse2"
    // and "neon", for CRC-32C "sse42" (the crc32 instruction) and "armv8crc", for SHA-3 "bmi1",
    // for BLAKE2 "neon", for BLAKE3 "sse41" and "neon".
    const char* name[kSlots];
};

// What the table knows of a slot besides its entries: its name, and how to run the function a
// table holds in it over Size bytes (whole blocks of the slot's algorithm), which is how the
// entries of a slot are timed against each other.
struct SlotInfo {
    const char* name;
    void (*run)(const Table& t, const uint8_t* p, size_t Size);
};
// Indexed by Slot.
std::span<const SlotInfo> Slots();

// One variant of one slot. The entries of a slot are listed in the order they are expected to
// be fastest in, and the portable code, which every CPU runs, comes last. The first entry the
// CPU runs is taken unless timing finds another clearly faster (PickFastest).
struct Entry {
    Slot slot;
    const char* name;
    bool (*runs)(const cpu::Features&);  // whether a CPU with these features runs it
    void (*install)(Table&);             // writes the function into its slot of a table
};

// Every variant built into this program. The x86 variants are built on x86-64 only, the ARM
// ones on aarch64 only.
std::span<const Entry> Entries();
// Whether this CPU runs the entry.
bool Supported(const Entry& e);
// Writes the entry's function and name into its slot of t.
void Install(Table& t, const Entry& e);

// Which of a slot's candidates to take, given the fastest time of each, the expected fastest
// first: the first, unless another took at most 95% of its time; then the fastest. The margin
// keeps the expected order where timing can't tell the candidates apart.
size_t PickFastest(std::span<const double> Seconds);

// The table filled from this CPU's features and the timings, and the one with the portable
// code everywhere.
const Table& Best();
const Table& Portable();

namespace detail {
extern std::atomic<const Table*> active;
const Table& Start();
}  // namespace detail

// The table the engine uses now: Best(), unless Use or ForcePortable installed another.
inline const Table& Active() {
    const Table* t = detail::active.load(std::memory_order_acquire);
    return t ? *t : detail::Start();
}

// For tests and benchmarks: makes the engine use *t (which must outlive its use) until the
// next call; nullptr goes back to Best(). The switch is atomic, and a thread that is hashing
// meanwhile may change kernels between two blocks, which gives the same results; but meant
// for a single thread.
void Use(const Table* t);
// Use(On ? &Portable() : nullptr), and whether the portable table is in use.
void ForcePortable(bool On);
bool PortableForced();

// The variant an algorithm runs now: the name in its row's slot of Active(), or "portable" for
// the algorithms that have only portable code (and for unknown ids).
const char* KernelName(int32_t AlgorithmId);

}  // namespace kernels
