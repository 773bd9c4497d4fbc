// A stand-in for Vaultrix.exe in the launch tests: writes the command line it was given (UTF-16,
// exactly as the process sees it) into the file named by VX_PROBE_OUT, whole or not at all, and
// ends.
#include <windows.h>

#include <string>

int main() {
    wchar_t out[32768] = {};
    if (GetEnvironmentVariableW(L"VX_PROBE_OUT", out, 32768) == 0) return 2;
    const std::wstring target(out);
    const std::wstring part = target + L".part";
    const wchar_t* line = GetCommandLineW();
    HANDLE f = CreateFileW(part.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (f == INVALID_HANDLE_VALUE) return 3;
    DWORD written = 0;
    const DWORD bytes = static_cast<DWORD>(lstrlenW(line) * sizeof(wchar_t));
    const bool ok = WriteFile(f, line, bytes, &written, nullptr) && written == bytes;
    CloseHandle(f);
    if (!ok || !MoveFileExW(part.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING)) return 4;
    return 0;
}
