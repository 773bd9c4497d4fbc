#include <windows.h>

#include <vector>

#include "platform/fs.h"
#include "platform/path.h"
#include "platform/win32/wide.h"

namespace vx::fs {

using win32::file_api_path;
using win32::narrow;
using win32::widen;

std::optional<std::uint32_t> attributes(const std::string& path) {
    if (path.empty()) return std::nullopt;
    DWORD a = GetFileAttributesW(file_api_path(path).c_str());
    if (a == INVALID_FILE_ATTRIBUTES) return std::nullopt;
    return static_cast<std::uint32_t>(a);
}

bool exists(const std::string& path) { return attributes(path).has_value(); }

bool is_directory(const std::string& path) {
    auto a = attributes(path);
    return a && (*a & kDirectory);
}

bool remove_file(const std::string& path) { return DeleteFileW(file_api_path(path).c_str()) != 0; }

bool rename(const std::string& from, const std::string& to, bool replace) {
    return MoveFileExW(file_api_path(from).c_str(), file_api_path(to).c_str(),
                       replace ? MOVEFILE_REPLACE_EXISTING : 0) != 0;
}

bool create_directory(const std::string& path) {
    return !path.empty() && CreateDirectoryW(file_api_path(path).c_str(), nullptr) != 0;
}

bool remove_directory(const std::string& path) {
    return RemoveDirectoryW(file_api_path(path).c_str()) != 0;
}

struct DirectoryReader::Impl {
    HANDLE find = INVALID_HANDLE_VALUE;
    WIN32_FIND_DATAW first{};
    bool have_first = false;
    bool empty = false;  // a folder in which the pattern matches nothing at all
    ~Impl() { close(); }
    void close() {
        if (find != INVALID_HANDLE_VALUE) FindClose(find);
        find = INVALID_HANDLE_VALUE;
        have_first = false;
        empty = false;
    }
};

DirectoryReader::DirectoryReader() : impl_(std::make_unique<Impl>()) {}
DirectoryReader::~DirectoryReader() = default;

bool DirectoryReader::open(const std::string& folder) {
    impl_->close();
    std::wstring pattern = file_api_path(path::add_trailing_separator(folder)) + L"*";
    impl_->find = FindFirstFileW(pattern.c_str(), &impl_->first);
    impl_->have_first = impl_->find != INVALID_HANDLE_VALUE;
    if (!impl_->have_first && GetLastError() == ERROR_FILE_NOT_FOUND) {
        // A drive root has no "." and "..": when it is empty, nothing matches, and that is an
        // empty listing, not a failure.
        DWORD a = GetFileAttributesW(file_api_path(folder).c_str());
        impl_->empty = a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
        return impl_->empty;
    }
    return impl_->have_first;
}

DirectoryReader::Next DirectoryReader::next(DirEntry& out) {
    if (impl_->empty) return Next::end;
    if (impl_->find == INVALID_HANDLE_VALUE) return Next::error;
    WIN32_FIND_DATAW data;
    if (impl_->have_first) {
        data = impl_->first;
        impl_->have_first = false;
    } else if (!FindNextFileW(impl_->find, &data)) {
        return GetLastError() == ERROR_NO_MORE_FILES ? Next::end : Next::error;
    }
    out.name = narrow(data.cFileName);
    out.attributes = data.dwFileAttributes;
    return Next::entry;
}

std::optional<FileId> identity(const std::string& path) {
    // Backup semantics open folders too; following links gives the folder a link leads to.
    HANDLE h = CreateFileW(file_api_path(path).c_str(), 0,
                           FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                           OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (h == INVALID_HANDLE_VALUE) return std::nullopt;
    BY_HANDLE_FILE_INFORMATION info;
    BOOL ok = GetFileInformationByHandle(h, &info);
    CloseHandle(h);
    if (!ok) return std::nullopt;
    return FileId{info.dwVolumeSerialNumber,
                  (static_cast<std::uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow};
}

std::optional<std::string> environment_variable(const std::string& name) {
    std::wstring wname = widen(name);
    DWORD n = GetEnvironmentVariableW(wname.c_str(), nullptr, 0);
    if (n == 0) {
        if (GetLastError() == ERROR_ENVVAR_NOT_FOUND) return std::nullopt;
        return std::string();
    }
    std::vector<wchar_t> buf(n);
    n = GetEnvironmentVariableW(wname.c_str(), buf.data(), static_cast<DWORD>(buf.size()));
    return narrow(buf.data(), n);
}

std::string program_directory() {
    std::vector<wchar_t> buf(MAX_PATH);
    for (;;) {
        DWORD n = GetModuleFileNameW(nullptr, buf.data(), static_cast<DWORD>(buf.size()));
        if (n == 0) return std::string();
        if (n < buf.size()) {
            std::string exe = narrow(buf.data(), n);
            if (exe.rfind("\\\\?\\", 0) == 0) exe.erase(0, 4);
            return path::remove_trailing_separator(path::folder(exe));
        }
        buf.resize(buf.size() * 2);
    }
}

std::string working_directory() {
    DWORD n = GetCurrentDirectoryW(0, nullptr);
    std::vector<wchar_t> buf(n + 1);
    n = GetCurrentDirectoryW(static_cast<DWORD>(buf.size()), buf.data());
    return narrow(buf.data(), n);
}

bool set_working_directory(const std::string& path) {
    return SetCurrentDirectoryW(widen(path).c_str()) != 0;
}

std::string temp_directory() {
    wchar_t buf[MAX_PATH + 2];
    DWORD n = GetTempPathW(MAX_PATH + 2, buf);
    if (n == 0 || n > MAX_PATH + 1) return "C:\\Windows\\Temp";
    return path::remove_trailing_separator(narrow(buf, n));
}

std::uint32_t process_id() { return GetCurrentProcessId(); }

}  // namespace vx::fs
