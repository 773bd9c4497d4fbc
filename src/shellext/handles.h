#pragma once
// Owners for the system handles the extension uses: each is released when its owner goes.
#include <windows.h>

#include <memory>
#include <type_traits>

namespace vx::shellext {

struct KeyCloser {
    void operator()(HKEY k) const { RegCloseKey(k); }
};
struct BitmapDeleter {
    void operator()(HBITMAP b) const { DeleteObject(b); }
};
struct IconDestroyer {
    void operator()(HICON i) const { DestroyIcon(i); }
};
struct MenuDestroyer {
    void operator()(HMENU m) const { DestroyMenu(m); }
};
struct DcDeleter {
    void operator()(HDC dc) const { DeleteDC(dc); }
};
struct HandleCloser {
    void operator()(HANDLE h) const { CloseHandle(h); }
};

using Key = std::unique_ptr<std::remove_pointer_t<HKEY>, KeyCloser>;
using Bitmap = std::unique_ptr<std::remove_pointer_t<HBITMAP>, BitmapDeleter>;
using Icon = std::unique_ptr<std::remove_pointer_t<HICON>, IconDestroyer>;
using Menu = std::unique_ptr<std::remove_pointer_t<HMENU>, MenuDestroyer>;
using MemoryDc = std::unique_ptr<std::remove_pointer_t<HDC>, DcDeleter>;
using Handle = std::unique_ptr<void, HandleCloser>;

// A key under 'parent', opened with 'access'; null when it cannot be.
inline Key open_key(HKEY parent, const wchar_t* path, REGSAM access, LONG* error = nullptr) {
    HKEY k = nullptr;
    LONG r = RegOpenKeyExW(parent, path, 0, access, &k);
    if (error) *error = r;
    return Key(r == ERROR_SUCCESS ? k : nullptr);
}

}  // namespace vx::shellext
