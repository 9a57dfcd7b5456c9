// The window's registration for session changes (connect, disconnect).
// Early in a logon the Remote Desktop Services are not all up yet and the
// registration fails (RPC_S_INVALID_BINDING): it is tried again on a timer.
#pragma once

#include <windows.h>

#include "app/window_timer.h"

class CSessionNotification {
public:
    CSessionNotification() noexcept = default;
    ~CSessionNotification() { Unregister(); }
    CSessionNotification(const CSessionNotification &) = delete;
    CSessionNotification &operator=(const CSessionNotification &) = delete;

    // Registers now, or keeps trying for a while; true when registered now.
    bool Register(HWND window);
    void Unregister() noexcept;
    bool Registered() const noexcept { return m_bRegistered; }

private:
    void Retry();

    HWND m_hWnd = nullptr;
    bool m_bRegistered = false;
    int m_nTriesLeft = 0;
    CWindowTimer m_Retry;
};
