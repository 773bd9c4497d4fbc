#include "program.h"

#include <windows.h>

#include <vector>

#include "handles.h"

namespace vx::shellext {

namespace {

constexpr DWORD kMaxValueBytes = 4096;

std::optional<std::wstring> read_exe_path(HKEY key) {
    std::vector<wchar_t> data(kMaxValueBytes / sizeof(wchar_t));
    DWORD type = 0;
    DWORD bytes = kMaxValueBytes;
    LONG r = RegQueryValueExW(key, L"ExePath", nullptr, &type, reinterpret_cast<BYTE*>(data.data()),
                              &bytes);
    if (r != ERROR_SUCCESS || type != REG_SZ) return std::nullopt;
    // The text is what comes before the first zero unit inside the data; data without one is
    // not a string.
    const std::size_t units = bytes / sizeof(wchar_t);
    std::size_t n = 0;
    while (n < units && data[n] != L'\0') ++n;
    if (n == units || n == 0) return std::nullopt;
    return std::wstring(data.data(), n);
}

}  // namespace

std::optional<std::wstring> program_location() {
    for (const wchar_t* path :
         {L"Software\\Ostrand\\Vaultrix", L"Software\\Wow6432Node\\Ostrand\\Vaultrix"}) {
        if (Key key = open_key(HKEY_LOCAL_MACHINE, path, KEY_QUERY_VALUE))
            return read_exe_path(key.get());
    }
    return std::nullopt;
}

bool start_program(const std::wstring& program, const std::wstring& command_line) {
    std::wstring line = command_line;  // CreateProcessW may write into it
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION started{};
    if (!CreateProcessW(program.c_str(), line.data(), nullptr, nullptr, FALSE, CREATE_NEW_CONSOLE,
                        nullptr, nullptr, &startup, &started))
        return false;
    Handle process(started.hProcess), thread(started.hThread);
    return true;
}

}  // namespace vx::shellext
