#include "hashstream.h"

#include <vector>

THashStream::THashStream(int32_t AlgorithmId) : id_(AlgorithmId) {
    switch (id_) {
        case AlgorithmCrc32:
        case AlgorithmAdler32:
        case AlgorithmCrc64:
            break;
        case AlgorithmMd2:
            md2_ = std::make_unique<TMessageDigest2>();
            md2_->Start(0);  // the total length is not used by MD2
            break;
        default:
            hash_ = CreateHashObject(id_);
            valid_ = hash_ != nullptr;
            if (valid_) hash_->Init();
    }
}

void THashStream::Update(const void* Buffer, size_t Count) {
    auto* p = static_cast<const uint8_t*>(Buffer);
    // The update routines take int or 32-bit counts: feed large buffers in slices.
    constexpr size_t kSlice = size_t(1) << 30;
    while (Count > 0) {
        const size_t n = Count < kSlice ? Count : kSlice;
        switch (id_) {
            case AlgorithmCrc32:
                crc32_ = Crc32Update(p, int(n), crc32_);
                break;
            case AlgorithmAdler32:
                Adler32Update(adler_, p, int(n));
                break;
            case AlgorithmCrc64:
                crc64_ = Crc64Update(p, int(n), crc64_);
                break;
            case AlgorithmMd2:
                md2_->FeedText(std::string_view(reinterpret_cast<const char*>(p), n), false);
                break;
            default:
                if (valid_) hash_->Update(p, uint32_t(n));
        }
        p += n;
        Count -= n;
    }
}

std::string THashStream::Final() {
    switch (id_) {
        case AlgorithmCrc32:
            return LongWordToHex(~crc32_);
        case AlgorithmAdler32:
            return LongWordToHex(adler_);
        case AlgorithmCrc64:
            return Int64ToHex(~crc64_);
        case AlgorithmMd2: {
            md2_->FeedText("", true);
            uint8_t d[16];
            md2_->GetDigest(d);
            return TMessageDigest::DigestToHex(d);
        }
        default: {
            if (!valid_) return {};
            std::vector<uint8_t> d(size_t(hash_->HashSize()) / 8);
            hash_->Final(d.data());
            return BytesToHex(d.data(), d.size());
        }
    }
}
