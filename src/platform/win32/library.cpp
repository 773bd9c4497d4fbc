#include <windows.h>

#include "platform/fs.h"
#include "platform/library.h"
#include "platform/path.h"
#include "platform/win32/wide.h"

namespace vx {

std::string Library::file_name(const std::string& stem) { return stem + ".dll"; }

bool Library::load(const std::string& folder, const std::string& file_name) {
    release();
    std::string full = path::join(folder, file_name);
    if (!fs::exists(full)) return false;
    // With a full path and the altered search order, the library's own imports are looked for
    // in its folder first, and the library itself nowhere else.
    handle_ = LoadLibraryExW(win32::widen(full).c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
    return handle_ != nullptr;
}

bool Library::load_system(const std::string& file_name) {
    release();
    wchar_t dir[MAX_PATH];
    UINT n = GetSystemDirectoryW(dir, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) return false;
    std::wstring full = std::wstring(dir, n) + L"\\" + win32::widen(file_name);
    handle_ = LoadLibraryExW(full.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
    return handle_ != nullptr;
}

void* Library::symbol(const char* name) const {
    return handle_ ? reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(handle_), name))
                   : nullptr;
}

void Library::release() {
    if (handle_) FreeLibrary(static_cast<HMODULE>(handle_));
    handle_ = nullptr;
}

}  // namespace vx
