#pragma once
// System handles released when their owner goes: kernel handles, icons and cursors.
#include <windows.h>

namespace vx::ui {

template <typename H, BOOL(WINAPI* Release)(H)>
class Owned {
public:
    Owned() = default;
    explicit Owned(H h) : h_(h) {}
    ~Owned() { reset(); }
    Owned(Owned&& other) noexcept : h_(other.release()) {}
    Owned& operator=(Owned&& other) noexcept {
        if (this != &other) reset(other.release());
        return *this;
    }
    Owned(const Owned&) = delete;
    Owned& operator=(const Owned&) = delete;

    H get() const { return h_; }
    explicit operator bool() const { return h_ != nullptr; }
    H release() {
        H h = h_;
        h_ = nullptr;
        return h;
    }
    void reset(H h = nullptr) {
        if (h_) Release(h_);
        h_ = h;
    }

private:
    H h_ = nullptr;
};

using Handle = Owned<HANDLE, CloseHandle>;
// An icon or cursor loaded from a file or a resource.
using IconHandle = Owned<HICON, DestroyIcon>;
using CursorHandle = Owned<HCURSOR, DestroyCursor>;

}  // namespace vx::ui
