// Hashes a stream of unknown length (a pipe, standard input) with any of the fourteen
// algorithms, piece by piece, giving the same text HashFile gives for a file of the same bytes.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "MD2.h"
#include "hashhead.h"

class THashStream {
public:
    // An unknown id makes an invalid stream that gives no result.
    explicit THashStream(int32_t AlgorithmId);
    bool Valid() const { return valid_; }
    void Update(const void* Buffer, size_t Count);
    // The upper-case hex text, or empty for an invalid stream. Ends the stream.
    std::string Final();

private:
    int32_t id_;
    bool valid_ = true;
    uint32_t crc32_ = 0xFFFFFFFFu, adler_ = 1;
    uint64_t crc64_ = ~uint64_t(0);
    std::unique_ptr<TMessageDigest2> md2_;
    std::unique_ptr<TDCP_hash> hash_;
};
