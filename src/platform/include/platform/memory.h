#pragma once
// How the process's heap treats the large buffers of a run.
#include <cstddef>

namespace vx::memory {

// Keeps up to 'bytes' of freed heap memory in the process instead of handing it back to the system
// at once, and serves buffers below that size from the heap. A run takes and frees buffers of
// 10 MiB for every block; without this each of them costs fresh pages from the system, which
// takes longer than crypting them. Does nothing where the heap has no such setting.
void keep_freed(std::size_t bytes);

}  // namespace vx::memory
