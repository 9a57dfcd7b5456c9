#include "app/notify_icon.h"

#include <shellapi.h>
#include <strsafe.h>

#include <initializer_list>

namespace {

// Registered by the shell; broadcast when the taskbar is created.
UINT TaskbarCreatedMessage() noexcept
{
    static const UINT message = RegisterWindowMessageW(L"TaskbarCreated");
    return message;
}

// A taskbar that is not ready yet (a logon's Run key starts us early) or
// busy gets the icon again this often until it takes it.
constexpr UINT kAddRetryMs = 2000;

// The program runs with UI access, above the integrity of Explorer: User
// Interface Privilege Isolation drops Explorer's messages above WM_USER
// unless the window lets them through. Exactly the two the icon needs.
void AllowTrayMessages(HWND window) noexcept
{
    for (const UINT message : {TaskbarCreatedMessage(), WM_NOTIFYICON}) {
        if (message != 0 && !ChangeWindowMessageFilterEx(window, message, MSGFLT_ALLOW, nullptr))
            OutputDebugStringW(L"ChangeWindowMessageFilterEx failed for a tray message\n");
    }
}

} // namespace

BOOL CNotifyIcon::Create()
{
    TaskbarCreatedMessage();
    const wchar_t *windowClass = RegisterWndClass(0, nullptr, nullptr, nullptr);
    if (!CreateEx(WS_EX_TOOLWINDOW, windowClass, L"KIVO_FUNCTION", 0, 0, 0, 0, 0, nullptr, nullptr))
        return FALSE;
    AllowTrayMessages(m_hWnd);
    return TRUE;
}

HICON CNotifyIcon::LoadTrayIcon(UINT resourceId)
{
    m_uIconResource = resourceId;
    m_Image.Load(m_hWnd, resourceId);
    return m_Image.get();
}

BOOL CNotifyIcon::NotifyIcon(DWORD dwMessage, HICON hIcon, LPCWSTR lpszTip)
{
    if (hIcon != nullptr)
        m_hWantedIcon = hIcon;
    if (lpszTip != nullptr)
        m_strTip = lpszTip;
    if (dwMessage == NIM_DELETE) {
        m_bIconWanted = false;
        m_AddRetry.Stop();
        m_TipChange.Stop();
    }
    UINT flags = NIF_MESSAGE;
    if (hIcon != nullptr && hIcon != m_hLastIcon) {
        flags |= NIF_ICON;
        m_hLastIcon = reinterpret_cast<HICON>(
            SendMessageW(WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(hIcon)));
    }
    const BOOL done = Notify(dwMessage, flags, flags & NIF_ICON ? hIcon : nullptr, lpszTip);
    if (dwMessage == NIM_ADD) {
        m_bIconWanted = true;
        // Shell_NotifyIconW fails when the taskbar is not there yet, and
        // when it did not answer in time (the icon may then have come all
        // the same): the timer finds out which.
        if (!done && !m_AddRetry.Running())
            m_AddRetry.Start(m_hWnd, kAddRetryMs, [this] { RetryAdd(); });
    }
    return done;
}

void CNotifyIcon::SetTip(const std::wstring &tip)
{
    m_strTip = tip;
    if (!m_TipChange.Running())
        m_TipChange.Start(m_hWnd, USER_TIMER_MINIMUM, [this] { SendTip(); });
}

void CNotifyIcon::SendTip()
{
    m_TipChange.Stop();
    // Without the icon in the tray now, the next add carries the tip.
    if (m_bIconWanted && !m_AddRetry.Running())
        Notify(NIM_MODIFY, NIF_MESSAGE, nullptr, m_strTip.c_str());
}

void CNotifyIcon::AddWantedIcon()
{
    if (!m_bIconWanted)
        return;
    if (AddIconAgain(m_hWantedIcon, m_strTip.c_str())) {
        m_AddRetry.Stop();
        return;
    }
    if (!m_AddRetry.Running())
        m_AddRetry.Start(m_hWnd, kAddRetryMs, [this] { RetryAdd(); });
}

void CNotifyIcon::RetryAdd()
{
    // An add that timed out may have been carried out late: then the icon
    // is there and takes a change.
    const UINT flags = NIF_MESSAGE | (m_hWantedIcon != nullptr ? NIF_ICON : 0);
    if (Notify(NIM_MODIFY, flags, m_hWantedIcon, m_strTip.c_str())) {
        m_AddRetry.Stop();
        return;
    }
    AddWantedIcon();
}

