#pragma once
// Applies a registry script (script.h) to the registry, for registration or unregistration.
#include <windows.h>

#include <string>

#include "script.h"

namespace vx::shellext {

enum class Direction { install, remove };

// Writes or removes the keys of 'text'. S_OK, E_UNEXPECTED for a text that is not a script or
// names an unknown root, or the registry's error. Registration stops at the first failure and
// leaves what it wrote; unregistration finds missing keys already gone.
HRESULT apply_script(const std::string& text, const Replacements& replacements,
                     Direction direction);

}  // namespace vx::shellext
