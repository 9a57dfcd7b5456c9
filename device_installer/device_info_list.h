// Owner of a device information set. Destroying it keeps the thread's
// last-error code: that code tells why the work done with the set failed.
#pragma once

#include <windows.h>

#include <setupapi.h>

namespace kivodevinst {

class DeviceInfoList {
public:
    explicit DeviceInfoList(HDEVINFO set) noexcept : set_(set) {}
    ~DeviceInfoList()
    {
        if (valid()) {
            const DWORD error = GetLastError();
            SetupDiDestroyDeviceInfoList(set_);
            SetLastError(error);
        }
    }
    DeviceInfoList(const DeviceInfoList &) = delete;
    DeviceInfoList &operator=(const DeviceInfoList &) = delete;

    bool valid() const noexcept { return set_ != INVALID_HANDLE_VALUE; }
    HDEVINFO get() const noexcept { return set_; }

private:
    HDEVINFO set_;
};

} // namespace kivodevinst
