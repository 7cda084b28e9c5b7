// Hashes a stream of unknown length (a pipe, standard input) with any algorithm of the table,
// piece by piece, giving the same text HashFile gives for a file of the same bytes.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

namespace hashpaths {
struct PathAlgorithm;
}

class THashStream {
public:
    // An unknown id makes an invalid stream that gives no result.
    explicit THashStream(int32_t AlgorithmId);
    ~THashStream();
    bool Valid() const { return algo_ != nullptr; }
    void Update(const void* Buffer, size_t Count);
    // The upper-case hex text, or empty for an invalid stream. Ends the stream.
    std::string Final();

private:
    std::unique_ptr<hashpaths::PathAlgorithm> algo_;
};
