// Owner of one kernel handle (file, event, mutex, process, thread, token,
// snapshot): closed with CloseHandle when the owner goes away or takes
// another. Both null and INVALID_HANDLE_VALUE count as empty, as the Win32
// calls return either for "no handle".
#pragma once

#include <windows.h>

#include <utility>

class UniqueHandle {
public:
    UniqueHandle() noexcept = default;
    explicit UniqueHandle(HANDLE handle) noexcept : handle_(handle) {}
    ~UniqueHandle() { reset(); }
    UniqueHandle(UniqueHandle &&other) noexcept : handle_(std::exchange(other.handle_, nullptr)) {}
    UniqueHandle &operator=(UniqueHandle &&other) noexcept
    {
        if (this != &other)
            reset(std::exchange(other.handle_, nullptr));
        return *this;
    }
    UniqueHandle(const UniqueHandle &) = delete;
    UniqueHandle &operator=(const UniqueHandle &) = delete;

    HANDLE get() const noexcept { return handle_; }
    bool valid() const noexcept { return handle_ != nullptr && handle_ != INVALID_HANDLE_VALUE; }
    explicit operator bool() const noexcept { return valid(); }

    void reset(HANDLE handle = nullptr) noexcept
    {
        if (valid())
            CloseHandle(handle_);
        handle_ = handle;
    }
    // Gives the handle up without closing it.
    HANDLE release() noexcept { return std::exchange(handle_, nullptr); }
    // For out parameters of Win32 calls: whatever was held is closed first.
    HANDLE *put() noexcept
    {
        reset();
        return &handle_;
    }

private:
    HANDLE handle_ = nullptr;
};
