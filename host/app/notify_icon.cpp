#include "app/notify_icon.h"

#include <shellapi.h>
#include <strsafe.h>

namespace {

// Registered by the shell; broadcast when the taskbar is created.
UINT TaskbarCreatedMessage() noexcept
{
    static const UINT message = RegisterWindowMessageW(L"TaskbarCreated");
    return message;
}

} // namespace

BOOL CNotifyIcon::Create()
{
    TaskbarCreatedMessage();
    const wchar_t *windowClass = RegisterWndClass(0, nullptr, nullptr, nullptr);
    return CreateEx(WS_EX_TOOLWINDOW, windowClass, L"KIVO_FUNCTION", 0, 0, 0, 0, 0, nullptr, nullptr);
}

BOOL CNotifyIcon::NotifyIcon(DWORD dwMessage, HICON hIcon, LPCWSTR lpszTip)
{
    UINT flags = NIF_MESSAGE;
    if (hIcon != nullptr && hIcon != m_hLastIcon) {
        flags |= NIF_ICON;
        m_hLastIcon = reinterpret_cast<HICON>(
            SendMessageW(WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(hIcon)));
    }
    return Notify(dwMessage, flags, flags & NIF_ICON ? hIcon : nullptr, lpszTip);
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
