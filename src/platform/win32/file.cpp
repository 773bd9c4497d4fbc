#include <windows.h>

#include <algorithm>

#include "platform/file.h"
#include "platform/win32/wide.h"

namespace vx {

namespace {
HANDLE as_handle(std::intptr_t h) { return reinterpret_cast<HANDLE>(h); }
constexpr std::intptr_t kClosed = -1;  // INVALID_HANDLE_VALUE
}  // namespace

bool File::open(const std::string& path, Access access, Disposition disposition) {
    close();
    DWORD desired = access == Access::read_shared ? GENERIC_READ : GENERIC_WRITE;
    DWORD share = access == Access::read_shared ? FILE_SHARE_READ : 0;
    DWORD how = disposition == Disposition::open_existing   ? OPEN_EXISTING
                : disposition == Disposition::create_always ? CREATE_ALWAYS
                                                            : OPEN_ALWAYS;
    HANDLE h = CreateFileW(win32::file_api_path(path).c_str(), desired, share, nullptr, how,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    handle_ = reinterpret_cast<std::intptr_t>(h);
    return true;
}

bool File::is_open() const { return handle_ != kClosed; }

void File::close() {
    if (is_open()) CloseHandle(as_handle(handle_));
    handle_ = kClosed;
}

bool File::seek(std::int64_t offset, Origin origin) {
    if (!is_open()) return false;
    LARGE_INTEGER distance;
    distance.QuadPart = offset;
    DWORD method = origin == Origin::begin ? FILE_BEGIN
                   : origin == Origin::current ? FILE_CURRENT
                                               : FILE_END;
    return SetFilePointerEx(as_handle(handle_), distance, nullptr, method) != 0;
}

bool File::read(void* data, std::size_t n, std::size_t& got) {
    got = 0;
    if (!is_open()) return false;
    auto* p = static_cast<char*>(data);
    while (got < n) {
        DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(n - got, 1u << 30));
        DWORD r = 0;
        if (!ReadFile(as_handle(handle_), p + got, chunk, &r, nullptr)) return false;
        if (r == 0) break;
        got += r;
    }
    return true;
}

bool File::write(const void* data, std::size_t n) {
    if (!is_open()) return false;
    auto* p = static_cast<const char*>(data);
    std::size_t done = 0;
    while (done < n) {
        DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(n - done, 1u << 30));
        DWORD w = 0;
        if (!WriteFile(as_handle(handle_), p + done, chunk, &w, nullptr) || w == 0) return false;
        done += w;
    }
    return true;
}

std::optional<std::uint64_t> File::size() const {
    LARGE_INTEGER s;
    if (!is_open() || !GetFileSizeEx(as_handle(handle_), &s)) return std::nullopt;
    return static_cast<std::uint64_t>(s.QuadPart);
}

}  // namespace vx
