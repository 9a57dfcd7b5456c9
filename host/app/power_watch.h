// Tells the main window when the power source or the battery changes:
// PBT_APMPOWERSTATUSCHANGE comes to every top-level window; the change of
// the power source (GUID_ACDC_POWER_SOURCE) comes where the system offers
// that notification. Both reach the window as WM_POWERBROADCAST.
#pragma once

#include <windows.h>

class CPowerWatch {
public:
    CPowerWatch() noexcept = default;
    ~CPowerWatch() { Stop(); }
    CPowerWatch(const CPowerWatch &) = delete;
    CPowerWatch &operator=(const CPowerWatch &) = delete;

    // Registers the window for the power source's changes; false when the
    // system does not offer them (the status broadcasts still come).
    bool Start(HWND window) noexcept;
    void Stop() noexcept;

    // Whether one WM_POWERBROADCAST says the power state may have changed.
    static bool IsPowerStateChange(WPARAM wParam, LPARAM lParam) noexcept;

private:
    HPOWERNOTIFY m_hNotify = nullptr;
};
