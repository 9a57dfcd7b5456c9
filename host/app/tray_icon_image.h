// The image the tray shows: the icon resource loaded at the small-icon size
// for the DPI the notification area is drawn at, so that the shell does not
// scale a 16-pixel image up on a high-DPI display.
#pragma once

#include <windows.h>

class CTrayIconImage {
public:
    CTrayIconImage() noexcept = default;
    ~CTrayIconImage() { Release(); }
    CTrayIconImage(const CTrayIconImage &) = delete;
    CTrayIconImage &operator=(const CTrayIconImage &) = delete;

    // Loads the icon resource at the small-icon size for the window's DPI;
    // true when the handle changed (first load, or a new size). The handle
    // of before stays valid until the next change or Release.
    bool Load(HWND window, UINT resourceId);
    HICON get() const noexcept { return m_hIcon; }
    void Release() noexcept;

private:
    HICON m_hIcon = nullptr;
    // The handle replaced last: the shell may still draw it until it is
    // told of the new one.
    HICON m_hPrevious = nullptr;
    int m_nSize = 0;
};
