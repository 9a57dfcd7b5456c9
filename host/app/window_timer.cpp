#include "app/window_timer.h"

#include <algorithm>
#include <vector>

namespace {

// The timers of this thread that run: a tick that was already on its way
// when its timer stopped, or its owner went away, finds nobody.
thread_local std::vector<CWindowTimer *> t_running;

} // namespace

CWindowTimer::~CWindowTimer()
{
    Stop();
}

bool CWindowTimer::Start(HWND window, UINT periodMs, std::function<void()> tick)
{
    Stop();
    if (window == nullptr)
        return false;
    // The object's address is its timer id: unique among the window's timers.
    if (SetTimer(window, reinterpret_cast<UINT_PTR>(this), periodMs, OnTick) == 0)
        return false;
    m_hWnd = window;
    m_tick = std::move(tick);
    t_running.push_back(this);
    return true;
}

void CWindowTimer::Stop() noexcept
{
    if (m_hWnd == nullptr)
        return;
    KillTimer(m_hWnd, reinterpret_cast<UINT_PTR>(this));
    m_hWnd = nullptr;
    t_running.erase(std::remove(t_running.begin(), t_running.end(), this), t_running.end());
}

void CALLBACK CWindowTimer::OnTick(HWND window, UINT message, UINT_PTR id, DWORD time)
{
    (void)window;
    (void)message;
    (void)time;
    auto *timer = reinterpret_cast<CWindowTimer *>(id);
    if (std::find(t_running.begin(), t_running.end(), timer) == t_running.end())
        return;
    // The tick may stop or restart this timer: it runs on a copy.
    const std::function<void()> tick = timer->m_tick;
    if (tick)
        tick();
}
