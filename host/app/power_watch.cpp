#include "app/power_watch.h"

#include <initguid.h>

#include <guiddef.h>

namespace {

// {5d3e9a59-e9d5-4b00-a6bd-ff34ff516548}
DEFINE_GUID(kAcDcPowerSource, 0x5d3e9a59, 0xe9d5, 0x4b00, 0xa6, 0xbd, 0xff, 0x34, 0xff, 0x51, 0x65, 0x48);

} // namespace

bool CPowerWatch::Start(HWND window) noexcept
{
    Stop();
    m_hNotify = RegisterPowerSettingNotification(window, &kAcDcPowerSource, DEVICE_NOTIFY_WINDOW_HANDLE);
    return m_hNotify != nullptr;
}

void CPowerWatch::Stop() noexcept
{
    if (m_hNotify != nullptr) {
        UnregisterPowerSettingNotification(m_hNotify);
        m_hNotify = nullptr;
    }
}

bool CPowerWatch::IsPowerStateChange(WPARAM wParam, LPARAM lParam) noexcept
{
    if (wParam == PBT_APMPOWERSTATUSCHANGE)
        return true;
    if (wParam != PBT_POWERSETTINGCHANGE || lParam == 0)
        return false;
    const auto *setting = reinterpret_cast<const POWERBROADCAST_SETTING *>(lParam);
    return IsEqualGUID(setting->PowerSetting, kAcDcPowerSource) != FALSE;
}
