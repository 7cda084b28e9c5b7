// BLAKE2b and BLAKE2s (RFC 7693) as members of the hash object family: unkeyed, with the
// 512-bit and 256-bit digests that b2sum and `openssl dgst -blake2b512 / -blake2s256` print.
// The state machine below also takes a key and any digest length the RFC allows, which the
// RFC's own self-test needs.
#pragma once

#include <algorithm>

#include "DCPcrypt2.h"
#include "kernels.h"

namespace blake2 {

// The compression kernels. Each compresses Count consecutive blocks (128 bytes for BLAKE2b, 64
// for BLAKE2s) into State; before each block, Increment is added to the byte counter (two
// words, low first, with carry). Last marks the final block (the flag f0 set to all ones), and
// then Count is 1.
void Compress2bPortable(uint64_t State[8], uint64_t Counter[2], const uint8_t* Blocks, size_t Count,
                        uint32_t Increment, bool Last);
void Compress2sPortable(uint32_t State[8], uint32_t Counter[2], const uint8_t* Blocks, size_t Count,
                        uint32_t Increment, bool Last);
// Row-wise NEON rounds (DCPblake2_neon.cpp, aarch64 only, where every CPU has NEON): a row of
// the 4x4 working matrix per register (two for BLAKE2b), the diagonal step reached by rotating
// rows b, c and d by one, two and three lanes. x86-64 has no such kernel: the same row-wise
// rounds in SSE4.1 and AVX2 were slower than the portable code on Zen 3 (BLAKE2b 2.9 and 3.3
// against 2.7 cycles per byte, BLAKE2s 4.75 against 4.6), whose four integer ALUs run the
// scalar G functions of a step side by side, while the vector rounds wait on the latency of
// each step and of the diagonal shuffles.
void Compress2bNeon(uint64_t State[8], uint64_t Counter[2], const uint8_t* Blocks, size_t Count,
                    uint32_t Increment, bool Last);
void Compress2sNeon(uint32_t State[8], uint32_t Counter[2], const uint8_t* Blocks, size_t Count,
                    uint32_t Increment, bool Last);

// The message schedule: row r gives the order in which round r reads the sixteen words
// (BLAKE2b's rounds 10 and 11 take rows 0 and 1 again).
inline constexpr uint8_t kSigma[10][16] = {
    {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15},
    {14, 10, 4, 8, 9, 15, 13, 6, 1, 12, 0, 2, 11, 7, 5, 3},
    {11, 8, 12, 0, 5, 2, 15, 13, 10, 14, 3, 6, 7, 1, 9, 4},
    {7, 9, 3, 1, 13, 12, 11, 14, 2, 6, 5, 10, 4, 0, 15, 8},
    {9, 0, 5, 7, 2, 4, 10, 15, 14, 1, 11, 12, 6, 8, 3, 13},
    {2, 12, 6, 10, 0, 11, 8, 3, 4, 13, 7, 5, 15, 14, 1, 9},
    {12, 5, 1, 15, 14, 13, 4, 10, 0, 7, 6, 3, 9, 2, 8, 11},
    {13, 11, 7, 14, 12, 1, 3, 9, 5, 0, 15, 4, 8, 6, 2, 10},
    {6, 15, 14, 9, 11, 3, 0, 8, 12, 2, 13, 7, 1, 4, 10, 5},
    {10, 2, 8, 4, 7, 6, 1, 5, 15, 11, 9, 14, 3, 12, 13, 0},
};

// The initial values: SHA-512's for BLAKE2b, SHA-256's for BLAKE2s.
inline constexpr uint64_t kIV2b[8] = {0x6A09E667F3BCC908, 0xBB67AE8584CAA73B, 0x3C6EF372FE94F82B,
                                      0xA54FF53A5F1D36F1, 0x510E527FADE682D1, 0x9B05688C2B3E6C1F,
                                      0x1F83D9ABFB41BD6B, 0x5BE0CD19137E2179};
inline constexpr uint32_t kIV2s[8] = {0x6A09E667, 0xBB67AE85, 0x3C6EF372, 0xA54FF53A,
                                      0x510E527F, 0x9B05688C, 0x1F83D9AB, 0x5BE0CD19};

struct Traits2b {
    using Word = uint64_t;
    static constexpr size_t kBlock = 128;
    static constexpr size_t kMaxOut = 64;
    static constexpr const uint64_t* kIV = kIV2b;
    static void Compress(Word* State, Word* Counter, const uint8_t* Blocks, size_t Count,
                         uint32_t Increment, bool Last) {
        kernels::Active().blake2b(State, Counter, Blocks, Count, Increment, Last);
    }
};

struct Traits2s {
    using Word = uint32_t;
    static constexpr size_t kBlock = 64;
    static constexpr size_t kMaxOut = 32;
    static constexpr const uint32_t* kIV = kIV2s;
    static void Compress(Word* State, Word* Counter, const uint8_t* Blocks, size_t Count,
                         uint32_t Increment, bool Last) {
        kernels::Active().blake2s(State, Counter, Blocks, Count, Increment, Last);
    }
};

// One BLAKE2 computation. The last block must be compressed with the final flag, so the buffer
// always holds back the last 1 to B bytes seen (B, the block size); every earlier whole block
// of the caller's buffer is compressed straight from it.
template <class T>
class State {
public:
    using Word = typename T::Word;
    static constexpr size_t B = T::kBlock;

