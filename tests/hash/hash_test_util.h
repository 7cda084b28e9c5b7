// Helpers shared by the engine tests.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "DCPcrypt2.h"
#include "hashhead.h"
#include "kernels.h"

namespace testutil {

inline std::string Hex(const uint8_t* p, size_t n) {
    static const char* digits = "0123456789abcdef";
    std::string s;
    for (size_t i = 0; i < n; ++i) {
        s += digits[p[i] >> 4];
        s += digits[p[i] & 15];
    }
    return s;
}

// The lower-case hex digest of Data hashed in one Update call.
inline std::string Digest(TDCP_hash& h, std::string_view data) {
    uint8_t out[64];
    h.Init();
    h.Update(data.data(), uint32_t(data.size()));
    h.Final(out);
    return Hex(out, size_t(h.HashSize()) / 8);
}

// A buffer of n bytes filled with a repeating pattern of prime length, so that two blocks
// swapped with each other cannot give the same digest.
inline std::string Pattern(size_t n) {
    std::string s(n, '\0');
    for (size_t i = 0; i < n; ++i)
        s[i] = char(i % 251);
    return s;
}

inline std::string Lower(std::string s) {
    for (char& c : s)
        if (c >= 'A' && c <= 'Z') c = char(c - 'A' + 'a');
    return s;
}

// The slots' names, for test names and traces.
inline const char* SlotName(kernels::Slot slot) {
    static const char* const names[kernels::kSlots] = {"sha1",  "sha256",  "sha512", "crc32",
                                                       "crc64", "adler32", "blake3"};
    return names[int(slot)];
}

// The kernel table's entries for one slot, fastest first, the portable one last.
inline std::vector<const kernels::Entry*> EntriesOf(kernels::Slot slot) {
    std::vector<const kernels::Entry*> out;
    for (const kernels::Entry& e : kernels::Entries())
        if (e.slot == slot) out.push_back(&e);
    return out;
}

// Makes the engine run one entry in its slot, and the best kernels elsewhere, for the life of
// the scope.
class KernelScope {
public:
    explicit KernelScope(const kernels::Entry& e) : table_(kernels::Best()) {
        kernels::Install(table_, e);
        kernels::Use(&table_);
    }
    ~KernelScope() { kernels::Use(nullptr); }
    KernelScope(const KernelScope&) = delete;
    KernelScope& operator=(const KernelScope&) = delete;

private:
    kernels::Table table_;
};

}  // namespace testutil
