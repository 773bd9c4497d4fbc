#include "registration.h"

#include <string>

#include "handles.h"
#include "platform/win32/wide.h"
#include "registrar.h"
#include "resources.h"
#include "server.h"

namespace vx::shellext {

namespace {

constexpr wchar_t kApprovedKey[] =
    L"Software\\Microsoft\\Windows\\CurrentVersion\\Shell Extensions\\Approved";
constexpr wchar_t kApprovedData[] = L"Vaultrix";

// The class's registry script, from the library's resources; empty when it is missing.
std::string class_script() {
    HMODULE module = this_module();
    HRSRC found = FindResourceW(module, MAKEINTRESOURCEW(IDR_CRYPTSHELL), L"REGISTRY");
    if (!found) return std::string();
    HGLOBAL loaded = LoadResource(module, found);
    const void* data = loaded ? LockResource(loaded) : nullptr;
    if (!data) return std::string();
    return std::string(static_cast<const char*>(data), SizeofResource(module, found));
}

// The library's full path, however long.
std::wstring module_path() {
    std::wstring path(MAX_PATH, L'\0');
    while (true) {
        DWORD n = GetModuleFileNameW(this_module(), path.data(), static_cast<DWORD>(path.size()));
        if (n == 0) return std::wstring();
        if (n < path.size()) {
            path.resize(n);
            return path;
        }
        path.resize(path.size() * 2);
    }
}

HRESULT apply_class_script(Direction direction) {
    const std::string script = class_script();
    if (script.empty()) return E_UNEXPECTED;
    const std::wstring module = module_path();
    if (module.empty()) return HRESULT_FROM_WIN32(GetLastError());
    return apply_script(script, {{"MODULE", win32::narrow(module)}}, direction);
}

}  // namespace

HRESULT register_server() {
    try {
        {
            Key approved = open_key(HKEY_LOCAL_MACHINE, kApprovedKey, KEY_SET_VALUE);
            if (!approved) return E_ACCESSDENIED;
            LONG r =
                RegSetValueExW(approved.get(), kCryptShellClsidText, 0, REG_SZ,
                               reinterpret_cast<const BYTE*>(kApprovedData), sizeof kApprovedData);
            if (r != ERROR_SUCCESS) return E_ACCESSDENIED;
        }
        // The class has no component categories, and the type library is not registered.
        return apply_class_script(Direction::install);
    } catch (...) {
        return E_OUTOFMEMORY;
    }
}

HRESULT unregister_server() {
    try {
        if (Key approved = open_key(HKEY_LOCAL_MACHINE, kApprovedKey, KEY_SET_VALUE))
            RegDeleteValueW(approved.get(), kCryptShellClsidText);
        return apply_class_script(Direction::remove);
    } catch (...) {
        return E_OUTOFMEMORY;
    }
}

}  // namespace vx::shellext
