#pragma once
// Byte buffers: a size and the bytes.
#include <cstdint>
#include <vector>

namespace vx {

using Buffer = std::vector<std::uint8_t>;

}  // namespace vx
