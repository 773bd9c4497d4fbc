#include <windows.h>

#include <cwchar>

#include "platform/shared_memory.h"
#include "platform/win32/wide.h"

namespace vx {

namespace {

HANDLE as_handle(std::intptr_t h) { return reinterpret_cast<HANDLE>(h); }

}  // namespace

SharedMemory::SharedMemory(SharedMemory&& other) noexcept
    : handle_(other.handle_), view_(other.view_), owner_(other.owner_),
      name_(std::move(other.name_)) {
    other.handle_ = -1;
    other.view_ = nullptr;
    other.owner_ = false;
}

SharedMemory& SharedMemory::operator=(SharedMemory&& other) noexcept {
    if (this != &other) {
        close();
        handle_ = other.handle_;
        view_ = other.view_;
        owner_ = other.owner_;
        name_ = std::move(other.name_);
        other.handle_ = -1;
        other.view_ = nullptr;
        other.owner_ = false;
    }
    return *this;
}

SharedMemory::Made SharedMemory::create(const std::string& name) {
    close();
    // Backed by the paging file, default security, not inheritable; the system fills it with
    // zeros.
    SetLastError(ERROR_SUCCESS);
    HANDLE h = CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0,
                                  static_cast<DWORD>(kSize), win32::widen(name).c_str());
    DWORD error = GetLastError();
    if (h == nullptr) {
        // Another kind of object (an event, a mutex...) holds the name.
        return error == ERROR_INVALID_HANDLE ? Made::name_taken : Made::create_failed;
    }
    if (error == ERROR_ALREADY_EXISTS) {
        // Somebody else's mapping: the handle we were given is to their object.
        CloseHandle(h);
        return Made::name_taken;
    }
    void* view = MapViewOfFile(h, FILE_MAP_ALL_ACCESS, 0, 0, kSize);
    if (view == nullptr) {
        CloseHandle(h);
        return Made::map_failed;
    }
    handle_ = reinterpret_cast<std::intptr_t>(h);
    view_ = view;
    owner_ = true;
    name_ = name;
    return Made::made;
}

SharedMemory::Opened SharedMemory::open(const std::string& name) {
    close();
    // Block names are plain ASCII, the same in every code page.
    HANDLE h = OpenFileMappingA(FILE_MAP_ALL_ACCESS, FALSE, name.c_str());
    if (h == nullptr) return Opened::open_failed;
    // The view fails when the object is smaller than kSize.
    void* view = MapViewOfFile(h, FILE_MAP_ALL_ACCESS, 0, 0, kSize);
    if (view == nullptr) {
        CloseHandle(h);
        return Opened::map_failed;
    }
    handle_ = reinterpret_cast<std::intptr_t>(h);
    view_ = view;
    owner_ = false;
    name_ = name;
    return Opened::opened;
}

void SharedMemory::close() {
    if (view_) UnmapViewOfFile(view_);
    if (handle_ != -1) CloseHandle(as_handle(handle_));
    handle_ = -1;
    view_ = nullptr;
    owner_ = false;
    name_.clear();
}

void SharedMemory::release() {
    // Deliberately leaked: the view and the handle stay open, and with them the block, until the
    // process ends.
    handle_ = -1;
    view_ = nullptr;
    owner_ = false;
    name_.clear();
}

void SharedMemory::discard(const std::string&) {}

std::string fresh_shared_memory_name() {
    // "\s1f8." then "\s1f8.1", "\s1f8.2"...: a new name at every call in this process.
    const wchar_t* tmp = _wtmpnam(nullptr);
    if (tmp == nullptr || tmp[0] == L'\0') return std::string();
    std::wstring rest(tmp + 1);
    // A C runtime that puts its temporary names into the temp folder gives a whole path; only
    // its last part is a name without "\".
    std::size_t slash = rest.find_last_of(L"\\/");
    if (slash != std::wstring::npos) rest.erase(0, slash + 1);
    if (rest.empty()) return std::string();
    return "Global" + win32::narrow(rest);
}

}  // namespace vx
