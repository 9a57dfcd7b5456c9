#include "app/device_watch.h"

#include <dbt.h>

#include <cstddef>

#include "KivoFCtrl.h"

namespace {

const GUID kDeviceInterface = KVF_DEVICE_INTERFACE_GUID_INIT;

} // namespace

bool CDeviceWatch::Start(HWND window) noexcept
{
    Stop();
    DEV_BROADCAST_DEVICEINTERFACE_W filter{};
    filter.dbcc_size = sizeof(filter);
    filter.dbcc_devicetype = DBT_DEVTYP_DEVICEINTERFACE;
    filter.dbcc_classguid = kDeviceInterface;
    m_hNotify = RegisterDeviceNotificationW(window, &filter, DEVICE_NOTIFY_WINDOW_HANDLE);
    return m_hNotify != nullptr;
}

void CDeviceWatch::Stop() noexcept
{
    if (m_hNotify != nullptr) {
        UnregisterDeviceNotification(m_hNotify);
        m_hNotify = nullptr;
    }
}

CDeviceWatch::Event CDeviceWatch::Classify(WPARAM wParam, LPARAM lParam) noexcept
{
    if (wParam != DBT_DEVICEARRIVAL && wParam != DBT_DEVICEREMOVECOMPLETE)
        return Event::None;
    // Other devices' events reach every top-level window too: only an
    // interface record of the device's own class counts.
    const auto *header = reinterpret_cast<const DEV_BROADCAST_HDR *>(lParam);
    if (header == nullptr || header->dbch_size < offsetof(DEV_BROADCAST_DEVICEINTERFACE_W, dbcc_name) ||
        header->dbch_devicetype != DBT_DEVTYP_DEVICEINTERFACE)
        return Event::None;
    const auto *record = reinterpret_cast<const DEV_BROADCAST_DEVICEINTERFACE_W *>(header);
    if (!IsEqualGUID(record->dbcc_classguid, kDeviceInterface))
        return Event::None;
    return wParam == DBT_DEVICEARRIVAL ? Event::Arrived : Event::Removed;
}
