#include "app/power_watch.h"

#include <initguid.h>

#include <guiddef.h>

namespace {

// {5d3e9a59-e9d5-4b00-a6bd-ff34ff516548}
DEFINE_GUID(kAcDcPowerSource, 0x5d3e9a59, 0xe9d5, 0x4b00, 0xa6, 0xbd, 0xff, 0x34, 0xff, 0x51, 0x65, 0x48);
// {a7ad8041-b45a-4cae-87a3-eecbb468a9e1}
DEFINE_GUID(kBatteryPercentage, 0xa7ad8041, 0xb45a, 0x4cae, 0x87, 0xa3, 0xee, 0xcb, 0xb4, 0x68, 0xa9, 0xe1);

constexpr DWORD kBatteryFull = 100;

// The DWORD a setting's record carries; false for a record of another size.
bool ReadSettingValue(const POWERBROADCAST_SETTING &setting, DWORD &value) noexcept
{
    if (setting.DataLength != sizeof(DWORD))
        return false;
    CopyMemory(&value, setting.Data, sizeof(value));
    return true;
}

} // namespace

bool CPowerWatch::Start(HWND window) noexcept
{
    Stop();
    m_Source.reset(RegisterPowerSettingNotification(window, &kAcDcPowerSource, DEVICE_NOTIFY_WINDOW_HANDLE));
    m_Battery.reset(RegisterPowerSettingNotification(window, &kBatteryPercentage, DEVICE_NOTIFY_WINDOW_HANDLE));
    return m_Source && m_Battery;
}

void CPowerWatch::Stop() noexcept
{
    m_Source.reset();
    m_Battery.reset();
}

bool CPowerWatch::IsPowerStateChange(WPARAM wParam, LPARAM lParam) noexcept
{
    if (wParam == PBT_APMPOWERSTATUSCHANGE)
        return true;
    if (wParam != PBT_POWERSETTINGCHANGE || lParam == 0)
        return false;
    const auto &setting = *reinterpret_cast<const POWERBROADCAST_SETTING *>(lParam);
    DWORD value = 0;
    if (!ReadSettingValue(setting, value))
        return false;
    if (IsEqualGUID(setting.PowerSetting, kAcDcPowerSource))
        return true;
    // On AC the override waits for a full battery only; any other
    // percentage leaves it as it is, and on battery only the power source
    // matters.
    return IsEqualGUID(setting.PowerSetting, kBatteryPercentage) && value == kBatteryFull;
}
