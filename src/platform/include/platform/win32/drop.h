#pragma once
// The paths of a dropped-file list (CF_HDROP: dropped on a window, or handed to a shell
// extension). Only Windows code includes this header.
// windows.h goes first: shellapi.h builds on it.
// clang-format off
#include <windows.h>
#include <shellapi.h>
// clang-format on

#include <string>
#include <vector>

namespace vx::win32 {

// Every path of the list in order, each asked for its length first so that none is ever cut;
// an entry the list cannot give whole is left out. The list itself stays the caller's.
std::vector<std::wstring> dropped_paths(HDROP drop);

}  // namespace vx::win32
