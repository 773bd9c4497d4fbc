#include <windows.h>

#include <vector>

#include "platform/win32/wide.h"

namespace vx::win32 {

std::wstring widen(const std::string& utf8) {
    if (utf8.empty()) return std::wstring();
    int n = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
    std::wstring w(static_cast<std::size_t>(n), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), w.data(), n);
    return w;
}

std::string narrow(const wchar_t* utf16, std::size_t units) {
    if (units == 0) return std::string();
    int n = WideCharToMultiByte(CP_UTF8, 0, utf16, static_cast<int>(units), nullptr, 0, nullptr,
                                nullptr);
    std::string s(static_cast<std::size_t>(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, utf16, static_cast<int>(units), s.data(), n, nullptr, nullptr);
    return s;
}

std::string narrow(const std::wstring& utf16) { return narrow(utf16.data(), utf16.size()); }

std::wstring file_api_path(const std::string& utf8) {
    std::wstring w = widen(utf8);
    if (w.empty() || w.rfind(L"\\\\?\\", 0) == 0) return w;
    DWORD n = GetFullPathNameW(w.c_str(), 0, nullptr, nullptr);
    if (n == 0) return w;
    std::vector<wchar_t> full(n + 1);
    n = GetFullPathNameW(w.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
    if (n == 0 || n >= full.size()) return w;
    std::wstring f(full.data(), n);
    if (f.rfind(L"\\\\.\\", 0) == 0) return f;  // a device name stays as it is
    if (f.rfind(L"\\\\", 0) == 0) return L"\\\\?\\UNC\\" + f.substr(2);
    return L"\\\\?\\" + f;
}

}  // namespace vx::win32
