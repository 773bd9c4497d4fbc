#pragma once
// Deleting to the recycle bin (Windows) or the desktop's trash (freedesktop.org), silently.
#include <string>

namespace vx::fs {

// Moves a file or a folder with everything in it to the recycle bin, asking nothing. On Windows
// this is the shell's delete with the flag word 0x25C (silent, rename on collision, no
// confirmation, allow undo, no confirmation to make folders). True when it is gone.
bool move_to_trash(const std::string& path);

}  // namespace vx::fs
