// The input every in-memory benchmark hashes: Size bytes from a xorshift generator, made once.
#pragma once

#include <cstdint>
#include <vector>

namespace benchdata {

template <size_t Size>
const std::vector<uint8_t>& Data() {
    static const std::vector<uint8_t> d = [] {
        std::vector<uint8_t> v(Size);
        uint32_t x = 2463534242u;
        for (auto& b : v) {
            x ^= x << 13, x ^= x >> 17, x ^= x << 5;
            b = uint8_t(x);
        }
        return v;
    }();
    return d;
}

}  // namespace benchdata
