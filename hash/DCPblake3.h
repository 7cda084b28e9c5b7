// BLAKE3 (the BLAKE3 paper, 256-bit output of the default hash mode) as a member of the hash
// object family, and the pieces of its tree that the engine's parallel file path shares: the
// compression, the many-input kernels, the stack of subtree chaining values and the
// incremental hasher.
//
// The input is cut into 1024-byte chunks, each hashed on its own (16 blocks of 64 bytes, the
// chunk's index as counter); pairs of chaining values are hashed into parents up to one root,
// whose left subtree always holds the largest power of two of chunks that leaves some for the
// right. Chunks are independent, so a kernel hashes several side by side, one per vector lane,
// and threads can take whole subtrees.
#pragma once

#include <cstddef>
#include <cstdint>

#include "DCPcrypt2.h"
#include "kernels.h"

namespace blake3 {

constexpr size_t kBlockLen = 64;
constexpr size_t kChunkLen = 1024;
constexpr size_t kChunkBlocks = kChunkLen / kBlockLen;
constexpr size_t kCvLen = 32;  // a chaining value: eight little-endian 32-bit words

// The node flags.
constexpr uint8_t kChunkStart = 1;
constexpr uint8_t kChunkEnd = 2;
constexpr uint8_t kParent = 4;
constexpr uint8_t kRoot = 8;

// The initial values (those of SHA-256), which are also the key of the hash mode.
constexpr uint32_t IV[8] = {0x6A09E667, 0xBB67AE85, 0x3C6EF372, 0xA54FF53A,
                            0x510E527F, 0x9B05688C, 0x1F83D9AB, 0x5BE0CD19};

// The message words each of the seven rounds takes, in order: round 0 takes them as they
// are, and each later round the order of the one before permuted by
// 2, 6, 3, 10, 7, 0, 4, 13, 1, 11, 12, 5, 9, 14, 15, 8 (checked where the table is used).
constexpr uint8_t kSchedule[7][16] = {
    {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15},
    {2, 6, 3, 10, 7, 0, 4, 13, 1, 11, 12, 5, 9, 14, 15, 8},
    {3, 4, 10, 12, 13, 2, 7, 14, 6, 5, 9, 0, 11, 15, 8, 1},
    {10, 7, 12, 9, 14, 3, 13, 15, 4, 0, 11, 2, 5, 8, 1, 6},
    {12, 13, 9, 11, 15, 10, 14, 8, 7, 2, 5, 3, 0, 1, 6, 4},
    {9, 14, 11, 5, 8, 12, 15, 1, 13, 3, 0, 10, 2, 6, 4, 7},
    {11, 15, 5, 0, 1, 9, 8, 6, 14, 10, 2, 12, 3, 4, 7, 13},
};

// The compression function, keeping the first eight words of its output: Cv becomes the
// chaining value after Block (BlockLen bytes of it used, the rest zero).
void Compress(uint32_t Cv[8], const uint8_t Block[kBlockLen], uint32_t BlockLen, uint64_t Counter,
              uint32_t Flags);

// Many inputs at once, the shape of the kernels in the dispatch table
// (kernels::Blake3HashMany): Count inputs of Blocks whole blocks each, input i at Inputs[i],
// each started from Key. Input i is compressed with counter Counter + i when IncrementCounter
// (chunks), else Counter (parents); every block carries Flags, an input's first block also
// FlagsStart and its last FlagsEnd. Input i's chaining value goes to Out + 32 * i.
void HashManyPortable(const uint8_t* const* Inputs, size_t Count, size_t Blocks,
                      const uint32_t Key[8], uint64_t Counter, bool IncrementCounter, uint8_t Flags,
                      uint8_t FlagsStart, uint8_t FlagsEnd, uint8_t* Out);
// The same with 4 lanes of SSE4.1 (DCPblake3_sse41.cpp), 8 of AVX2 (DCPblake3_avx2.cpp) and 16
// of AVX-512 (DCPblake3_avx512.cpp), x86-64 only. A last group with fewer inputs than lanes
// takes a whole pass (lanes repeat its last input), a lone input the portable code, and the
// AVX-512 kernel hands eight or fewer to the AVX2 one. Only call when the CPU has the
// instruction set (SSE4.1 with SSSE3; AVX2; AVX-512 F, VL and BW with AVX2).
void HashManySse41(const uint8_t* const* Inputs, size_t Count, size_t Blocks, const uint32_t Key[8],
                   uint64_t Counter, bool IncrementCounter, uint8_t Flags, uint8_t FlagsStart,
                   uint8_t FlagsEnd, uint8_t* Out);
void HashManyAvx2(const uint8_t* const* Inputs, size_t Count, size_t Blocks, const uint32_t Key[8],
                  uint64_t Counter, bool IncrementCounter, uint8_t Flags, uint8_t FlagsStart,
                  uint8_t FlagsEnd, uint8_t* Out);
void HashManyAvx512(const uint8_t* const* Inputs, size_t Count, size_t Blocks,
                    const uint32_t Key[8], uint64_t Counter, bool IncrementCounter, uint8_t Flags,
                    uint8_t FlagsStart, uint8_t FlagsEnd, uint8_t* Out);
// 4 lanes of NEON (DCPblake3_neon.cpp, aarch64 only).
void HashManyNeon(const uint8_t* const* Inputs, size_t Count, size_t Blocks, const uint32_t Key[8],
                  uint64_t Counter, bool IncrementCounter, uint8_t Flags, uint8_t FlagsStart,
                  uint8_t FlagsEnd, uint8_t* Out);

// Count whole chunks (Chunks[i] pointing at 1024 bytes each), the first with index Counter,
// through the kernel in use; chaining values to Out, 32 bytes each.
void ChunkCvs(const uint8_t* const* Chunks, size_t Count, uint64_t Counter, uint8_t* Out);
// Reduces Count chaining values (a power of two, 1 to 64) held one after the other in Cvs to
// the chaining value of the subtree they make, written to Out. Cvs is used as scratch.
void ReduceCvs(uint8_t* Cvs, size_t Count, uint8_t Out[kCvLen]);

// A node whose last compression is still to be made: as an inner node it gives a chaining
// value, as the root the digest.
struct Output {
    uint32_t cv[8];
    uint8_t block[kBlockLen];
    uint32_t blockLen;
    uint64_t counter;
    uint8_t flags;

