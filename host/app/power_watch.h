// Tells the main window when the power source or the battery changes:
// PBT_APMPOWERSTATUSCHANGE comes to every top-level window, but in steps of
// a few percent and not necessarily when the battery reaches full; the
// power source (GUID_ACDC_POWER_SOURCE) and the battery's percentage
// (GUID_BATTERY_PERCENTAGE_REMAINING) come to a window registered for
// them, each with its current value right after the registration and then
// on every change. All reach the window as WM_POWERBROADCAST.
#pragma once

#include <windows.h>

#include <memory>

class CPowerWatch {
public:
    // Registers the window for the power source's and the battery's
    // changes; false when the system does not offer one of them (the status
    // broadcasts still come).
    bool Start(HWND window) noexcept;
    void Stop() noexcept;

    // Whether one WM_POWERBROADCAST may have changed what ends a one-time
    // full charge: a status broadcast, a change of the power source, or the
    // battery's percentage reaching full.
    static bool IsPowerStateChange(WPARAM wParam, LPARAM lParam) noexcept;

private:
    struct Unregister {
        void operator()(void *notify) const noexcept { UnregisterPowerSettingNotification(notify); }
    };
    using Registration = std::unique_ptr<void, Unregister>;

    Registration m_Source;
    Registration m_Battery;
};
