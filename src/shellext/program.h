#pragma once
// Where Vaultrix.exe is, and starting it for a hand-off.
#include <optional>
#include <string>

namespace vx::shellext {

// The "ExePath" value under HKLM "Software\Ostrand\Vaultrix", or under the 32-bit program's view
// "Software\Wow6432Node\Ostrand\Vaultrix" when the first key cannot be opened. Only a REG_SZ of
// at most 4096 bytes whose text ends in a zero unit counts; anything else is not found.
std::optional<std::wstring> program_location();

// Starts 'program' with exactly 'command_line' (no program-name token), in a console of its
// own, with this process's environment and folder, and does not wait for it.
bool start_program(const std::wstring& program, const std::wstring& command_line);

}  // namespace vx::shellext
