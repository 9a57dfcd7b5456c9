#include "app/tray_icon_image.h"

#include <initializer_list>

namespace {

// The small-icon size at the DPI the window is drawn at. The notification
// area of the primary display is where the hidden window lies (0, 0).
int SmallIconSize(HWND window) noexcept
{
    const UINT dpi = window != nullptr ? GetDpiForWindow(window) : 0;
    return dpi != 0 ? GetSystemMetricsForDpi(SM_CXSMICON, dpi) : GetSystemMetrics(SM_CXSMICON);
}

} // namespace

bool CTrayIconImage::Load(HWND window, UINT resourceId)
{
    const int size = SmallIconSize(window);
    if (m_hIcon != nullptr && size == m_nSize)
        return false;
    // The icon group holds images of 16 to 64 pixels: the one that fits
    // that size best, the nearest scaled to it.
    const auto loaded = static_cast<HICON>(
        LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(resourceId), IMAGE_ICON, size, size, LR_DEFAULTCOLOR));
    if (loaded == nullptr)
        return false;
    if (m_hPrevious != nullptr)
        DestroyIcon(m_hPrevious);
    m_hPrevious = m_hIcon;
    m_hIcon = loaded;
    m_nSize = size;
    return true;
}

void CTrayIconImage::Release() noexcept
{
    for (HICON *icon : {&m_hIcon, &m_hPrevious}) {
        if (*icon != nullptr)
            DestroyIcon(*icon);
        *icon = nullptr;
    }
    m_nSize = 0;
}
