#include "platform/memory.h"

namespace vx::memory {

// The Windows heap gives large blocks their own pages in any case; there is nothing to set.
void keep_freed(std::size_t) {}

}  // namespace vx::memory
