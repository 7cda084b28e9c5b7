// MD2, written from RFC 1319.
#include "MD2.h"

#include <algorithm>
#include <cstring>

#include "hextext.h"

namespace md2 {

namespace {
// PI_SUBST of RFC 1319: a permutation of 0..255 built from the digits of pi.
// clang-format off
constexpr uint8_t S[256] = {
     41,  46,  67, 201, 162, 216, 124,   1,  61,  54,  84, 161, 236, 240,   6,  19,
     98, 167,   5, 243, 192, 199, 115, 140, 152, 147,  43, 217, 188,  76, 130, 202,
     30, 155,  87,  60, 253, 212, 224,  22, 103,  66, 111,  24, 138,  23, 229,  18,
    190,  78, 196, 214, 218, 158, 222,  73, 160, 251, 245, 142, 187,  47, 238, 122,
    169, 104, 121, 145,  21, 178,   7,  63, 148, 194,  16, 137,  11,  34,  95,  33,
    128, 127,  93, 154,  90, 144,  50,  39,  53,  62, 204, 231, 191, 247, 151,   3,
    255,  25,  48, 179,  72, 165, 181, 209, 215,  94, 146,  42, 172,  86, 170, 198,
     79, 184,  56, 210, 150, 164, 125, 182, 118, 252, 107, 226, 156, 116,   4, 241,
     69, 157, 112,  89, 100, 113, 135,  32, 134,  91, 207, 101, 230,  45, 168,   2,
     27,  96,  37, 173, 174, 176, 185, 246,  28,  70,  97, 105,  52,  64, 126,  15,
     85,  71, 163,  35, 221,  81, 175,  58, 195,  92, 249, 206, 186, 197, 234,  38,
     44,  83,  13, 110, 133,  40, 132,   9, 211, 223, 205, 244,  65, 129,  77,  82,
    106, 220,  55, 200, 108, 193, 171, 250,  36, 225, 123,   8,  12, 189, 177,  74,
    120, 136, 149, 139, 227,  99, 232, 109, 233, 203, 213, 254,  59,   0,  29,  57,
    242, 239, 183,  14, 102,  88, 208, 228, 166, 119, 114, 248, 235, 117,  75,  10,
     49,  68,  80, 180, 143, 237,  31,  26, 219, 153, 141,  51, 159,  17, 131,  20,
};
// clang-format on

// S twice over, so that a look-up at t + c (t < 256, c < 18) needs no reduction modulo 256.
constexpr auto S2 = [] {
    struct Table {
        uint8_t v[512];
    } t{};
    for (int i = 0; i < 512; ++i)
        t.v[i] = S[i & 255];
    return t;
}();

// Left to itself, GCC xors t into the state byte in memory and loads t back from there, which
// puts a store-to-load forwarding on the chain. Passing the state byte through an empty asm
// makes it load the byte into a register first, xor there and store the result separately.
#if defined(__GNUC__)
#define KeepInRegister(v) asm("" : "+r"(v))
#else
#define KeepInRegister(v) (void)(v)
#endif

// One step of the chain: t := X[k] xor S[t], X[k] := t. On the chain are only the table load
// (zero-extending into a 32-bit register) and one register xor: no mask, no partial-register
// merge. Offset is the round number added to t before the round's first step (RFC 1319, step
// 4), folded into that look-up's address.
inline void Step(uint8_t X[48], int k, uint32_t& t, unsigned Offset = 0) {
    uint32_t x = X[k];
    KeepInRegister(x);
    t = S2.v[t + Offset] ^ x;
    X[k] = uint8_t(t);
}

// Rounds First to Last - 1 of the 18 over the state X, a single serial chain through t.
inline void Rounds(uint8_t X[48], uint32_t& t, unsigned First, unsigned Last) {
    for (unsigned j = First; j < Last; ++j) {
        Step(X, 0, t, j > 0 ? j - 1 : 0);
#pragma GCC unroll 47
        for (int k = 1; k < 48; ++k)
            Step(X, k, t);
    }
}

// The block M into the state: X[16..31] := M, X[32..47] := M xor X[0..15].
inline void LoadBlock(uint8_t X[48], const uint8_t M[16]) {
    for (int j = 0; j < 16; ++j) {
        X[16 + j] = M[j];
        X[32 + j] = uint8_t(M[j] ^ X[j]);
    }
}

// The checksum, in the xor form of the RFC's reference code. Its chain is independent of the
// rounds, so it runs alongside them.
inline void AddToChecksum(uint8_t C[16], const uint8_t M[16]) {
    uint8_t L = C[15];
    for (int j = 0; j < 16; ++j)
        L = C[j] ^= S[M[j] ^ L];
}

// The last round of one block side by side with the first round of the next block M: two
// independent chains, t over the old state and u over the new one, whose bytes are made from
// M and from the old state's first 16 bytes as soon as the first chain has finished them.
// Serially the two rounds would take 96 steps on the chain; side by side they take 49.
inline void LastAndFirstRound(uint8_t X[48], uint32_t& t, const uint8_t M[16]) {
    uint8_t Y[48];
    uint32_t u = 0;
    Step(X, 0, t, 16);
#pragma GCC unroll 47
    for (int k = 1; k < 48; ++k) {
        Step(X, k, t);
        const int m = k - 1;  // the new block's step, one behind
        Y[m] = m < 16 ? X[m] : m < 32 ? M[m - 16] : uint8_t(M[m - 32] ^ X[m - 32]);
        Step(Y, m, u);
    }
    Y[47] = uint8_t(M[15] ^ X[15]);
    Step(Y, 47, u);
    std::memcpy(X, Y, 48);
    t = u;
}

}  // namespace

void TransformPortable(uint8_t State[48], uint8_t Checksum[16], const uint8_t Block[16]) {
    LoadBlock(State, Block);
    uint32_t t = 0;
    Rounds(State, t, 0, 18);
    AddToChecksum(Checksum, Block);
}

void TransformDeferred(uint8_t State[48], uint8_t Checksum[16], const uint8_t Block[16],
                       unsigned& Pending) {
    uint32_t t;
    if (Pending == kNonePending) {
        LoadBlock(State, Block);
        t = 0;
        Rounds(State, t, 0, 17);
    } else {
        t = Pending;
        LastAndFirstRound(State, t, Block);
        Rounds(State, t, 1, 17);
    }
    Pending = t;
    AddToChecksum(Checksum, Block);
}

void FinishRounds(uint8_t State[48], unsigned& Pending) {
    if (Pending == kNonePending) return;
    uint32_t t = Pending;
    Rounds(State, t, 17, 18);
    Pending = kNonePending;
}

}  // namespace md2