void CNotifyIcon::OnTaskbarCreated()
{
    // Explorer also broadcasts it after the display's DPI changed: the
    // image follows.
    if (m_uIconResource != 0 && m_Image.Load(m_hWnd, m_uIconResource))
        m_hWantedIcon = m_Image.get();
    AddWantedIcon();
}

void CNotifyIcon::OnDisplayChange()
{
    if (m_uIconResource == 0 || !m_Image.Load(m_hWnd, m_uIconResource))
        return;
    m_hWantedIcon = m_Image.get();
    if (m_bIconWanted && !m_AddRetry.Running())
        Notify(NIM_MODIFY, NIF_MESSAGE | NIF_ICON, m_hWantedIcon, nullptr);
}

BOOL CNotifyIcon::AddIconAgain(HICON hIcon, LPCWSTR lpszTip)
{
    return Notify(NIM_ADD, NIF_MESSAGE | (hIcon != nullptr ? NIF_ICON : 0), hIcon, lpszTip);
}

BOOL CNotifyIcon::ShowBalloon(LPCWSTR title, LPCWSTR text)
{
    NOTIFYICONDATAW data = IconData(NIF_INFO);
    data.dwInfoFlags = NIIF_INFO;
    StringCchCopyW(data.szInfoTitle, ARRAYSIZE(data.szInfoTitle), title);
    StringCchCopyW(data.szInfo, ARRAYSIZE(data.szInfo), text);
    return Shell_NotifyIconW(NIM_MODIFY, &data);
}

NOTIFYICONDATAW CNotifyIcon::IconData(UINT flags) const
{
    NOTIFYICONDATAW data{};
    static_assert(sizeof(data) == 976);
    data.cbSize = sizeof(data);
    data.hWnd = m_hWnd;
    data.uID = kTrayIconId;
    data.uFlags = flags;
    return data;
}

BOOL CNotifyIcon::Notify(DWORD dwMessage, UINT flags, HICON hIcon, LPCWSTR lpszTip)
{
    NOTIFYICONDATAW data = IconData(flags);
    data.uCallbackMessage = WM_NOTIFYICON;
    data.hIcon = hIcon;
    if (lpszTip != nullptr) {
        data.uFlags |= NIF_TIP;
        // Cut to what fits; a long tip is still a tip.
        StringCchCopyW(data.szTip, ARRAYSIZE(data.szTip), lpszTip);
    }
    return Shell_NotifyIconW(dwMessage, &data);
}

LRESULT CNotifyIcon::OnTrayNotify(WPARAM wParam, LPARAM lParam)
{
    if (static_cast<UINT>(wParam) != kTrayIconId)
        return 0;
    if (static_cast<int>(lParam) == WM_RBUTTONUP)
        PostMessageW(WM_RBUTTONUP, 0, 0);
    return 0;
}

void CNotifyIcon::OnRButtonUp(UINT flags, POINT point)
{
    (void)flags;
    (void)point;
    DoRButtonClick();
}

const MessageMap *CNotifyIcon::GetMessageMap() const noexcept
{
    static const MessageEntry entries[] = {
        {WM_NOTIFYICON, 0,
         [](CWnd &w, WPARAM wParam, LPARAM lParam) -> LRESULT {
             return static_cast<CNotifyIcon &>(w).OnTrayNotify(wParam, lParam);
         }},
        {WM_LBUTTONUP, 0, nullptr},
        {WM_DISPLAYCHANGE, 0,
         [](CWnd &w, WPARAM, LPARAM) -> LRESULT {
             static_cast<CNotifyIcon &>(w).OnDisplayChange();
             return 0;
         }},
        {WM_RBUTTONUP, 0,
         [](CWnd &w, WPARAM wParam, LPARAM lParam) -> LRESULT {
             const POINT point{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
             static_cast<CNotifyIcon &>(w).OnRButtonUp(static_cast<UINT>(wParam), point);
             return 0;
         }},
    };
    static const MessageMap map = MakeMessageMap(CWnd::GetMessageMap(), entries);
    return &map;
}

LRESULT CNotifyIcon::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    // A registered message has no fixed number for a table.
    if (message == TaskbarCreatedMessage() && message != 0) {
        OnTaskbarCreated();
        return 0;
    }
    return CWnd::WindowProc(message, wParam, lParam);
}

void CNotifyIcon::PostNcDestroy()
{
    CWnd::PostNcDestroy();
    delete this;
}
