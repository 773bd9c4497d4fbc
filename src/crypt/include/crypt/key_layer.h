#pragma once
// The key layer: an XOR with a table taken from the key's digits. Applying it twice
// gives the input back, so crypting and decrypting call the same operation.
#include <string>

#include "platform/buffer.h"

namespace vx {

class CCodeStr {
public:
    // A buffer of the same length. The last byte is never changed; an empty or one-byte buffer
    // comes back unchanged.
    Buffer apply(const Buffer& input, const std::string& key) const;
    void apply_in_place(Buffer& buffer, const std::string& key) const;
};

}  // namespace vx
