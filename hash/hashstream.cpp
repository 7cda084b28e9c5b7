#include "hashstream.h"

#include "hashpaths.h"

THashStream::THashStream(int32_t AlgorithmId) : algo_(hashpaths::MakePathAlgorithm(AlgorithmId)) {
    if (algo_) algo_->Begin(0);  // the length is not known; only MD2 takes it, and ignores it
}

THashStream::~THashStream() = default;

void THashStream::Update(const void* Buffer, size_t Count) {
    if (!algo_) return;
    algo_->Update(static_cast<const uint8_t*>(Buffer), Count, false);
}

std::string THashStream::Final() {
    if (!algo_) return {};
    static const uint8_t none = 0;
    algo_->Update(&none, 0, true);  // an empty last piece finishes MD2; the others ignore it
    return algo_->FinishText();
}
