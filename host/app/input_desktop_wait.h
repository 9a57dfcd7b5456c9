// The wait for the input desktop at start-up (the lock screen or a UAC
// prompt may hold the input when the program starts at logon). It polls on
// a timer, so the window goes on answering messages meanwhile.
#pragma once

#include <windows.h>

#include <functional>

#include "app/window_timer.h"

class CInputDesktopWait {
public:
    // Whether the input desktop can be opened now.
    static bool InputDesktopOpens() noexcept;

    // Tries up to attempts more times, periodMs apart; done(found) is called
    // once, when the desktop opened or the last try failed. Nothing is
    // called after Stop.
    bool Start(HWND window, int attempts, UINT periodMs, std::function<void(bool found)> done);
    void Stop() noexcept { m_Timer.Stop(); }
    bool Waiting() const noexcept { return m_Timer.Running(); }

private:
    void Tick();

    CWindowTimer m_Timer;
    int m_nLeft = 0;
    std::function<void(bool)> m_Done;
};

// Whether this thread's desktop receives input. When the system cannot say,
// whether the input desktop could be opened answers for it.
bool ThreadDesktopReceivesInput(bool inputDesktopFound) noexcept;
