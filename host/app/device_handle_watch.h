// The main window's registration on the device handle of the control
// library's session: Windows asks the holders of a device handle that
// registered for it before it disables, updates or removes the device, and
// a handle whose holder did not register keeps the device (the change then
// waits for a restart).
#pragma once

#include <windows.h>

class CDeviceHandleWatch {
public:
    enum class Event { None, QueryRemove, QueryRemoveFailed, Removed };

    CDeviceHandleWatch() noexcept = default;
    ~CDeviceHandleWatch() { Stop(); }
    CDeviceHandleWatch(const CDeviceHandleWatch &) = delete;
    CDeviceHandleWatch &operator=(const CDeviceHandleWatch &) = delete;

    // Registers the window on the session's device handle (a registration
    // held before is ended first); false without a session, or when the
    // system refused (a removal then waits for the program's end).
    bool Start(HWND window) noexcept;
    void Stop() noexcept;

    // What one WM_DEVICECHANGE says about the device handle; None while no
    // registration is held.
    Event Classify(WPARAM wParam, LPARAM lParam) const noexcept;

private:
    HDEVNOTIFY m_hNotify = nullptr;
};
