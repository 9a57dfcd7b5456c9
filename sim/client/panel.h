// Client of the simulated driver's test control panel \\.\KVFBSIM.
// Every operation returns false on failure and keeps GetLastError().
#pragma once

#include <windows.h>
#include <winioctl.h>

#include <cstdint>

#include "kvfbsim_interface.h"
#include "win32/unique_handle.h"

namespace kvfbsim {

class Panel {
public:
    bool open();
    bool isOpen() const { return handle_.valid(); }

    bool injectReport(uint32_t report);
    bool failCharge(uint32_t kind, uint32_t value, uint32_t count = 1);
    bool failButton(uint32_t ntstatus, uint32_t count = 1);
    bool clearFailures();
    bool setMode(uint32_t mode);
    bool getStatus(KVFBSIM_STATUS &status);
    bool setEc(uint32_t usbCharge, uint32_t batteryLimit);
    // Charge requests pend this many milliseconds; 0 completes them at once.
    bool setChargeDelay(uint32_t milliseconds);
    // Counters to zero, queue and failures cleared, button mode pending,
    // charge delay 0.
    bool reset();

private:
    bool control(DWORD code, const void *in, DWORD inSize, void *out = nullptr, DWORD outSize = 0);
    bool setFailure(uint32_t target, uint32_t kind, uint32_t value, uint32_t count);

    UniqueHandle handle_;
};

// Button reports: bit 1 names the button (0 = A, 1 = B), bit 0 is its
// state; the simulated driver reports 1 for a pressed button.
constexpr uint32_t ButtonReport(bool buttonB, bool pressed)
{
    return (buttonB ? 2u : 0u) | (pressed ? 1u : 0u);
}

} // namespace kvfbsim
