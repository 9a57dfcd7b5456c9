#include "app/input_desktop_wait.h"

#include <utility>

namespace {

// GetUserObjectInformationW index of the "receives input" flag.
constexpr int kUoiIo = 6;

} // namespace

bool CInputDesktopWait::InputDesktopOpens() noexcept
{
    HDESK desktop = OpenInputDesktop(0, FALSE, DESKTOP_READOBJECTS);
    if (desktop == nullptr)
        return false;
    CloseDesktop(desktop);
    return true;
}

bool CInputDesktopWait::Start(HWND window, int attempts, UINT periodMs, std::function<void(bool)> done)
{
    m_nLeft = attempts;
    m_Done = std::move(done);
    return m_Timer.Start(window, periodMs, [this] { Tick(); });
}

void CInputDesktopWait::Tick()
{
    const bool found = InputDesktopOpens();
    if (!found && --m_nLeft > 0)
        return;
    m_Timer.Stop();
    // The handler may start another wait: it runs on a copy.
    const std::function<void(bool)> done = std::move(m_Done);
    if (done)
        done(found);
}

bool ThreadDesktopReceivesInput(bool inputDesktopFound) noexcept
{
    const HDESK desktop = GetThreadDesktop(GetCurrentThreadId());
    if (desktop == nullptr)
        return false;
    DWORD receivesInput = 0;
    DWORD needed = 0;
    if (!GetUserObjectInformationW(desktop, kUoiIo, &receivesInput, sizeof(receivesInput), &needed))
        return inputDesktopFound;
    return receivesInput == 1;
}
