// Owning search handle of FindFirstFileW: closed when the owner goes away.
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

    bool valid() const noexcept { return handle_ != INVALID_HANDLE_VALUE && handle_ != nullptr; }

private:
    HANDLE handle_;
};
