#pragma once
// The Yes / Yes to All / No prompt: a message box whose Yes, No and Cancel buttons are relabelled
// "Yes", "Yes to All" and "No" while it is shown. Called on the thread that is to own the box.
#include <windows.h>

#include <string>

#include "worker/context.h"

namespace vx::ui {

// Esc and the close box answer no. When the relabelling cannot be set up, a plain Yes/No box
// with No as the default is shown instead (and never answers yes to all).
YesToAll ask_yes_to_all(HWND owner, const std::string& text, const std::string& caption);

}  // namespace vx::ui
