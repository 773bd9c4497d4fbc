#pragma once
// Helpers shared by the engine's tests: hex text, deterministic sample data, bit distances.
#include <bitset>
#include <cstddef>
#include <cstdint>
#include <random>
#include <string>

#include "platform/buffer.h"

namespace vx::test {

inline std::string hex(const std::uint8_t* p, std::size_t n) {
    static const char digits[] = "0123456789abcdef";
    std::string s;
    for (std::size_t i = 0; i < n; ++i) {
        s += digits[p[i] >> 4];
        s += digits[p[i] & 15];
    }
    return s;
}

inline std::string hex(const Buffer& b) { return hex(b.data(), b.size()); }

// The same pseudo-random bytes on every build for a given seed.
inline Buffer sample(std::size_t n, std::uint32_t seed) {
    std::mt19937 gen(seed);
    Buffer b(n);
    for (auto& x : b) x = static_cast<std::uint8_t>(gen() >> 24);
    return b;
}

// The number of bits in which a and b differ.
inline std::size_t bit_distance(const Buffer& a, const Buffer& b) {
    std::size_t d = 0;
    for (std::size_t i = 0; i < a.size() && i < b.size(); ++i)
        d += std::bitset<8>(a[i] ^ b[i]).count();
    return d;
}

}  // namespace vx::test
