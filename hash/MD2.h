// MD2 (RFC 1319) on a small frame for 128-bit block digests that take the message as a
// sequence of text pieces.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// The frame: keeps the bytes of an incomplete block from one piece to the next and finishes
// the digest on the piece marked last. A derived class supplies the three virtual operations.
class TMessageDigest {
public:
    virtual ~TMessageDigest() = default;

    // Begins a message that arrives in pieces.
    void Start(int64_t TotalLength);
    // Absorbs the next piece; with Last true the digest is finished after it.
    void FeedText(std::string_view Text, bool Last);
    void GetDigest(uint8_t Out[16]) const;
    // The digest of Text as one whole message.
    void DigestText(std::string_view Text, uint8_t Out[16]);
    // 32 upper-case hex digits, high half of each byte first.
    static std::string DigestToHex(const uint8_t Digest[16]);

protected:
    virtual void Initialize() = 0;
    // The first TailCount bytes of Buffer are the message's last, incomplete block.
    virtual void Finish(int32_t TailCount, int64_t TotalLength) = 0;
    // Absorbs the first BlockSize bytes of Buffer.
    virtual void Transform() = 0;

    uint8_t Digest[16] = {};
    uint8_t Buffer[64] = {};
    int32_t BlockSize = 0;
    int64_t TotalLength = 0;
    std::string Carry;

private:
    // Transforms every whole block of Text, returns what is left over.
    std::string_view AbsorbBlocks(std::string_view Text);
};

class TMessageDigest2 : public TMessageDigest {
protected:
    void Initialize() override;
    void Finish(int32_t TailCount, int64_t TotalLength) override;
    void Transform() override;

private:
    uint8_t State[48] = {};
    uint8_t Checksum[16] = {};
    unsigned Pending = 0x100;  // md2::kNonePending, or the chain value of a deferred last round
};

namespace md2 {
// The RFC 1319 compression of one 16-byte block into the 48-byte state X and the checksum C.
void TransformPortable(uint8_t State[48], uint8_t Checksum[16], const uint8_t Block[16]);

// The same over a sequence of blocks with each block's last round deferred, so that it runs
// side by side with the next block's first round. Pending carries the chain value that the
// deferred round starts from (kNonePending: none); FinishRounds runs it, after which State is
// what TransformPortable would have left.
constexpr unsigned kNonePending = 0x100;
void TransformDeferred(uint8_t State[48], uint8_t Checksum[16], const uint8_t Block[16],
                       unsigned& Pending);
void FinishRounds(uint8_t State[48], unsigned& Pending);
}  // namespace md2
