#include "crypt/key_layer.h"

#include <cstdint>
#include <cstring>
#include <vector>

namespace vx {

namespace {

// t[j] is the number made of the two digits at position 2j of the decimal forms of the key's
// byte values, written one after another; missing digits count as nothing ("" = 0, "7" = 7).
std::vector<int> table_of(std::string key) {
    if (key.size() % 2 == 1) key += 'a';
    std::string digits;
    for (unsigned char c : key) digits += std::to_string(static_cast<unsigned>(c));
    std::vector<int> table(key.size(), 0);
    for (std::size_t j = 0; j < table.size(); ++j) {
        int value = 0;
        for (std::size_t k = 2 * j; k < 2 * j + 2 && k < digits.size(); ++k) {
            value = value * 10 + (digits[k] - '0');
        }
        table[j] = value;
    }
    return table;
}

}  // namespace

void CCodeStr::apply_in_place(Buffer& buffer, const std::string& key) const {
    if (buffer.size() < 2 || key.empty()) return;
    const std::vector<int> t = table_of(key);
    const std::size_t n = t.size();
    // Byte i takes t[(i + 1) mod n]; the last byte stays as it is. The first 8 n bytes of that
    // sequence are n whole words and repeat, so the bulk goes a word at a time.
    const std::size_t span = 8 * n;
    std::vector<std::uint8_t> pattern(span);
    for (std::size_t k = 0; k < span; ++k) pattern[k] = static_cast<std::uint8_t>(t[(k + 1) % n]);
    std::vector<std::uint64_t> words(n);
    std::memcpy(words.data(), pattern.data(), span);

    std::uint8_t* p = buffer.data();
    const std::size_t limit = buffer.size() - 1;
    std::size_t i = 0;
    for (; i + span <= limit; i += span) {
        for (std::size_t w = 0; w < n; ++w) {
            std::uint64_t v;
            std::memcpy(&v, p + i + 8 * w, 8);
            v ^= words[w];
            std::memcpy(p + i + 8 * w, &v, 8);
        }
    }
    for (; i < limit; ++i) p[i] ^= pattern[i % span];
}

Buffer CCodeStr::apply(const Buffer& input, const std::string& key) const {
    Buffer out = input;
    apply_in_place(out, key);
    return out;
}

}  // namespace vx
