#pragma once
// A kernel handle closed when the object goes.
#include <windows.h>

namespace vx::ui {

class Handle {
public:
    Handle() = default;
    explicit Handle(HANDLE h) : h_(h) {}
    ~Handle() { reset(); }
    Handle(Handle&& other) noexcept : h_(other.release()) {}
    Handle& operator=(Handle&& other) noexcept {
        if (this != &other) reset(other.release());
        return *this;
    }
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;

    HANDLE get() const { return h_; }
    explicit operator bool() const { return h_ != nullptr; }
    HANDLE release() {
        HANDLE h = h_;
        h_ = nullptr;
        return h;
    }
    void reset(HANDLE h = nullptr) {
        if (h_) CloseHandle(h_);
        h_ = h;
    }

private:
    HANDLE h_ = nullptr;
};

}  // namespace vx::ui