void TMessageDigest::Start(int64_t Length) {
    Initialize();
    TotalLength = Length;
    Carry.clear();
}

std::string_view TMessageDigest::AbsorbBlocks(std::string_view Text) {
    const size_t B = size_t(BlockSize);
    while (Text.size() >= B) {
        std::memcpy(Buffer, Text.data(), B);
        Transform();
        Text.remove_prefix(B);
    }
    return Text;
}

void TMessageDigest::FeedText(std::string_view Text, bool Last) {
    // The carried bytes come first. Top the carry up to one block instead of joining whole
    // pieces, so a piece is never copied as a whole.
    std::string joined;
    if (!Carry.empty()) {
        const size_t take = std::min(Text.size(), size_t(BlockSize) - Carry.size());
        joined = Carry;
        joined.append(Text.substr(0, take));
        Text.remove_prefix(take);
        if (joined.size() == size_t(BlockSize)) {
            AbsorbBlocks(joined);
            joined.clear();
        } else {
            Text = joined;  // everything is in the (still incomplete) carry
        }
    }
    const std::string_view rest = AbsorbBlocks(Text);
    if (!Last) {
        Carry.assign(rest.data(), rest.size());
        return;
    }
    if (!rest.empty()) std::memmove(Buffer, rest.data(), rest.size());
    Finish(int32_t(rest.size()), TotalLength);
}

void TMessageDigest::GetDigest(uint8_t Out[16]) const {
    std::memcpy(Out, Digest, 16);
}

void TMessageDigest::DigestText(std::string_view Text, uint8_t Out[16]) {
    Initialize();
    const std::string_view rest = AbsorbBlocks(Text);
    if (!rest.empty()) std::memmove(Buffer, rest.data(), rest.size());
    Finish(int32_t(rest.size()), int64_t(Text.size()));
    GetDigest(Out);
}

std::string TMessageDigest::DigestToHex(const uint8_t In[16]) {
    return hextext::FromBytes(In, 16);
}

void TMessageDigest2::Initialize() {
    BlockSize = 16;
    Pending = md2::kNonePending;
    std::memset(Checksum, 0, sizeof Checksum);
    std::memset(Buffer, 0, 16);
    std::memset(State, 0, sizeof State);
}

// Each block's last round waits for the next block (or Finish), to run beside its first round.
void TMessageDigest2::Transform() {
    md2::TransformDeferred(State, Checksum, Buffer, Pending);
}

void TMessageDigest2::Finish(int32_t TailCount, int64_t) {
    const uint8_t n = uint8_t(16 - TailCount);
    std::memset(Buffer + TailCount, n, n);
    Transform();
    std::memcpy(Buffer, Checksum, 16);
    Transform();
    md2::FinishRounds(State, Pending);
    std::memcpy(Digest, State, 16);
}
