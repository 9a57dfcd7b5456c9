// A timer of a window whose ticks go to a function of the object that owns
// it, not through the window's message table: the parts of a window that
// retry or poll keep their timers to themselves, and a timer id can never
// clash with another part's.
#pragma once

#include <windows.h>

#include <functional>

class CWindowTimer {
public:
    CWindowTimer() noexcept = default;
    ~CWindowTimer();
    CWindowTimer(const CWindowTimer &) = delete;
    CWindowTimer &operator=(const CWindowTimer &) = delete;

    // Calls tick every periodMs on the window's thread until Stop (a running
    // timer is restarted with the new period); false when Windows refused.
    bool Start(HWND window, UINT periodMs, std::function<void()> tick);
    void Stop() noexcept;
    bool Running() const noexcept { return m_hWnd != nullptr; }

private:
    static void CALLBACK OnTick(HWND window, UINT message, UINT_PTR id, DWORD time);

    HWND m_hWnd = nullptr;
    std::function<void()> m_tick;
};
