// Owner of one search handle of FindFirstFileW: closed with FindClose when
// the owner goes away. Both INVALID_HANDLE_VALUE (nothing found) and null
// count as empty.
#pragma once

#include <windows.h>

class UniqueFind {
public:
    explicit UniqueFind(HANDLE handle) noexcept : handle_(handle) {}
    ~UniqueFind()
    {
        if (valid())
            FindClose(handle_);
    }
    UniqueFind(const UniqueFind &) = delete;
    UniqueFind &operator=(const UniqueFind &) = delete;

    HANDLE get() const noexcept { return handle_; }
    bool valid() const noexcept { return handle_ != INVALID_HANDLE_VALUE && handle_ != nullptr; }

private:
    HANDLE handle_;
};
