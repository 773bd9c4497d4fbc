#pragma once
// The boundary between the program's UTF-8 strings and the wide Windows API. Only Windows code
// includes this header.
#include <string>

namespace vx::win32 {

std::wstring widen(const std::string& utf8);
std::string narrow(const std::wstring& utf16);
std::string narrow(const wchar_t* utf16, std::size_t units);

// The form of a path to hand to the wide file functions: absolute paths in extended-length form
// ("\\?\C:\..." or "\\?\UNC\server\share\..."), so that paths past 260 characters work everywhere.
std::wstring file_api_path(const std::string& utf8);

}  // namespace vx::win32
