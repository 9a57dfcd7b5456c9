#include "app/session_notification.h"

#include <wtsapi32.h>

namespace {

// The services come up within the first minutes of a logon; after that a
// failure is no longer the logon's and trying on would not help.
constexpr UINT kRetryPeriodMs = 2000;
constexpr int kRetries = 150;

} // namespace

bool CSessionNotification::Register(HWND window)
{
    Unregister();
    m_hWnd = window;
    m_bRegistered = WTSRegisterSessionNotification(window, NOTIFY_FOR_THIS_SESSION) != FALSE;
    if (!m_bRegistered) {
        OutputDebugStringW(L"WTSRegisterSessionNotification failed; trying again\n");
        m_nTriesLeft = kRetries;
        m_Retry.Start(window, kRetryPeriodMs, [this] { Retry(); });
    }
    return m_bRegistered;
}

void CSessionNotification::Retry()
{
    m_bRegistered = WTSRegisterSessionNotification(m_hWnd, NOTIFY_FOR_THIS_SESSION) != FALSE;
    if (m_bRegistered || --m_nTriesLeft <= 0) {
        m_Retry.Stop();
        if (!m_bRegistered)
            OutputDebugStringW(L"WTSRegisterSessionNotification kept failing; no session changes\n");
    }
}

void CSessionNotification::Unregister() noexcept
{
    m_Retry.Stop();
    if (m_bRegistered && m_hWnd != nullptr && IsWindow(m_hWnd))
        WTSUnRegisterSessionNotification(m_hWnd);
    m_bRegistered = false;
}
