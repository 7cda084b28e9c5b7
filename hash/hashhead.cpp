// The file hash service: HashFile and its four file routines (thin layers over
// engine::HashPath in filehash.cpp), the hex helpers and the debug markers. The algorithm table
// is in algorithms.cpp.
#include "hashhead.h"

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "filehash.h"
#include "hextext.h"

namespace {

// The designed procedure over the typed entry point: the callback's reply becomes the stop
// flag, and every failure becomes the empty result.
void RunLayer(const char* path, int32_t algorithm, THashProgressProc progress, char* out,
              int32_t* outLength) {
    DebugMark("quernsum 1");
    std::atomic<bool> stop{false};
    engine::Request request;
    request.path = path;
    request.algorithm = algorithm;
    request.stop = &stop;
    if (progress)
        request.progress = [progress, &stop](int64_t size, int64_t position) {
            int32_t reply = 0;
            progress(size, position, &reply);
            if (reply == HashCancelReply) stop.store(true, std::memory_order_relaxed);
        };
    const engine::Result result = engine::HashPath(request);
    *outLength = int32_t(result.digest.size());
    if (!result.digest.empty()) std::memcpy(out, result.digest.data(), result.digest.size());
}

}  // namespace

void Crc32File(const char* Path, int32_t, THashProgressProc Progress, char* OutText,
               int32_t* OutLength) {
    RunLayer(Path, AlgorithmCrc32, Progress, OutText, OutLength);
}

void Adler32File(const char* Path, int32_t, THashProgressProc Progress, char* OutText,
                 int32_t* OutLength) {
    RunLayer(Path, AlgorithmAdler32, Progress, OutText, OutLength);
}

void Crc64File(const char* Path, int32_t, THashProgressProc Progress, char* OutText,
               int32_t* OutLength) {
    RunLayer(Path, AlgorithmCrc64, Progress, OutText, OutLength);
}

void Md2File(const char* Path, int32_t, THashProgressProc Progress, char* OutText,
             int32_t* OutLength) {
    RunLayer(Path, AlgorithmMd2, Progress, OutText, OutLength);
}

void HashFile(const char* Path, int32_t AlgorithmId, THashProgressProc Progress, char* OutText,
              int32_t* OutLength) {
    // The four file routines and the hash objects: one run each, its shape chosen by the id.
    RunLayer(Path, AlgorithmId, Progress, OutText, OutLength);
}

std::string LongWordToHex(uint32_t Value) {
    return hextext::FromNumber(Value, 8);
}

std::string Int64ToHex(uint64_t Value) {
    return hextext::FromNumber(Value, 16);
}

std::string BytesToHex(const uint8_t* Bytes, size_t Count) {
    return hextext::FromBytes(Bytes, Count);
}

void DebugMark(std::string_view Text) {
    static const bool enabled = std::getenv("QUERNIX_DEBUG") != nullptr;
    if (enabled) std::fprintf(stderr, "%.*s\n", int(Text.size()), Text.data());
}
