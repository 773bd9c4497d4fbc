#include <windows.h>

#include <algorithm>

#include "platform/fs.h"
#include "platform/path.h"
#include "platform/process.h"
#include "platform/win32/wide.h"

namespace vx::process {

namespace {

constexpr DWORD kPollMs = 20;

class Handle {
public:
    explicit Handle(HANDLE h = nullptr) : h_(h) {}
    ~Handle() { reset(); }
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;
    HANDLE get() const { return h_; }
    void reset(HANDLE h = nullptr) {
        if (h_ && h_ != INVALID_HANDLE_VALUE) CloseHandle(h_);
        h_ = h;
    }

private:
    HANDLE h_;
};

// Reads what the pipe holds now; true when there was something.
bool drain(HANDLE pipe, std::string& out) {
    bool got = false;
    char buf[16384];
    for (;;) {
        DWORD waiting = 0;
        if (!PeekNamedPipe(pipe, nullptr, 0, nullptr, &waiting, nullptr) || waiting == 0) break;
        DWORD n = 0;
        DWORD want = std::min<DWORD>(waiting, sizeof buf);
        if (!ReadFile(pipe, buf, want, &n, nullptr) || n == 0) break;
        out.append(buf, n);
        got = true;
    }
    return got;
}

}  // namespace

Result run_hidden(const std::string& command_line, const std::function<bool()>& stop) {
    Result result;
    SECURITY_ATTRIBUTES sa{};
    sa.nLength = sizeof sa;
    sa.lpSecurityDescriptor = nullptr;
    sa.bInheritHandle = TRUE;
    HANDLE r = nullptr;
    HANDLE w = nullptr;
    if (!CreatePipe(&r, &w, &sa, 0)) return result;
    Handle read_end(r);
    Handle write_end(w);
    // Only the write end goes to the child.
    if (!SetHandleInformation(r, HANDLE_FLAG_INHERIT, 0)) return result;

    STARTUPINFOW si{};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESHOWWINDOW | STARTF_USESTDHANDLES;
    si.wShowWindow = SW_HIDE;
    si.hStdInput = nullptr;
    si.hStdOutput = w;
    si.hStdError = w;
    PROCESS_INFORMATION pi{};
    std::wstring cmd = win32::widen(command_line);  // CreateProcessW may write to it
    if (!CreateProcessW(nullptr, cmd.data(), nullptr, nullptr, TRUE, CREATE_NEW_CONSOLE, nullptr,
                        nullptr, &si, &pi)) {
        return result;
    }
    Handle child(pi.hProcess);
    Handle thread(pi.hThread);
    write_end.reset();

    for (;;) {
        bool got = drain(r, result.output);
        // While output flows the pipe is emptied again at once; otherwise wait a little.
        DWORD wait = WaitForSingleObject(child.get(), got ? 0 : kPollMs);
        if (wait == WAIT_OBJECT_0 || wait == WAIT_FAILED) break;
        if (stop && stop()) {
            TerminateProcess(child.get(), 1);
            WaitForSingleObject(child.get(), INFINITE);
            result.end = End::stopped;
            return result;
        }
    }
    drain(r, result.output);
    DWORD code = 0;
    result.end = End::exited;
    result.exit_code = GetExitCodeProcess(child.get(), &code) ? static_cast<int>(code) : -1;
    return result;
}

std::string companion_program(const std::string& stem) {
    return path::join(fs::program_directory(), stem + ".exe");
}

bool make_work_directory(const std::string& path) {
    if (path.empty()) return false;
    std::wstring p = win32::file_api_path(path);
    if (CreateDirectoryW(p.c_str(), nullptr)) return true;
    if (GetLastError() != ERROR_ALREADY_EXISTS) return false;
    DWORD a = GetFileAttributesW(p.c_str());
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY) &&
           !(a & FILE_ATTRIBUTE_REPARSE_POINT);
}

bool set_environment_variable(const std::string& name, const std::optional<std::string>& value) {
    std::wstring v = value ? win32::widen(*value) : std::wstring();
    return SetEnvironmentVariableW(win32::widen(name).c_str(), value ? v.c_str() : nullptr) != 0;
}

}  // namespace vx::process
