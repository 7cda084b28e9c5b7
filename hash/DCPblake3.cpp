// BLAKE3, written from the BLAKE3 paper: the portable compression (seven rounds written out,
// the message words taken in each round's order instead of being moved), the portable
// many-input kernel, and the tree: chunk and parent nodes, the stack of subtrees and the
// incremental hasher over the kernel in use.
#include "DCPblake3.h"

#include <bit>
#include <cstring>

namespace blake3 {

namespace {

// Each round's order is the one before it permuted.
constexpr bool ScheduleFollowsThePermutation() {
    constexpr uint8_t permutation[16] = {2, 6, 3, 10, 7, 0, 4, 13, 1, 11, 12, 5, 9, 14, 15, 8};
    for (int r = 0; r < 16; ++r)
        if (kSchedule[0][r] != r) return false;
    for (int r = 1; r < 7; ++r)
        for (int i = 0; i < 16; ++i)
            if (kSchedule[r][i] != kSchedule[r - 1][permutation[i]]) return false;
    return true;
}
static_assert(ScheduleFollowsThePermutation());

// The quarter-round G on a, b, c, d with the message words x and y.
#define G(a, b, c, d, x, y)     \
    a = a + b + (x);            \
    d = dcp::rotr32(d ^ a, 16); \
    c = c + d;                  \
    b = dcp::rotr32(b ^ c, 12); \
    a = a + b + (y);            \
    d = dcp::rotr32(d ^ a, 8);  \
    c = c + d;                  \
    b = dcp::rotr32(b ^ c, 7)

// One round: the four columns, then the four diagonals, each with the next two message words
// of round r's order.
#define ROUND(r)                                                   \
    G(v0, v4, v8, v12, m[kSchedule[r][0]], m[kSchedule[r][1]]);    \
    G(v1, v5, v9, v13, m[kSchedule[r][2]], m[kSchedule[r][3]]);    \
    G(v2, v6, v10, v14, m[kSchedule[r][4]], m[kSchedule[r][5]]);   \
    G(v3, v7, v11, v15, m[kSchedule[r][6]], m[kSchedule[r][7]]);   \
    G(v0, v5, v10, v15, m[kSchedule[r][8]], m[kSchedule[r][9]]);   \
    G(v1, v6, v11, v12, m[kSchedule[r][10]], m[kSchedule[r][11]]); \
    G(v2, v7, v8, v13, m[kSchedule[r][12]], m[kSchedule[r][13]]);  \
    G(v3, v4, v9, v14, m[kSchedule[r][14]], m[kSchedule[r][15]])

void StoreCv(uint8_t* out, const uint32_t cv[8]) {
    for (int i = 0; i < 8; ++i)
        dcp::store_le32(out + 4 * i, cv[i]);
}

}  // namespace

void Compress(uint32_t Cv[8], const uint8_t Block[kBlockLen], uint32_t BlockLen, uint64_t Counter,
              uint32_t Flags) {
    uint32_t m[16];
    for (int i = 0; i < 16; ++i)
        m[i] = dcp::load_le32(Block + 4 * i);
    uint32_t v0 = Cv[0], v1 = Cv[1], v2 = Cv[2], v3 = Cv[3];
    uint32_t v4 = Cv[4], v5 = Cv[5], v6 = Cv[6], v7 = Cv[7];
    uint32_t v8 = IV[0], v9 = IV[1], v10 = IV[2], v11 = IV[3];
    uint32_t v12 = uint32_t(Counter), v13 = uint32_t(Counter >> 32), v14 = BlockLen, v15 = Flags;

    ROUND(0);
    ROUND(1);
    ROUND(2);
    ROUND(3);
    ROUND(4);
    ROUND(5);
    ROUND(6);

    Cv[0] = v0 ^ v8;
    Cv[1] = v1 ^ v9;
    Cv[2] = v2 ^ v10;
    Cv[3] = v3 ^ v11;
    Cv[4] = v4 ^ v12;
    Cv[5] = v5 ^ v13;
    Cv[6] = v6 ^ v14;
    Cv[7] = v7 ^ v15;
}

#undef ROUND
#undef G

void HashManyPortable(const uint8_t* const* Inputs, size_t Count, size_t Blocks,
                      const uint32_t Key[8], uint64_t Counter, bool IncrementCounter, uint8_t Flags,
                      uint8_t FlagsStart, uint8_t FlagsEnd, uint8_t* Out) {
    for (size_t i = 0; i < Count; ++i) {
        uint32_t cv[8];
        std::memcpy(cv, Key, sizeof cv);
        const uint64_t counter = IncrementCounter ? Counter + i : Counter;
        for (size_t b = 0; b < Blocks; ++b) {
            uint32_t flags = Flags;
            if (b == 0) flags |= FlagsStart;
            if (b + 1 == Blocks) flags |= FlagsEnd;
            Compress(cv, Inputs[i] + b * kBlockLen, kBlockLen, counter, flags);
        }
        StoreCv(Out + i * kCvLen, cv);
    }
}

void ChunkCvs(const uint8_t* const* Chunks, size_t Count, uint64_t Counter, uint8_t* Out) {
    kernels::Active().blake3(Chunks, Count, kChunkBlocks, IV, Counter, true, 0, kChunkStart,
                             kChunkEnd, Out);
}

void ReduceCvs(uint8_t* Cvs, size_t Count, uint8_t Out[kCvLen]) {
    const kernels::Blake3HashMany hashMany = kernels::Active().blake3;
    // The parents of each level go to the other half of a scratch pair, so that no kernel
    // writes over pairs it has yet to read.
    uint8_t other[32 * kCvLen];
    uint8_t* from = Cvs;
    uint8_t* to = other;
    const uint8_t* pairs[32];
    for (size_t n = Count; n > 1; n /= 2) {
        for (size_t i = 0; i < n / 2; ++i)
            pairs[i] = from + 2 * i * kCvLen;
        hashMany(pairs, n / 2, 1, IV, 0, false, kParent, 0, 0, to);
        uint8_t* t = from;
        from = to;
        to = t;
    }
    std::memcpy(Out, from, kCvLen);
}

void Output::ChainingValue(uint8_t Out[kCvLen]) const {
    uint32_t out[8];
    std::memcpy(out, cv, sizeof out);
    Compress(out, block, blockLen, counter, flags);
    StoreCv(Out, out);
}

// The digest is the root's output block 0: the counter is the output block's index, 0, not the
// node's own (a lone chunk's, which is 0 anyway).
void Output::RootBytes(uint8_t Out[kCvLen]) const {
    uint32_t out[8];
    std::memcpy(out, cv, sizeof out);
    Compress(out, block, blockLen, 0, flags | kRoot);
    StoreCv(Out, out);
}

Output ParentOutput(const uint8_t Left[kCvLen], const uint8_t Right[kCvLen]) {
    Output o;
    std::memcpy(o.cv, IV, sizeof o.cv);
    std::memcpy(o.block, Left, kCvLen);
    std::memcpy(o.block + kCvLen, Right, kCvLen);
    o.blockLen = kBlockLen;
    o.counter = 0;
    o.flags = kParent;
    return o;
}

void CvStack::Push(const uint8_t Cv[kCvLen], uint64_t Chunks) {
    std::memcpy(cv_[depth_++], Cv, kCvLen);
    chunks_ += Chunks;
    // One entry per set bit of the count: two entries of the same size merge.
    while (depth_ > unsigned(std::popcount(chunks_))) {
        ParentOutput(cv_[depth_ - 2], cv_[depth_ - 1]).ChainingValue(cv_[depth_ - 2]);
        --depth_;
    }
}

Output CvStack::Fold(Output Right) const {
    for (unsigned i = depth_; i-- > 0;) {
        uint8_t right[kCvLen];
        Right.ChainingValue(right);
        Right = ParentOutput(cv_[i], right);
    }
    return Right;
}

void CvStack::Top(uint8_t Out[kCvLen]) const {
    std::memcpy(Out, cv_[depth_ - 1], kCvLen);
}

void CvStack::Clear() {
    dcp::SecureZero(cv_, sizeof cv_);
    depth_ = 0;
    chunks_ = 0;
}

void SubtreeCv(const uint8_t* Data, size_t Chunks, uint64_t Counter, uint8_t Out[kCvLen]) {
    constexpr size_t kGroup = 64;
    const uint8_t* chunks[kGroup];
    uint8_t cvs[kGroup * kCvLen];
    // A power of two of groups: once all are pushed the stack has merged them into one entry,
    // the subtree's top, which is an inner node (the caller's subtree is never the whole
    // input).
    CvStack stack;
    for (size_t g = 0; g < Chunks; g += kGroup) {
        for (size_t i = 0; i < kGroup; ++i)
            chunks[i] = Data + (g + i) * kChunkLen;
        ChunkCvs(chunks, kGroup, Counter + g, cvs);
        uint8_t cv[kCvLen];
        ReduceCvs(cvs, kGroup, cv);
        stack.Push(cv, kGroup);
    }
    stack.Top(Out);
}

void Hasher::Reset(uint64_t FirstChunk) {
    Wipe();
    groupStart_ = FirstChunk;
}

void Hasher::Wipe() {
    dcp::SecureZero(cvs_, sizeof cvs_);
    dcp::SecureZero(buf_, sizeof buf_);
    stack_.Clear();
    groupStart_ = 0;
    cvCount_ = 0;
    bufLen_ = 0;
}

void Hasher::Update(const uint8_t* Data, size_t Size) {
    const uint8_t* chunks[kGroup];
    while (Size > 0) {
        size_t take;
        if (bufLen_ == kChunkLen) {
            // More input follows, so the held chunk is not the last: it goes first in a batch
            // with the input's whole chunks that leave something after them.
            take = (Size - 1) / kChunkLen;
            if (take > kGroup - 1 - cvCount_) take = kGroup - 1 - cvCount_;
            chunks[0] = buf_;
            for (size_t i = 0; i < take; ++i)
                chunks[1 + i] = Data + i * kChunkLen;
            HashWhole(chunks, 1 + take);
            bufLen_ = 0;
            take *= kChunkLen;
        } else if (bufLen_ == 0 && Size > kChunkLen) {
            take = (Size - 1) / kChunkLen;
            if (take > kGroup - cvCount_) take = kGroup - cvCount_;
            for (size_t i = 0; i < take; ++i)
                chunks[i] = Data + i * kChunkLen;
            HashWhole(chunks, take);
            take *= kChunkLen;
        } else {
            take = kChunkLen - bufLen_ < Size ? kChunkLen - bufLen_ : Size;
            std::memcpy(buf_ + bufLen_, Data, take);
            bufLen_ += uint32_t(take);
        }
        Data += take;
        Size -= take;
    }
}

void Hasher::HashWhole(const uint8_t* const* Chunks, size_t Count) {
    ChunkCvs(Chunks, Count, groupStart_ + cvCount_, cvs_ + cvCount_ * kCvLen);
    cvCount_ += uint32_t(Count);
    if (cvCount_ == kGroup) {
        uint8_t cv[kCvLen];
        ReduceCvs(cvs_, kGroup, cv);
        stack_.Push(cv, kGroup);
        groupStart_ += kGroup;
        cvCount_ = 0;
    }
}

Output Hasher::Finish() {
    // The held chunk (empty only for an empty input): every block but the last is compressed
    // now, the last is the node's.
    Output out;
    std::memcpy(out.cv, IV, sizeof out.cv);
    out.counter = groupStart_ + cvCount_;
    const size_t blocks = bufLen_ == 0 ? 1 : (bufLen_ + kBlockLen - 1) / kBlockLen;
    uint8_t flags = kChunkStart;
    for (size_t b = 0; b + 1 < blocks; ++b) {
        Compress(out.cv, buf_ + b * kBlockLen, kBlockLen, out.counter, flags);
        flags = 0;
    }
    out.blockLen = uint32_t(bufLen_ - (blocks - 1) * kBlockLen);
    std::memset(out.block, 0, sizeof out.block);
    std::memcpy(out.block, buf_ + (blocks - 1) * kBlockLen, out.blockLen);
    out.flags = flags | kChunkEnd;

    // The chunks of the unfinished group make complete subtrees, one per set bit of their
    // count, largest first.
    size_t at = 0;
    for (size_t size = kGroup / 2; size > 0; size /= 2) {
        if ((cvCount_ & size) == 0) continue;
        uint8_t cv[kCvLen];
        ReduceCvs(cvs_ + at * kCvLen, size, cv);
        stack_.Push(cv, size);
        at += size;
    }
    cvCount_ = 0;
    bufLen_ = 0;
    return stack_.Fold(out);
}

}  // namespace blake3

bool TDCP_blake3::SelfCheck() {
    return dcp::SelfCheckVectors<TDCP_blake3>(
        "", "af1349b9f5f9a1a6a0404dea36dcc9499bcb25c9adc112b7cc9a93cae41f3262", "abc",
        "6437b3ac38465133ffb63b75273a8db548c558465d79db03fd359c6cd5bd9d85");
}

void TDCP_blake3::Init() {
    State.Reset();
    Ready = true;
}

void TDCP_blake3::Wipe() {
    State.Wipe();
    Ready = false;
}

void TDCP_blake3::Update(const void* Buffer, size_t Size) {
    RequireReady();
    State.Update(static_cast<const uint8_t*>(Buffer), Size);
}

void TDCP_blake3::Final(void* Digest) {
    RequireReady();
    State.Finish().RootBytes(static_cast<uint8_t*>(Digest));
    Wipe();
}