    ~State() { Clear(); }

    // Starts a message with a digest of OutBytes (1 to kMaxOut) and a key of KeyBytes (0 to
    // kMaxOut); the key, padded with zeros to a block, is the first block.
    void Start(size_t OutBytes, const uint8_t* Key = nullptr, size_t KeyBytes = 0) {
        Clear();
        out_ = OutBytes;
        std::copy(T::kIV, T::kIV + 8, h_);
        h_[0] ^= Word(0x01010000u ^ (KeyBytes << 8) ^ OutBytes);
        if (KeyBytes > 0) {
            std::memcpy(buf_, Key, KeyBytes);
            fill_ = B;
        }
    }

    void Absorb(const uint8_t* in, size_t n) {
        if (fill_ > 0 && n > B - fill_) {
            const size_t take = B - fill_;
            std::memcpy(buf_ + fill_, in, take);
            T::Compress(h_, t_, buf_, 1, uint32_t(B), false);
            fill_ = 0;
            in += take;
            n -= take;
        }
        if (fill_ == 0 && n > B) {
            const size_t blocks = (n - 1) / B;  // keeps 1 to B bytes back
            T::Compress(h_, t_, in, blocks, uint32_t(B), false);
            in += blocks * B;
            n -= blocks * B;
        }
        if (n > 0) std::memcpy(buf_ + fill_, in, n);  // Update(nullptr, 0) is allowed
        fill_ += n;
    }

    // Writes the OutBytes-byte digest (the state's words, little-endian) and clears the state.
    void Finish(uint8_t* Out) {
        std::memset(buf_ + fill_, 0, B - fill_);
        T::Compress(h_, t_, buf_, 1, uint32_t(fill_), true);
        uint8_t bytes[8 * sizeof(Word)];
        for (size_t i = 0; i < 8; ++i) {
            if constexpr (sizeof(Word) == 8)
                dcp::store_le64(bytes + 8 * i, h_[i]);
            else
                dcp::store_le32(bytes + 4 * i, h_[i]);
        }
        std::memcpy(Out, bytes, out_);
        dcp::SecureZero(bytes, sizeof bytes);
        Clear();
    }

    void Clear() {
        dcp::SecureZero(h_, sizeof h_);
        dcp::SecureZero(t_, sizeof t_);
        dcp::SecureZero(buf_, sizeof buf_);
        fill_ = 0;
    }

private:
    Word h_[8] = {};
    Word t_[2] = {};
    uint8_t buf_[B] = {};
    size_t fill_ = 0;
    size_t out_ = 0;
};

}  // namespace blake2

namespace dcp {

// A BLAKE2 member: unkeyed, the largest digest. Derived supplies kId, kAlgorithm, kSelfCheck.
template <class Derived, class T>
class TDCP_blake2base : public TDCP_hash {
public:
    static constexpr size_t kBlockSize = T::kBlock;
    static constexpr int kHashSize = int(T::kMaxOut * 8);

    int ClassId() const override { return Derived::kId; }
    std::string ClassAlgorithm() const override { return Derived::kAlgorithm; }
    int ClassHashSize() const override { return kHashSize; }

    bool SelfCheck() override {
        const auto& v = Derived::kSelfCheck;
        return SelfCheckVectors<Derived>(v[0], v[1], v[2], v[3]);
    }

    void Init() override {
        Wipe();
        State_.Start(T::kMaxOut);
        Ready = true;
    }

    void Wipe() override {
        State_.Clear();
        Ready = false;
    }

    void Update(const void* Buffer, size_t Size) override {
        RequireReady();
        State_.Absorb(static_cast<const uint8_t*>(Buffer), Size);
    }

    void Final(void* Digest) override {
        RequireReady();
        State_.Finish(static_cast<uint8_t*>(Digest));
        Wipe();
    }

private:
    blake2::State<T> State_;
};

}  // namespace dcp

class TDCP_blake2b : public dcp::TDCP_blake2base<TDCP_blake2b, blake2::Traits2b> {
public:
    static constexpr int kId = 201;
    static constexpr const char* kAlgorithm = "BLAKE2b";
    static constexpr std::string_view kSelfCheck[4] = {
        "",
        "786a02f742015903c6c6fd852552d272912f4740e15847618a86e217f71f5419d25e1031afee585313896444"
        "934eb04b903a685b1448b755d56f701afe9be2ce",
        "abc",
        "ba80a53f981c4d0d6a2797b69f12f6e94c212f14685ac4b74b12bb6fdbffa2d17d87c5392aab792dc252d5de"
        "4533cc9518d38aa8dbf1925ab92386edd4009923"};
};

class TDCP_blake2s : public dcp::TDCP_blake2base<TDCP_blake2s, blake2::Traits2s> {
public:
    static constexpr int kId = 202;
    static constexpr const char* kAlgorithm = "BLAKE2s";
    static constexpr std::string_view kSelfCheck[4] = {
        "", "69217a3079908094e11121d042354a7c1f55b6482ca1a51e1b250dfd1ed0eef9", "abc",
        "508c5e8c327c14e2e1a72ba34eeb452f37458b209ed63a294d999b4c86675982"};
};
