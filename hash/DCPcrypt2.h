// The hash object family: the abstract base TDCP_hash, its error EDCP_hash, and the
// pieces every member shares (byte-order loaders, block buffering, the padding frame,
// the bit counters and the self-check helper).
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>

// Raised by Update and Final on an object that has not been initialised.
class EDCP_hash : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Base of the ten hash objects. The first four virtuals are class-level queries: each member
// answers them from static constants, so they need no state. The properties Id, Algorithm and
// HashSize read through to them.
class TDCP_hash {
public:
    TDCP_hash() = default;
    virtual ~TDCP_hash() = default;
    TDCP_hash(const TDCP_hash&) = delete;
    TDCP_hash& operator=(const TDCP_hash&) = delete;

    virtual int ClassId() const { return -1; }
    virtual std::string ClassAlgorithm() const { return {}; }
    virtual int ClassHashSize() const { return -1; }
    virtual bool SelfCheck() { return false; }
    virtual void Init() {}
    // Writes HashSize/8 bytes of digest into Digest.
    virtual void Final(void* Digest) { (void)Digest; }
    virtual void Wipe() {}
    // Any number of bytes: the bit count keeps the length modulo its width.
    virtual void Update(const void* Buffer, size_t Size) {
        (void)Buffer;
        (void)Size;
    }

    void UpdateText(std::string_view Text) { Update(Text.data(), Text.size()); }

    int Id() const { return ClassId(); }
    std::string Algorithm() const { return ClassAlgorithm(); }
    int HashSize() const { return ClassHashSize(); }

protected:
    // Throws EDCP_hash unless Init has been called since construction, Wipe or Final.
    void RequireReady() const;

    bool Ready = false;
};

namespace dcp {

inline uint32_t rotl32(uint32_t x, int n) {
    return (x << n) | (x >> (32 - n));
}
inline uint32_t rotr32(uint32_t x, int n) {
    return (x >> n) | (x << (32 - n));
}
inline uint64_t rotr64(uint64_t x, int n) {
    return (x >> n) | (x << (64 - n));
}

inline uint32_t load_le32(const uint8_t* p) {
    uint32_t v;
    std::memcpy(&v, p, 4);
    return v;  // x86 and every other target we build for is little-endian
}
inline uint64_t load_le64(const uint8_t* p) {
    uint64_t v;
    std::memcpy(&v, p, 8);
    return v;
}
inline uint32_t load_be32(const uint8_t* p) {
    return __builtin_bswap32(load_le32(p));
}
inline uint64_t load_be64(const uint8_t* p) {
    return __builtin_bswap64(load_le64(p));
}
inline void store_le32(uint8_t* p, uint32_t v) {
    std::memcpy(p, &v, 4);
}
inline void store_le64(uint8_t* p, uint64_t v) {
    std::memcpy(p, &v, 8);
}
inline void store_be32(uint8_t* p, uint32_t v) {
    store_le32(p, __builtin_bswap32(v));
}
inline void store_be64(uint8_t* p, uint64_t v) {
    store_le64(p, __builtin_bswap64(v));
}

static_assert(__BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__, "the loaders above assume little-endian");

// Adds Size * 8 bits to a 64-bit count kept as two 32-bit words, carrying into High; the
// count wraps modulo 2^64.
inline void AddBitCount(uint32_t& High, uint32_t& Low, uint64_t Size) {
    const uint64_t bits = Size << 3;
    const uint32_t low = Low + uint32_t(bits);
    High += uint32_t(bits >> 32) + (low < Low ? 1u : 0u);
    Low = low;
}

// Adds Size * 8 bits to a 128-bit count kept as two 64-bit words, carrying into High: the
// three bits that Size * 8 moves past 64 go to High too.
inline void AddBitCount(uint64_t& High, uint64_t& Low, uint64_t Size) {
    const uint64_t bits = Size << 3;
    const uint64_t low = Low + bits;
    High += (Size >> 61) + (low < Low ? 1u : 0u);
    Low = low;
}

// Wipes memory in a way the optimiser may not drop.
inline void SecureZero(void* p, size_t n) {
    std::memset(p, 0, n);
    asm volatile("" : : "r"(p) : "memory");
}

// The block buffer every member keeps: Block holds Fill bytes of an incomplete block, and
// every byte at or after Fill is zero. Whole blocks of the input are compressed straight
// from the caller's buffer; only a partial block is copied.
template <size_t B>
struct BlockBuffer {
    static constexpr size_t Size = B;
    uint8_t Block[B] = {};
    uint32_t Fill = 0;

    // Compress(const uint8_t* blocks, size_t count) runs the compression over count blocks.
    template <class Compress>
    void Absorb(const uint8_t* in, size_t n, Compress&& compress) {
        if (Fill > 0) {
            const size_t take = B - Fill;
            if (n < take) {
                std::memcpy(Block + Fill, in, n);
                Fill += uint32_t(n);
                return;
            }
            std::memcpy(Block + Fill, in, take);
            compress(Block, 1);
            std::memset(Block, 0, B);
            Fill = 0;
            in += take;
            n -= take;
        }
        if (n >= B) {
            compress(in, n / B);
            in += n / B * B;
            n %= B;
        }
        if (n > 0) {
            std::memcpy(Block, in, n);
            Fill = uint32_t(n);
        }
    }

