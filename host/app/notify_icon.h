// The hidden tool window that owns the tray icon and turns a right-button
// click on the icon into DoRButtonClick. The icon stays in the tray as long
// as it is wanted: a taskbar that is not ready yet gets it again until it
// takes it, and a new taskbar (Explorer restarted, the display's DPI
// changed) gets it anew, with its image at that DPI and its tip.
#pragma once

#include <windows.h>

#include <shellapi.h>

#include <string>

#include "app/tray_icon_image.h"
#include "app/window_timer.h"
#include "framework/wnd.h"

// The tray icon's callback message and id.
constexpr UINT WM_NOTIFYICON = WM_USER + 100; // 0x0464
constexpr UINT kTrayIconId = 100;

class CNotifyIcon : public CWnd {
public:
    // Creates the hidden window "KIVO_FUNCTION".
    BOOL Create();

    // NIM_ADD, NIM_MODIFY or NIM_DELETE; the icon and the tip may be null.
    // The result of Shell_NotifyIconW. A failed NIM_ADD is tried again on a
    // timer until the taskbar takes the icon or NIM_DELETE comes.
    BOOL NotifyIcon(DWORD dwMessage, HICON hIcon, LPCWSTR lpszTip);

    // The tray icon's image (an icon resource) at the small-icon size for
    // the DPI of now; the window keeps the handle.
    HICON LoadTrayIcon(UINT resourceId);

    // Changes the tip (cut to what NOTIFYICONDATA holds) from the message
    // loop: telling the shell waits for Explorer's answer, and meanwhile
    // messages sent to this window would come in midway through the
    // caller's operation. A taskbar that does not have the icon now gets it
    // with this tip later.
    void SetTip(const std::wstring &tip);

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

    // The taskbar was created anew (Explorer restarted, or the DPI
    // changed): the icon is added again, at the new DPI.
    void OnTaskbarCreated();
    // The display changed: the image follows the DPI.
    void OnDisplayChange();
    // Adds the icon with its image and tip whatever was set before.
    BOOL AddIconAgain(HICON hIcon, LPCWSTR lpszTip);

    // What the last WM_SETICON sent by NotifyIcon returned.
    HICON m_hLastIcon = nullptr;

private:
    BOOL Notify(DWORD dwMessage, UINT flags, HICON hIcon, LPCWSTR lpszTip);
    // Adds the wanted icon, or starts the timer that tries again.
    void AddWantedIcon();
    void RetryAdd();
    void SendTip();
    // The record that names this window's icon, with those flags.
    NOTIFYICONDATAW IconData(UINT flags) const;

    // What the tray should show: the icon is wanted from NIM_ADD to
    // NIM_DELETE.
    bool m_bIconWanted = false;
    HICON m_hWantedIcon = nullptr;
    std::wstring m_strTip;
    UINT m_uIconResource = 0;
    CTrayIconImage m_Image;
    CWindowTimer m_AddRetry;
    CWindowTimer m_TipChange;
};