    void ChainingValue(uint8_t Out[kCvLen]) const;
    void RootBytes(uint8_t Out[kCvLen]) const;
};

// The parent of two chaining values, not yet compressed.
Output ParentOutput(const uint8_t Left[kCvLen], const uint8_t Right[kCvLen]);

// The chaining values of the complete subtrees left of the current position, largest first:
// one per set bit of the number of chunks they cover, merged as soon as two of a size meet.
// (An input of 2^64 bytes has 2^54 chunks, so 54 entries are enough.)
class CvStack {
public:
    // The next subtree, of Chunks chunks (a power of two), whose first chunk is the one after
    // those pushed so far (counted from where the stack started). Merging never makes a root:
    // something always follows on the right.
    void Push(const uint8_t Cv[kCvLen], uint64_t Chunks);
    // The node above everything pushed and Right, the last node on the right.
    Output Fold(Output Right) const;
    // The entry on top: after a power of two of chunks, the chaining value of them all.
    void Top(uint8_t Out[kCvLen]) const;
    void Clear();

private:
    uint8_t cv_[54][kCvLen] = {};
    unsigned depth_ = 0;
    uint64_t chunks_ = 0;
};

// The chaining value of the complete subtree of Chunks chunks (a power of two, at least 64)
// at Data, whose first chunk has index Counter (a multiple of Chunks). Every compression goes
// through the kernel in use.
void SubtreeCv(const uint8_t* Data, size_t Chunks, uint64_t Counter, uint8_t Out[kCvLen]);

// The incremental hash of an input, or of a part of one that starts at chunk FirstChunk, a
// multiple of a power of two at least as large as the number of chunks the part has (so that
// its subtrees are those of the whole input). Whole chunks are hashed straight from the
// caller's buffer, 64 at most per kernel call, and every 64 chunks are merged into one
// chaining value by the kernel too; only the chunk that may be the last is held back (copied),
// since it becomes the root if nothing follows.
class Hasher {
public:
    explicit Hasher(uint64_t FirstChunk = 0) { Reset(FirstChunk); }
    ~Hasher() { Wipe(); }
    Hasher(const Hasher&) = delete;
    Hasher& operator=(const Hasher&) = delete;

    void Reset(uint64_t FirstChunk = 0);
    void Update(const uint8_t* Data, size_t Size);
    // The top node of what was fed: the root when the part is the whole input. Leaves the
    // hasher to be Reset.
    Output Finish();
    void Wipe();

private:
    static constexpr size_t kGroup = 64;  // chunks merged into one chaining value at a time

    void HashWhole(const uint8_t* const* Chunks, size_t Count);

    uint64_t groupStart_ = 0;       // the chunk index of cvs_'s first entry
    uint32_t cvCount_ = 0;          // chaining values in cvs_, below kGroup
    uint8_t cvs_[kGroup * kCvLen];  // of the chunks from groupStart_ on
    uint8_t buf_[kChunkLen];        // the chunk after them, bufLen_ bytes so far
    uint32_t bufLen_ = 0;
    CvStack stack_;  // the complete groups before groupStart_
};

}  // namespace blake3

class TDCP_blake3 : public TDCP_hash {
public:
    static constexpr int kId = 200;
    static constexpr int kHashSize = 256;
    static constexpr const char* kAlgorithm = "BLAKE3";

    int ClassId() const override { return kId; }
    std::string ClassAlgorithm() const override { return kAlgorithm; }
    int ClassHashSize() const override { return kHashSize; }
    bool SelfCheck() override;
    void Init() override;
    void Final(void* Digest) override;
    void Wipe() override;
    void Update(const void* Buffer, size_t Size) override;

private:
    blake3::Hasher State;  // wipes itself when destroyed
};
