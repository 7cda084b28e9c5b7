// SHA3-224, SHA3-256, SHA3-384 and SHA3-512 (FIPS 202) as members of the hash object family:
// the sponge over Keccak-f[1600] with capacity twice the digest size, the domain bits 01 and
// the pad10*1 padding.
#pragma once

#include <algorithm>

#include "DCPcrypt2.h"
#include "kernels.h"

namespace sha3 {
// Absorbs Count consecutive blocks of Rate bytes (a multiple of 8, at most 200): each is xored
// into the first Rate/8 lanes, little-endian, and Keccak-f[1600] runs on the state. State holds
// lane (x, y) at index x + 5y. Portable code.
void AbsorbPortable(uint64_t State[25], const uint8_t* Blocks, size_t Count, size_t Rate);
// The same compiled for BMI1, whose ANDN gives chi's (~x & y) in one instruction
// (DCPsha3_bmi1.cpp, x86-64 only); only call when the CPU has BMI1.
void AbsorbBmi1(uint64_t State[25], const uint8_t* Blocks, size_t Count, size_t Rate);
}  // namespace sha3

namespace dcp {

// Everything the four sizes share; Derived supplies kId, kHashSize, kAlgorithm and kSelfCheck
// (vector, digest, vector, digest).
template <class Derived, int Bits>
class TDCP_sha3base : public TDCP_hash {
public:
    // The rate: the 200-byte state less the capacity of 2 * Bits.
    static constexpr size_t kBlockSize = 200 - 2 * Bits / 8;

    ~TDCP_sha3base() override { Clear(); }

    int ClassId() const override { return Derived::kId; }
    std::string ClassAlgorithm() const override { return Derived::kAlgorithm; }
    int ClassHashSize() const override { return Bits; }

    bool SelfCheck() override {
        const auto& v = Derived::kSelfCheck;
        return SelfCheckVectors<Derived>(v[0], v[1], v[2], v[3]);
    }

    void Init() override {
        Wipe();
        Ready = true;
    }

    void Wipe() override {
        Clear();
        Ready = false;
    }

    void Update(const void* Buffer, size_t Size) override {
        RequireReady();
        Buf.Absorb(static_cast<const uint8_t*>(Buffer), Size, Absorber());
    }

    // The last block: the domain bits 01 and the first padding bit make 0x06 after the
    // message, the last padding bit is the top bit of the block's last byte (both in one byte
    // when a single byte is left). The digest is the first Bits/8 bytes of the state.
    void Final(void* Digest) override {
        RequireReady();
        Buf.Block[Buf.Fill] ^= 0x06;
        Buf.Block[kBlockSize - 1] ^= 0x80;
        Absorber()(Buf.Block, 1);
        auto* out = static_cast<uint8_t*>(Digest);
        for (size_t i = 0; i < size_t(Bits) / 8; i += 8) {
            uint8_t lane[8];
            store_le64(lane, State[i / 8]);
            std::memcpy(out + i, lane, std::min<size_t>(8, size_t(Bits) / 8 - i));
        }
        Wipe();
    }

private:
    void Clear() {
        SecureZero(State, sizeof State);
        Buf.Clear();
    }
    auto Absorber() {
        return [this](const uint8_t* b, size_t n) {
            kernels::Active().keccak(State, b, n, kBlockSize);
        };
    }

    uint64_t State[25] = {};
    BlockBuffer<kBlockSize> Buf;
};

}  // namespace dcp

class TDCP_sha3_224 : public dcp::TDCP_sha3base<TDCP_sha3_224, 224> {
public:
    static constexpr int kId = 203;
    static constexpr int kHashSize = 224;
    static constexpr const char* kAlgorithm = "SHA3-224";
    static constexpr std::string_view kSelfCheck[4] = {
        "", "6b4e03423667dbb73b6e15454f0eb1abd4597f9a1b078e3f5b5a6bc7", "abc",
        "e642824c3f8cf24ad09234ee7d3c766fc9a3a5168d0c94ad73b46fdf"};
};

class TDCP_sha3_256 : public dcp::TDCP_sha3base<TDCP_sha3_256, 256> {
public:
    static constexpr int kId = 204;
    static constexpr int kHashSize = 256;
    static constexpr const char* kAlgorithm = "SHA3-256";
    static constexpr std::string_view kSelfCheck[4] = {
        "", "a7ffc6f8bf1ed76651c14756a061d662f580ff4de43b49fa82d80a4b80f8434a", "abc",
        "3a985da74fe225b2045c172d6bd390bd855f086e3e9d525b46bfe24511431532"};
};

class TDCP_sha3_384 : public dcp::TDCP_sha3base<TDCP_sha3_384, 384> {
public:
    static constexpr int kId = 205;
    static constexpr int kHashSize = 384;
    static constexpr const char* kAlgorithm = "SHA3-384";
    static constexpr std::string_view kSelfCheck[4] = {
        "",
        "0c63a75b845e4f7d01107d852e4c2485c51a50aaaa94fc61995e71bbee983a2ac3713831264adb47fb6bd1e0"
        "58d5f004",
        "abc",
        "ec01498288516fc926459f58e2c6ad8df9b473cb0fc08c2596da7cf0e49be4b298d88cea927ac7f539f1edf2"
        "28376d25"};
};

class TDCP_sha3_512 : public dcp::TDCP_sha3base<TDCP_sha3_512, 512> {
public:
    static constexpr int kId = 206;
    static constexpr int kHashSize = 512;
    static constexpr const char* kAlgorithm = "SHA3-512";
    static constexpr std::string_view kSelfCheck[4] = {
        "",
        "a69f73cca23a9ac5c8b567dc185a756e97c982164fe25859e0d1dcc1475c80a615b2123af1f5f94c11e3e940"
        "2c3ac558f500199d95b6d3e301758586281dcd26",
        "abc",
        "b751850b1a57168a5693cd924b6b096e08f621827444f70d884f5d0240d2712e10e116e9192af3c91a7ec576"
        "47e3934057340b4cf408d5a56592f8274eec53f0"};
};
