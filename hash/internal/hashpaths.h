// Every algorithm behind one interface, as the file hash service's chunk loop drives them and
// as a stream of unknown length (hashstream) feeds them: the four file routines' arithmetic and
// the hash-object path. Which one an id gets is its row's MakePath (algorithms.cpp). Internal
// to the engine.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "MD2.h"
#include "hashhead.h"

namespace hashpaths {

struct PathAlgorithm {
    virtual ~PathAlgorithm() = default;
    virtual std::string EmptyText() = 0;   // the result for 0 bytes of input
    virtual void Begin(int64_t size) = 0;  // set-up, with the total size when it is known
    // The next piece; Last marks the final one (which may be empty).
    virtual void Update(const uint8_t* p, size_t n, bool last) = 0;
    virtual std::string FinishText() = 0;
};

// Each file routine carries its id and digest size in bits, as the hash object classes do.
struct Crc32Path final : PathAlgorithm {
    static constexpr int32_t kId = AlgorithmCrc32;
    static constexpr int kHashSize = 32;
    uint32_t reg = 0;
    std::string EmptyText() override { return "00000000"; }
    void Begin(int64_t) override { reg = 0xFFFFFFFFu; }
    void Update(const uint8_t* p, size_t n, bool) override {
        reg = Crc32Update(p, int64_t(n), reg);
    }
    std::string FinishText() override { return LongWordToHex(~reg); }
};

struct Adler32Path final : PathAlgorithm {
    static constexpr int32_t kId = AlgorithmAdler32;
    static constexpr int kHashSize = 32;
    uint32_t value = 1;
    std::string EmptyText() override { return "00000001"; }
    void Begin(int64_t) override { value = 1; }
    void Update(const uint8_t* p, size_t n, bool) override { Adler32Update(value, p, int64_t(n)); }
    std::string FinishText() override { return LongWordToHex(value); }
};

struct Crc64Path final : PathAlgorithm {
    static constexpr int32_t kId = AlgorithmCrc64;
    static constexpr int kHashSize = 64;
    uint64_t reg = 0;
    std::string EmptyText() override { return Int64ToHex(Crc64String("", 0)); }
    void Begin(int64_t) override { reg = ~uint64_t(0); }
    void Update(const uint8_t* p, size_t n, bool) override {
        reg = Crc64Update(p, int64_t(n), reg);
    }
    std::string FinishText() override { return Int64ToHex(~reg); }
};

struct Md2Path final : PathAlgorithm {
    static constexpr int32_t kId = AlgorithmMd2;
    static constexpr int kHashSize = 128;
    TMessageDigest2 md;
    std::string EmptyText() override {
        uint8_t d[16];
        md.DigestText("", d);
        return TMessageDigest::DigestToHex(d);
    }
    void Begin(int64_t size) override { md.Start(size); }
    void Update(const uint8_t* p, size_t n, bool last) override {
        md.FeedText(std::string_view(reinterpret_cast<const char*>(p), n), last);
    }
    std::string FinishText() override {
        uint8_t d[16];
        md.GetDigest(d);
        return TMessageDigest::DigestToHex(d);
    }
};

// Owns the hash object and initialises it at once.
struct HashObjectPath final : PathAlgorithm {
    explicit HashObjectPath(std::unique_ptr<TDCP_hash> h)
        : hash(std::move(h)), digest(size_t(hash->HashSize()) / 8) {
        hash->Init();
    }
    std::unique_ptr<TDCP_hash> hash;
    std::vector<uint8_t> digest;
    std::string Finish() {
        hash->Final(digest.data());
        return BytesToHex(digest.data(), digest.size());
    }
    std::string EmptyText() override {
        hash->UpdateText("");
        return Finish();
    }
    void Begin(int64_t) override {}
    void Update(const uint8_t* p, size_t n, bool) override { hash->Update(p, n); }
    std::string FinishText() override { return Finish(); }
};

// The algorithm for an id of the table, or nullptr.
inline std::unique_ptr<PathAlgorithm> MakePathAlgorithm(int32_t AlgorithmId) {
    const TAlgorithmInfo* a = AlgorithmById(AlgorithmId);
    return a ? a->MakePath() : nullptr;
}

}  // namespace hashpaths
