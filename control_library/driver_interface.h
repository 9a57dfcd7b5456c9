// The function button driver's interface: device, control codes and the
// charge record.
#pragma once

#include <windows.h>
#include <winioctl.h>

#include <cstdint>

namespace kvf {

inline constexpr wchar_t kDevicePath[] = L"\\\\.\\KVFB";

// Waits for the next button report: no input, 4-byte report as output;
// pending until the driver has a report.
inline constexpr DWORD IOCTL_KVF_WAIT_BUTTON_EVENT =
    CTL_CODE(FILE_DEVICE_UNKNOWN, 0x98A, METHOD_BUFFERED, FILE_READ_ACCESS);
// Reads or sets a charge option: one KVF_CHARGE_REQUEST in and out. The
// driver answers it without waiting for anything, but may still pend it.
inline constexpr DWORD IOCTL_KVF_CHARGE_REQUEST =
    CTL_CODE(FILE_DEVICE_UNKNOWN, 0x98B, METHOD_BUFFERED, FILE_READ_ACCESS);
static_assert(IOCTL_KVF_WAIT_BUTTON_EVENT == 0x226628);
static_assert(IOCTL_KVF_CHARGE_REQUEST == 0x22662C);

struct KVF_CHARGE_REQUEST {
    uint32_t dwCommand;
    uint32_t dwValue;  // value to set; for a read, the current value
    uint32_t dwStatus; // 0 = success, else the driver's error code
};
static_assert(sizeof(KVF_CHARGE_REQUEST) == 12);

inline constexpr uint32_t KVF_CMD_GET_USB_CHARGE = 0;
inline constexpr uint32_t KVF_CMD_SET_USB_CHARGE = 1;
inline constexpr uint32_t KVF_CMD_GET_BATTERY_LIMIT = 2;
inline constexpr uint32_t KVF_CMD_SET_BATTERY_LIMIT = 3;

} // namespace kvf
