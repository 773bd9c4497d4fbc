// Keeps the Wine desktop up while the GUI tests run. Wine's desktop process starts with the first
// program that needs the desktop, takes that program's X display, and quits a moment after the
// last such program has ended; each GUI test case is a program of its own, so without a program
// that outlives them all, every case would wait for a desktop to go down and another to come up.
// Started by scripts/run-tests on the tests' display, ended by it afterwards.
#include <windows.h>

#include <cstdio>

int main() {
    HWND window = CreateWindowExW(0, L"STATIC", L"Vaultrix test desktop", WS_POPUP, 0, 0, 1, 1,
                                  nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    if (!window) {
        std::printf("no desktop\n");
        return 1;
    }
    std::printf("ready\n");
    std::fflush(stdout);
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) DispatchMessageW(&msg);
    return 0;
}
