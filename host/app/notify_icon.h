// The hidden tool window that owns the tray icon and turns a right-button
// click on the icon into DoRButtonClick.
#pragma once

#include <windows.h>

#include <shellapi.h>

#include "framework/wnd.h"

// The tray icon's callback message and id.
constexpr UINT WM_NOTIFYICON = WM_USER + 100; // 0x0464
constexpr UINT kTrayIconId = 100;

class CNotifyIcon : public CWnd {
public:
    // Creates the hidden window "KIVO_FUNCTION".
    BOOL Create();

    // NIM_ADD, NIM_MODIFY or NIM_DELETE; the icon and the tip may be null.
    // The result of Shell_NotifyIconW.
    BOOL NotifyIcon(DWORD dwMessage, HICON hIcon, LPCWSTR lpszTip);

    // A notification balloon at the icon (NIF_INFO), cut to what fits.
    BOOL ShowBalloon(LPCWSTR title, LPCWSTR text);

    LRESULT OnTrayNotify(WPARAM wParam, LPARAM lParam);
    void OnRButtonUp(UINT flags, POINT point);
    virtual void DoRButtonClick() {}

protected:
    const MessageMap *GetMessageMap() const noexcept override;
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    // The object deletes itself once its window is gone.
    void PostNcDestroy() override;

    // The taskbar was created anew (Explorer restarted): the icon must be
    // added again.
    virtual void OnTaskbarCreated() {}
    // Adds the icon with its image and tip whatever was set before.
    BOOL AddIconAgain(HICON hIcon, LPCWSTR lpszTip);

    // What the last WM_SETICON sent by NotifyIcon returned.
    HICON m_hLastIcon = nullptr;

private:
    BOOL Notify(DWORD dwMessage, UINT flags, HICON hIcon, LPCWSTR lpszTip);
    // The record that names this window's icon, with those flags.
    NOTIFYICONDATAW IconData(UINT flags) const;
};
