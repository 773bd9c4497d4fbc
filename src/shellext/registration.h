#pragma once
// Self-registration: the shell's list of approved extensions and the class's registry script.
#include <windows.h>

namespace vx::shellext {

// Approves the extension in HKLM (E_ACCESSDENIED, and nothing else written, when the list cannot
// be opened or written: that needs an administrator), then applies the registry script.
HRESULT register_server();
// Withdraws the approval when it can (a missing list or value does not matter), then removes the
// script's keys.
HRESULT unregister_server();

}  // namespace vx::shellext
