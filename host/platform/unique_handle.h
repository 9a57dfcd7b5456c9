// Owning wrappers of the host's kernel handles and registry keys: closed
// when the owner goes away, so every early return lets go of what it took.
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
    HANDLE release() noexcept { return std::exchange(handle_, nullptr); }

private:
    HANDLE handle_ = nullptr;
};

class UniqueHKey {
public:
    UniqueHKey() noexcept = default;
    ~UniqueHKey() { close(); }
    UniqueHKey(const UniqueHKey &) = delete;
    UniqueHKey &operator=(const UniqueHKey &) = delete;

    HKEY get() const noexcept { return key_; }
    HKEY *put() noexcept
    {
        close();
        return &key_;
    }
    // The result of RegCloseKey; ERROR_SUCCESS when nothing was open.
    LSTATUS close() noexcept
    {
        const LSTATUS status = key_ != nullptr ? RegCloseKey(key_) : ERROR_SUCCESS;
        key_ = nullptr;
        return status;
    }

private:
    HKEY key_ = nullptr;
};
