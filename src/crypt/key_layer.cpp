#include "crypt/key_layer.h"

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
    const std::size_t last = t.size() - 1;
    std::size_t d = 0;
    for (std::size_t i = 0; i + 1 < buffer.size(); ++i) {
        d = (d == last) ? 0 : d + 1;
        buffer[i] = static_cast<std::uint8_t>(buffer[i] ^ t[d]);
    }
}

Buffer CCodeStr::apply(const Buffer& input, const std::string& key) const {
    Buffer out = input;
    apply_in_place(out, key);
    return out;
}

}  // namespace vx
