// Tells the main window when the function button device comes and goes:
// the arrival and removal of its device interface reach the window as
// WM_DEVICECHANGE.
#pragma once

#include <windows.h>

class CDeviceWatch {
public:
    enum class Event { None, Arrived, Removed };

    CDeviceWatch() noexcept = default;
    ~CDeviceWatch() { Stop(); }
    CDeviceWatch(const CDeviceWatch &) = delete;
    CDeviceWatch &operator=(const CDeviceWatch &) = delete;

    // Registers the window for the device's interface; false when the
    // system refused (the program then only recovers after a resume).
    bool Start(HWND window) noexcept;
    void Stop() noexcept;

    // What one WM_DEVICECHANGE says about the function button device.
    static Event Classify(WPARAM wParam, LPARAM lParam) noexcept;

private:
    HDEVNOTIFY m_hNotify = nullptr;
};
