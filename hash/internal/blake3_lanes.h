// The body of BLAKE3's many-input kernels: N inputs side by side, word j of every input in one
// vector (lane i holds input i), so that each step of the compression is one vector
// instruction for all N. Each kernel file supplies Ops, a struct in its own unnamed namespace
// with its vector type V, kLanes, kRegisters (how many vector registers the instruction set
// has), and the operations below; instantiated with it, this code is
// local to that file and compiled with its instruction set only.
//
//   static V Set1(uint32_t x);                       every lane x
//   static V Load(const uint32_t* p);                lane i = p[i]
//   static V Add(V a, V b), Xor(V a, V b);
//   static V Rot16(V x), Rot12(V x), Rot8(V x), Rot7(V x);   rotations right
//   static void LoadMessage(const uint8_t* const* inputs, size_t offset, V m[16]);
//       m[j] lane i = little-endian word j of the block at inputs[i] + offset
//   static void Store(V x, uint32_t* p);             p[i] = lane i
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "DCPblake3.h"

namespace blake3::lanes {

#define BLAKE3_INLINE inline __attribute__((always_inline))

// Quarter-rounds G side by side, their steps interleaved so that the independent chains of
// dependent instructions overlap: four at a time (the columns, or the diagonals) where the
// instruction set has 32 vector registers, two at a time where it has 16, which leaves the
// sixteen state vectors fewer temporaries to compete with (GCC spilled state words on the
// critical path with four: AVX2 went from 2.6 to 3.2 GB/s of CPU time with two).
template <class Ops, class V = typename Ops::V>
BLAKE3_INLINE void G2(V& a0, V& a1, V& b0, V& b1, V& c0, V& c1, V& d0, V& d1, const V* m,
                      const uint8_t* s) {
    a0 = Ops::Add(Ops::Add(a0, b0), m[s[0]]);
    a1 = Ops::Add(Ops::Add(a1, b1), m[s[2]]);
    d0 = Ops::Rot16(Ops::Xor(d0, a0));
    d1 = Ops::Rot16(Ops::Xor(d1, a1));
    c0 = Ops::Add(c0, d0);
    c1 = Ops::Add(c1, d1);
    b0 = Ops::Rot12(Ops::Xor(b0, c0));
    b1 = Ops::Rot12(Ops::Xor(b1, c1));
    a0 = Ops::Add(Ops::Add(a0, b0), m[s[1]]);
    a1 = Ops::Add(Ops::Add(a1, b1), m[s[3]]);
    d0 = Ops::Rot8(Ops::Xor(d0, a0));
    d1 = Ops::Rot8(Ops::Xor(d1, a1));
    c0 = Ops::Add(c0, d0);
    c1 = Ops::Add(c1, d1);
    b0 = Ops::Rot7(Ops::Xor(b0, c0));
    b1 = Ops::Rot7(Ops::Xor(b1, c1));
}

template <class Ops, class V = typename Ops::V>
BLAKE3_INLINE void G4(V& a0, V& a1, V& a2, V& a3, V& b0, V& b1, V& b2, V& b3, V& c0, V& c1, V& c2,
                      V& c3, V& d0, V& d1, V& d2, V& d3, const V* m, const uint8_t* s) {
    a0 = Ops::Add(Ops::Add(a0, b0), m[s[0]]);
    a1 = Ops::Add(Ops::Add(a1, b1), m[s[2]]);
    a2 = Ops::Add(Ops::Add(a2, b2), m[s[4]]);
    a3 = Ops::Add(Ops::Add(a3, b3), m[s[6]]);
    d0 = Ops::Rot16(Ops::Xor(d0, a0));
    d1 = Ops::Rot16(Ops::Xor(d1, a1));
    d2 = Ops::Rot16(Ops::Xor(d2, a2));
    d3 = Ops::Rot16(Ops::Xor(d3, a3));
    c0 = Ops::Add(c0, d0);
    c1 = Ops::Add(c1, d1);
    c2 = Ops::Add(c2, d2);
    c3 = Ops::Add(c3, d3);
    b0 = Ops::Rot12(Ops::Xor(b0, c0));
    b1 = Ops::Rot12(Ops::Xor(b1, c1));
    b2 = Ops::Rot12(Ops::Xor(b2, c2));
    b3 = Ops::Rot12(Ops::Xor(b3, c3));
    a0 = Ops::Add(Ops::Add(a0, b0), m[s[1]]);
    a1 = Ops::Add(Ops::Add(a1, b1), m[s[3]]);
    a2 = Ops::Add(Ops::Add(a2, b2), m[s[5]]);
    a3 = Ops::Add(Ops::Add(a3, b3), m[s[7]]);
    d0 = Ops::Rot8(Ops::Xor(d0, a0));
    d1 = Ops::Rot8(Ops::Xor(d1, a1));
    d2 = Ops::Rot8(Ops::Xor(d2, a2));
    d3 = Ops::Rot8(Ops::Xor(d3, a3));
    c0 = Ops::Add(c0, d0);
    c1 = Ops::Add(c1, d1);
    c2 = Ops::Add(c2, d2);
    c3 = Ops::Add(c3, d3);
    b0 = Ops::Rot7(Ops::Xor(b0, c0));
    b1 = Ops::Rot7(Ops::Xor(b1, c1));
    b2 = Ops::Rot7(Ops::Xor(b2, c2));
    b3 = Ops::Rot7(Ops::Xor(b3, c3));
}

// One round: the four columns (0 4 8 12, 1 5 9 13, ...), then the four diagonals
// (0 5 10 15, 1 6 11 12, 2 7 8 13, 3 4 9 14), each G with the next two words of round R's order.
template <class Ops, int R, class V = typename Ops::V>
BLAKE3_INLINE void Round(V* v, const V* m) {
    const uint8_t* s = kSchedule[R];
    if constexpr (Ops::kRegisters >= 32) {
        G4<Ops>(v[0], v[1], v[2], v[3], v[4], v[5], v[6], v[7], v[8], v[9], v[10], v[11], v[12],
                v[13], v[14], v[15], m, s);
        G4<Ops>(v[0], v[1], v[2], v[3], v[5], v[6], v[7], v[4], v[10], v[11], v[8], v[9], v[15],
                v[12], v[13], v[14], m, s + 8);
    } else {
        G2<Ops>(v[0], v[1], v[4], v[5], v[8], v[9], v[12], v[13], m, s);
        G2<Ops>(v[2], v[3], v[6], v[7], v[10], v[11], v[14], v[15], m, s + 4);
        G2<Ops>(v[0], v[1], v[5], v[6], v[10], v[11], v[15], v[12], m, s + 8);
        G2<Ops>(v[2], v[3], v[7], v[4], v[8], v[9], v[13], v[14], m, s + 12);
    }
}

// Ops::kLanes inputs of Blocks blocks each, as HashManyPortable describes.
template <class Ops>
BLAKE3_INLINE void HashLanes(const uint8_t* const* inputs, size_t blocks, const uint32_t key[8],
                             uint64_t counter, bool incrementCounter, uint8_t flags,
                             uint8_t flagsStart, uint8_t flagsEnd, uint8_t* out) {
    using V = typename Ops::V;
    constexpr size_t N = Ops::kLanes;
    uint32_t low[N], high[N];
    for (size_t i = 0; i < N; ++i) {
        const uint64_t c = counter + (incrementCounter ? i : 0);
        low[i] = uint32_t(c);
        high[i] = uint32_t(c >> 32);
    }
    const V counterLow = Ops::Load(low), counterHigh = Ops::Load(high);
    V h[8];
    for (int i = 0; i < 8; ++i)
        h[i] = Ops::Set1(key[i]);
    for (size_t b = 0; b < blocks; ++b) {
        uint32_t blockFlags = flags;
        if (b == 0) blockFlags |= flagsStart;
        if (b + 1 == blocks) blockFlags |= flagsEnd;
        V m[16];
        Ops::LoadMessage(inputs, b * kBlockLen, m);
        V v[16] = {h[0],
                   h[1],
                   h[2],
                   h[3],
                   h[4],
                   h[5],
                   h[6],
                   h[7],
                   Ops::Set1(IV[0]),
                   Ops::Set1(IV[1]),
                   Ops::Set1(IV[2]),
                   Ops::Set1(IV[3]),
                   counterLow,
                   counterHigh,
                   Ops::Set1(uint32_t(kBlockLen)),
                   Ops::Set1(blockFlags)};
        Round<Ops, 0>(v, m);
        Round<Ops, 1>(v, m);
        Round<Ops, 2>(v, m);
        Round<Ops, 3>(v, m);
        Round<Ops, 4>(v, m);
        Round<Ops, 5>(v, m);
        Round<Ops, 6>(v, m);
        for (int i = 0; i < 8; ++i)
            h[i] = Ops::Xor(v[i], v[i + 8]);
    }
    // Word j of every lane, then each lane's eight words as its chaining value.
    uint32_t words[8][N];
    for (int j = 0; j < 8; ++j)
        Ops::Store(h[j], words[j]);
    for (size_t i = 0; i < N; ++i)
        for (int j = 0; j < 8; ++j)
            std::memcpy(out + i * kCvLen + 4 * j, &words[j][i], 4);  // little-endian targets
}

// Count inputs (any number) on Ops::kLanes lanes: whole groups, then the rest on lanes of which
// those past the rest repeat its last input and are dropped. The rest may be left to a narrower
// kernel instead, when it is below Narrower (a kernel that is at least as fast per input for
// so few); returns how many inputs were hashed.
template <class Ops>
BLAKE3_INLINE size_t HashMany(const uint8_t* const* inputs, size_t count, size_t blocks,
                              const uint32_t key[8], uint64_t counter, bool incrementCounter,
                              uint8_t flags, uint8_t flagsStart, uint8_t flagsEnd, uint8_t* out,
                              size_t narrower) {
    constexpr size_t N = Ops::kLanes;
    // One call site of HashLanes for whole and partial groups alike: a second inlined copy
    // for the partial one ran at half the speed.
    size_t done = 0;
    for (; done < count; done += N) {
        const size_t n = count - done < N ? count - done : N;
        if (n < narrower) break;
        const uint8_t* group[N];
        for (size_t i = 0; i < N; ++i)
            group[i] = inputs[done + (i < n ? i : n - 1)];
        uint8_t partial[N * kCvLen];
        HashLanes<Ops>(group, blocks, key, counter + (incrementCounter ? done : 0),
                       incrementCounter, flags, flagsStart, flagsEnd,
                       n == N ? out + done * kCvLen : partial);
        if (n < N) std::memcpy(out + done * kCvLen, partial, n * kCvLen);
    }
    return done < count ? done : count;
}

#undef BLAKE3_INLINE

}  // namespace blake3::lanes
