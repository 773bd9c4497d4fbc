#include "platform/memory.h"

#include <climits>

#if defined(__GLIBC__)
#include <malloc.h>
#endif

namespace vx::memory {

void keep_freed(std::size_t bytes) {
#if defined(__GLIBC__)
    // glibc refuses mmap thresholds above 32 MiB on 64-bit systems.
    const std::size_t mmap_limit = bytes < (32u << 20) ? bytes : (32u << 20);
    const std::size_t trim = bytes < INT_MAX ? bytes : INT_MAX;
    mallopt(M_MMAP_THRESHOLD, static_cast<int>(mmap_limit));
    mallopt(M_TRIM_THRESHOLD, static_cast<int>(trim));
#else
    (void)bytes;
#endif
}

}  // namespace vx::memory
