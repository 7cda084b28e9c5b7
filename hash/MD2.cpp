// MD2, written from RFC 1319.
#include "MD2.h"

#include <algorithm>
#include <cstring>

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

// Left to itself, GCC xors t into the state word in memory and loads t back from there, which
// puts a store-to-load forwarding on the chain. Passing the state word through an empty asm
// makes it load the word into a register first, xor there and store the result separately.
#if defined(__GNUC__)
#define KeepInRegister(v) asm("" : "+r"(v))
#else
#define KeepInRegister(v) (void)(v)
#endif

// One round's 48 steps, t := X[k] xor S[t], X[k] := t, a single serial chain: each step is one
// table load and one xor. The state words are 32-bit and hold values below 256, and the table
// loads zero-extend, so no step needs a mask or a partial-register merge. The round number
// added to t between rounds is folded into the first look-up's address (Offset).
inline void Round(uint32_t X[48], uint32_t& t, unsigned Offset) {
    uint32_t x = X[0];
    KeepInRegister(x);
    t = S2.v[t + Offset] ^ x;
    X[0] = t;
#pragma GCC unroll 47
    for (int k = 1; k < 48; ++k) {
        x = X[k];
        KeepInRegister(x);
        t = S2.v[t] ^ x;
        X[k] = t;
    }
}

}  // namespace

void TransformPortable(uint8_t State[48], uint8_t Checksum[16], const uint8_t Block[16]) {
    uint32_t X[48];
    for (int j = 0; j < 16; ++j) {
        X[j] = State[j];
        X[16 + j] = Block[j];
        X[32 + j] = uint32_t(Block[j] ^ State[j]);
    }
    // 18 rounds; after round j the chain continues from t + j (RFC 1319, step 4).
    uint32_t t = 0;
    Round(X, t, 0);
    for (unsigned j = 1; j < 18; ++j)
        Round(X, t, j - 1);
    for (int j = 0; j < 48; ++j)
        State[j] = uint8_t(X[j]);
    // The checksum, in the xor form of the RFC's reference code. Its chain is independent of
    // the rounds above, so it runs alongside them.
    uint8_t L = Checksum[15];
    for (int j = 0; j < 16; ++j)
        L = Checksum[j] ^= S[Block[j] ^ L];
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
    static constexpr char digits[] = "0123456789ABCDEF";
    std::string s(32, '0');
    for (int i = 0; i < 16; ++i) {
        s[2 * i] = digits[In[i] >> 4];
        s[2 * i + 1] = digits[In[i] & 15];
    }
    return s;
}

void TMessageDigest2::Initialize() {
    BlockSize = 16;
    std::memset(Checksum, 0, sizeof Checksum);
    std::memset(Buffer, 0, 16);
    std::memset(State, 0, sizeof State);
}

void TMessageDigest2::Transform() {
    md2::TransformPortable(State, Checksum, Buffer);
}

void TMessageDigest2::Finish(int32_t TailCount, int64_t) {
    const uint8_t n = uint8_t(16 - TailCount);
    std::memset(Buffer + TailCount, n, n);
    Transform();
    std::memcpy(Buffer, Checksum, 16);
    Transform();
    std::memcpy(Digest, State, 16);
}
