#include "registrar.h"

#include "handles.h"
#include "platform/win32/wide.h"

namespace vx::shellext {

namespace {

constexpr REGSAM kAccess = KEY_READ | KEY_WRITE | DELETE;

HRESULT from_win32(LONG error) { return HRESULT_FROM_WIN32(static_cast<DWORD>(error)); }

bool gone(LONG error) { return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND; }

HKEY root_key(const std::string& name) {
    for (const char* n : {"HKCR", "HKEY_CLASSES_ROOT"}) {
        if (name == n) return HKEY_CLASSES_ROOT;
    }
    return nullptr;
}

HRESULT set_string(HKEY key, const ScriptValue& v) {
    const std::wstring name = win32::widen(v.name);
    const std::wstring data = win32::widen(v.data);
    const DWORD bytes = static_cast<DWORD>((data.size() + 1) * sizeof(wchar_t));
    LONG r = RegSetValueExW(key, v.name.empty() ? nullptr : name.c_str(), 0, REG_SZ,
                            reinterpret_cast<const BYTE*>(data.c_str()), bytes);
    return r == ERROR_SUCCESS ? S_OK : from_win32(r);
}

HRESULT install(HKEY parent, const ScriptKey& k) {
    const std::wstring name = win32::widen(k.name);
    if (k.kind == ScriptKey::Kind::force_remove) {
        LONG r = RegDeleteTreeW(parent, name.c_str());
        if (r != ERROR_SUCCESS && !gone(r)) return from_win32(r);
    }
    HKEY raw = nullptr;
    LONG r = RegCreateKeyExW(parent, name.c_str(), 0, nullptr, 0, kAccess, nullptr, &raw, nullptr);
    if (r != ERROR_SUCCESS) return from_win32(r);
    Key key(raw);
    for (const auto& v : k.values) {
        HRESULT hr = set_string(key.get(), v);
        if (FAILED(hr)) return hr;
    }
    for (const auto& sub : k.keys) {
        HRESULT hr = install(key.get(), sub);
        if (FAILED(hr)) return hr;
    }
    return S_OK;
}

HRESULT remove(HKEY parent, const ScriptKey& k) {
    const std::wstring name = win32::widen(k.name);
    if (k.kind == ScriptKey::Kind::force_remove) {
        LONG r = RegDeleteTreeW(parent, name.c_str());
        return r == ERROR_SUCCESS || gone(r) ? S_OK : from_win32(r);
    }
    LONG r = ERROR_SUCCESS;
    Key key = open_key(parent, name.c_str(), kAccess, &r);
    if (!key) return gone(r) ? S_OK : from_win32(r);
    for (const auto& sub : k.keys) {
        HRESULT hr = remove(key.get(), sub);
        if (FAILED(hr)) return hr;
    }
    if (k.kind == ScriptKey::Kind::no_remove) return S_OK;

    // A plain key goes once nothing but what the script wrote was in it.
    for (const auto& v : k.values) {
        const std::wstring value = win32::widen(v.name);
        RegDeleteValueW(key.get(), v.name.empty() ? nullptr : value.c_str());
    }
    DWORD subkeys = 0, values = 0;
    r = RegQueryInfoKeyW(key.get(), nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, &values,
                         nullptr, nullptr, nullptr, nullptr);
    if (r != ERROR_SUCCESS) return from_win32(r);
    key.reset();
    if (subkeys != 0 || values != 0) return S_OK;
    r = RegDeleteKeyW(parent, name.c_str());
    return r == ERROR_SUCCESS || gone(r) ? S_OK : from_win32(r);
}

}  // namespace

HRESULT apply_script(const std::string& text, const Replacements& replacements,
                     Direction direction) {
    auto roots = parse_script(text, replacements);
    if (!roots) return E_UNEXPECTED;
    for (const auto& root : *roots) {
        if (!root_key(root.name) || root.kind != ScriptKey::Kind::plain || !root.values.empty())
            return E_UNEXPECTED;
    }
    for (const auto& root : *roots) {
        for (const auto& k : root.keys) {
            HRESULT hr = direction == Direction::install ? install(root_key(root.name), k)
                                                         : remove(root_key(root.name), k);
            if (FAILED(hr)) return hr;
        }
    }
    return S_OK;
}

}  // namespace vx::shellext
