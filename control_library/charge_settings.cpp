#include "charge_settings.h"

#include <windows.h>

#include <shlwapi.h>
#include <strsafe.h>

#include "KivoFCtrl.h"
#include "settings_file.h"

namespace kvf {

namespace {

constexpr wchar_t kSection[] = L"Setting";
constexpr size_t kMaxAppPathLength = 256;


} // namespace

int32_t ApplyStoredChargeSettings()
{
    wchar_t path[MAX_PATH] = L"";
    GetSettingFilePath(path);

    wchar_t appPath[MAX_PATH];
    if (GetSettingAppPath(appPath))
        WriteSettingString(path, kKeySettinAppPath, appPath);

    int32_t reference = ReadSettingInt(path, kKeyReferenceFlag);
    if (reference == -1) {
        // Restore the flag alone; the file's other values stay.
        if (path[0] != L'\0' && PathFileExistsW(path)) {
            WriteSettingValue(path, kKeyReferenceFlag, 1);
        } else {
            wchar_t recreated[MAX_PATH] = L"";
            GetSettingFilePath(recreated);
        }
        reference = ReadSettingInt(path, kKeyReferenceFlag);
        if (reference == -1)
            return 0;
    }
    if (reference == 0)
        return 0; // the EC's values stand

    wchar_t recorded[MAX_PATH] = L"";
    GetPrivateProfileStringW(kSection, kKeySettinAppPath, L"", recorded, MAX_PATH, path);
    size_t length = 0;
    if (FAILED(StringCchLengthW(recorded, MAX_PATH, &length)) || length == 0 ||
        length > kMaxAppPathLength || !PathFileExistsW(recorded))
        return 0;

    const uint32_t batteryBound = kBatteryChargeLimitBound;
    const uint32_t usbBound = kUSBChargeBound;
    // Both are always made, battery first.
    const int32_t battery = KVFSetButteryChargeLimitStat(
        static_cast<uint32_t>(ReadSettingValue(path, kKeyBatteryChargeLimit, &batteryBound)));
    const int32_t usb = KVFSetUSBChargeStat(
        static_cast<uint32_t>(ReadSettingValue(path, kKeyUSBCharge, &usbBound)));
    return battery != 0 || usb != 0 ? -1 : 0;
}

} // namespace kvf
