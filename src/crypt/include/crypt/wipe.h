#pragma once
// Overwrites secrets (key texts, derived keys) before their memory is given back.
#include <cstddef>
#include <string>

#include "platform/buffer.h"

namespace vx {

inline void wipe(void* data, std::size_t n) {
    volatile unsigned char* p = static_cast<volatile unsigned char*>(data);
    while (n--) *p++ = 0;
}
inline void wipe(std::string& s) {
    wipe(s.data(), s.size());
    s.clear();
}
inline void wipe(Buffer& b) {
    wipe(b.data(), b.size());
    b.clear();
}

}  // namespace vx