    // The padding frame: stores Pad at Block[Fill]; if that leaves no room for a length field
    // that starts at LengthOffset, compresses the block and starts an all-zero one. Returns
    // Block, ready for the member to write its length field and compress the last time.
    template <class Compress>
    uint8_t* Pad(uint8_t pad, size_t lengthOffset, Compress&& compress) {
        Block[Fill] = pad;
        if (Fill >= lengthOffset) {
            compress(Block, 1);
            std::memset(Block, 0, B);
        }
        Fill = 0;
        return Block;
    }

    void Clear() {
        SecureZero(Block, B);
        Fill = 0;
    }
};

// Parses a hex text into bytes; used for the stored self-check digests.
std::string HexToBytes(std::string_view hex);

// The self-check every member runs: hashes each vector with a fresh object of class T and
// compares with the stored digest (given in hex).
template <class T>
bool SelfCheckVectors(std::string_view v1, std::string_view d1, std::string_view v2,
                      std::string_view d2) {
    auto h = std::make_unique<T>();
    const size_t n = size_t(h->HashSize()) / 8;
    uint8_t out[64];
    h->Init();
    h->UpdateText(v1);
    h->Final(out);
    bool ok = HexToBytes(d1) == std::string_view(reinterpret_cast<char*>(out), n);
    h->Init();
    h->UpdateText(v2);
    h->Final(out);
    ok = ok && HexToBytes(d2) == std::string_view(reinterpret_cast<char*>(out), n);
    return ok;
}

// Everything a Merkle-Damgard member shares: the state (bit count, chaining words, block
// buffer), Init, Wipe, Update, the padding frame of Final, the class-level queries and the
// self-check. A member (Derived) supplies its constants and its compression:
//   kId, kHashSize, kAlgorithm, kBigEndian, kInitialChain[ChainWords], kSelfCheck[4]
//   (vector, digest, vector, digest), and
//   static void Compress(Word* Chain, const uint8_t* Blocks, size_t Count).
// It may replace kPadByte, kLengthOffset, WriteLength and WriteDigest below.
template <class Derived, class Word, size_t ChainWords, size_t BlockBytes>
class TDCP_blockhash : public TDCP_hash {
public:
    static constexpr size_t kBlockSize = BlockBytes;

    ~TDCP_blockhash() override { Clear(); }

    int ClassId() const override { return Derived::kId; }
    std::string ClassAlgorithm() const override { return Derived::kAlgorithm; }
    int ClassHashSize() const override { return Derived::kHashSize; }

    bool SelfCheck() override {
        const auto& v = Derived::kSelfCheck;
        return SelfCheckVectors<Derived>(v[0], v[1], v[2], v[3]);
    }

    void Init() override {
        Wipe();
        std::memcpy(Chain, Derived::kInitialChain, sizeof Chain);
        Ready = true;
    }

    void Wipe() override {
        Clear();
        Ready = false;
    }

    void Update(const void* Buffer, size_t Size) override {
        RequireReady();
        AddBitCount(BitCountHigh, BitCountLow, Size);
        Buf.Absorb(static_cast<const uint8_t*>(Buffer), Size, Compressor());
    }

    void Final(void* Digest) override { FinalWithPad(Digest, Derived::kPadByte); }

    // The padding byte and where the length field starts.
    static constexpr uint8_t kPadByte = 0x80;
    static constexpr size_t kLengthOffset = BlockBytes - 2 * sizeof(Word);

    // The bit count at the end of the last block, in the member's byte order (high word first
    // when big-endian, low word first when little-endian).
    static void WriteLength(uint8_t* Block, Word High, Word Low) {
        uint8_t* p = Block + Derived::kLengthOffset;
        StoreWord(p, Derived::kBigEndian ? High : Low);
        StoreWord(p + sizeof(Word), Derived::kBigEndian ? Low : High);
    }

    // HashSize/8 bytes of digest: the chaining words in the member's byte order.
    static void WriteDigest(const Word* Chain, uint8_t* Out) {
        for (size_t i = 0; i < size_t(Derived::kHashSize) / 8 / sizeof(Word); ++i)
            StoreWord(Out + i * sizeof(Word), Chain[i]);
    }

protected:
    // Final with the padding byte as a parameter, so a test can build a variant of a member.
    void FinalWithPad(void* Digest, uint8_t PadByte) {
        RequireReady();
        uint8_t* block = Buf.Pad(PadByte, Derived::kLengthOffset, Compressor());
        Derived::WriteLength(block, BitCountHigh, BitCountLow);
        Derived::Compress(Chain, block, 1);
        Derived::WriteDigest(Chain, static_cast<uint8_t*>(Digest));
        Wipe();
    }

    static void StoreWord(uint8_t* p, Word v) {
        if constexpr (sizeof(Word) == 4) {
            Derived::kBigEndian ? store_be32(p, v) : store_le32(p, v);
        } else {
            Derived::kBigEndian ? store_be64(p, v) : store_le64(p, v);
        }
    }

    Word BitCountHigh = 0, BitCountLow = 0;
    Word Chain[ChainWords] = {};
    BlockBuffer<BlockBytes> Buf;

private:
    void Clear() {
        BitCountHigh = BitCountLow = 0;
        SecureZero(Chain, sizeof Chain);
        Buf.Clear();
    }
    auto Compressor() {
        return [this](const uint8_t* b, size_t n) { Derived::Compress(Chain, b, n); };
    }
};

}  // namespace dcp
