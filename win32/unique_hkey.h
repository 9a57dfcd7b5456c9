// Owner of one open registry key: closed with RegCloseKey when the owner
// goes away, or earlier through close() by a caller that wants the result.
#pragma once

#include <windows.h>

class UniqueHKey {
public:
    UniqueHKey() noexcept = default;
    ~UniqueHKey() { close(); }
    UniqueHKey(const UniqueHKey &) = delete;
    UniqueHKey &operator=(const UniqueHKey &) = delete;

    HKEY get() const noexcept { return key_; }
    // For out parameters of RegOpenKeyExW and the like: whatever was open is
    // closed first.
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
