#include <windows.h>
#include <shellapi.h>

#include <algorithm>
#include <atomic>

#include "platform/terminal.h"
#include "platform/win32/wide.h"

namespace vx::terminal {

namespace {

std::atomic<bool> g_interrupted{false};

BOOL WINAPI on_control(DWORD event) {
    if (event == CTRL_C_EVENT || event == CTRL_BREAK_EVENT) {
        g_interrupted.store(true);
        return TRUE;
    }
    return FALSE;  // closing the console, logging off: the default handling
}

HANDLE handle_of(Stream s) {
    switch (s) {
        case Stream::input: return GetStdHandle(STD_INPUT_HANDLE);
        case Stream::output: return GetStdHandle(STD_OUTPUT_HANDLE);
        case Stream::error: break;
    }
    return GetStdHandle(STD_ERROR_HANDLE);
}

bool is_console(HANDLE h) {
    DWORD mode = 0;
    return h && h != INVALID_HANDLE_VALUE && GetConsoleMode(h, &mode) != 0;
}

// Sets a console's input mode for the life of the object, and the old one back after it.
class ConsoleMode {
public:
    ConsoleMode(HANDLE h, DWORD clear) : h_(h) {
        if (!GetConsoleMode(h_, &old_)) return;
        active_ = SetConsoleMode(h_, old_ & ~clear) != 0;
    }
    ~ConsoleMode() {
        if (active_) SetConsoleMode(h_, old_);
    }
    ConsoleMode(const ConsoleMode&) = delete;
    ConsoleMode& operator=(const ConsoleMode&) = delete;

private:
    HANDLE h_;
    DWORD old_ = 0;
    bool active_ = false;
};

std::optional<std::string> read_console_line(HANDLE in, bool echo) {
    ConsoleMode mode(in, echo ? 0 : ENABLE_ECHO_INPUT);
    std::wstring line;
    wchar_t buf[256];
    for (;;) {
        DWORD got = 0;
        BOOL ok = ReadConsoleW(in, buf, static_cast<DWORD>(std::size(buf)), &got, nullptr);
        if (!ok || got == 0) {
            // Ctrl-C ends the read before its handler has run on its own thread.
            Sleep(100);
            return std::nullopt;
        }
        if (interrupted()) return std::nullopt;
        line.append(buf, got);
        std::size_t end = line.find(L'\n');
        if (end != std::wstring::npos) {
            line.erase(end);
            break;
        }
    }
    if (!line.empty() && line.back() == L'\r') line.pop_back();
    return win32::narrow(line);
}

std::optional<std::string> read_file_line(HANDLE in) {
    std::string line;
    for (;;) {
        if (interrupted()) return std::nullopt;
        char c = 0;
        DWORD got = 0;
        if (!ReadFile(in, &c, 1, &got, nullptr) || got == 0) {
            if (line.empty()) return std::nullopt;
            break;
        }
        if (c == '\n') break;
        line += c;
    }
    if (!line.empty() && line.back() == '\r') line.pop_back();
    return line;
}

}  // namespace

bool is_terminal(Stream stream) { return is_console(handle_of(stream)); }

int width() {
    CONSOLE_SCREEN_BUFFER_INFO info;
    if (GetConsoleScreenBufferInfo(GetStdHandle(STD_ERROR_HANDLE), &info)) {
        int w = info.srWindow.Right - info.srWindow.Left + 1;
        if (w > 0) return w;
    }
    return 80;
}

bool write(Stream stream, const std::string& text) {
    HANDLE h = handle_of(stream);
    if (!h || h == INVALID_HANDLE_VALUE) return false;
    if (is_console(h)) {
        const std::wstring w = win32::widen(text);
        std::size_t done = 0;
        while (done < w.size()) {
            DWORD n = 0;
            DWORD want = static_cast<DWORD>(std::min<std::size_t>(w.size() - done, 8192));
            if (!WriteConsoleW(h, w.data() + done, want, &n, nullptr) || n == 0) return false;
            done += n;
        }
        return true;
    }
    std::size_t done = 0;
    while (done < text.size()) {
        DWORD n = 0;
        DWORD want = static_cast<DWORD>(std::min<std::size_t>(text.size() - done, 1 << 20));
        if (!WriteFile(h, text.data() + done, want, &n, nullptr) || n == 0) return false;
        done += n;
    }
    return true;
}

std::optional<std::string> read_line(bool echo) {
    HANDLE in = GetStdHandle(STD_INPUT_HANDLE);
    if (!in || in == INVALID_HANDLE_VALUE || interrupted()) return std::nullopt;
    return is_console(in) ? read_console_line(in, echo) : read_file_line(in);
}

void catch_interrupt() { SetConsoleCtrlHandler(on_control, TRUE); }

bool interrupted() { return g_interrupted.load(); }

std::vector<std::string> arguments(int argc, char** argv) {
    std::vector<std::string> args;
    int n = 0;
    LPWSTR* wide = CommandLineToArgvW(GetCommandLineW(), &n);
    if (wide) {
        for (int i = 0; i < n; ++i) args.push_back(win32::narrow(wide[i], wcslen(wide[i])));
        LocalFree(wide);
        return args;
    }
    for (int i = 0; i < argc; ++i) args.emplace_back(argv[i] ? argv[i] : "");
    return args;
}

}  // namespace vx::terminal
