#pragma once
// The COM server's module state: the lock count that decides when the library may unload, and
// the identities of its one class.
#include <windows.h>

namespace vx::shellext {

// {024B4F1A-7A3C-491D-95B8-85FA10EB4E3A}, the class CryptShell.
inline constexpr CLSID kCryptShellClsid = {
    0x024B4F1A, 0x7A3C, 0x491D, {0x95, 0xB8, 0x85, 0xFA, 0x10, 0xEB, 0x4E, 0x3A}};
inline constexpr wchar_t kCryptShellClsidText[] = L"{024B4F1A-7A3C-491D-95B8-85FA10EB4E3A}";

// Every live object, every outside reference to the class object and every LockServer(TRUE)
// holds one lock; the library can unload when none is left.
void lock_module();
void unlock_module();

// This library (not the program that loaded it).
HMODULE this_module();

}  // namespace vx::shellext
