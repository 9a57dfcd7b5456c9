#include "app/device_handle_watch.h"

#include <dbt.h>

#include <cstddef>

#include "KivoFCtrl.h"

bool CDeviceHandleWatch::Start(HWND window) noexcept
{
    Stop();
    m_hNotify = KVFRegisterDeviceNotification(window);
    return m_hNotify != nullptr;
}

void CDeviceHandleWatch::Stop() noexcept
{
    if (m_hNotify != nullptr) {
        UnregisterDeviceNotification(m_hNotify);
        m_hNotify = nullptr;
    }
}

CDeviceHandleWatch::Event CDeviceHandleWatch::Classify(WPARAM wParam, LPARAM lParam) const noexcept
{
    // Windows sends handle records only to the window of the registration,
    // and this window holds no other: while one is held, a handle record is
    // about the session's device. Without one, none is, whoever sent it.
    // The record's registration handle (dbch_hdevnotify) is not compared:
    // with one registration it tells nothing more.
    if (m_hNotify == nullptr)
        return Event::None;
    const auto *header = reinterpret_cast<const DEV_BROADCAST_HDR *>(lParam);
    if (header == nullptr || header->dbch_size < offsetof(DEV_BROADCAST_HANDLE, dbch_eventguid) ||
        header->dbch_devicetype != DBT_DEVTYP_HANDLE)
        return Event::None;
    switch (wParam) {
    case DBT_DEVICEQUERYREMOVE:
        return Event::QueryRemove;
    case DBT_DEVICEQUERYREMOVEFAILED:
        return Event::QueryRemoveFailed;
    case DBT_DEVICEREMOVEPENDING:
    case DBT_DEVICEREMOVECOMPLETE:
        return Event::Removed;
    default:
        // Custom events of the driver (DBT_CUSTOMEVENT) change nothing.
        return Event::None;
    }
}
