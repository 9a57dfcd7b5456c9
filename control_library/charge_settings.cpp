#include "charge_settings.h"

#include <windows.h>

#include <shlwapi.h>
#include <strsafe.h>

#include "KivoFCtrl.h"
#include "driver_channel.h"
#include "driver_interface.h"
#include "full_charge_once_record.h"
#include "library_module.h"
#include "settings_file.h"
#include "win32/mutex_lock.h"

namespace kvf {

namespace {

constexpr wchar_t kSection[] = L"Setting";
constexpr size_t kMaxAppPathLength = 256;

// The battery limit a session starts with: 100 % while a one-time full
// charge runs (a resume or a driver that came back must not end it, and
// the stored limit stays in the file), else the stored one.
int32_t ApplyBatteryLimit(const wchar_t *path)
{
    MutexLock lock(FullChargeOnceMutex());
    if (ReadFullChargeOnceRecord(GetFullChargeOnceFiles()))
        return SendChargeCommand(KVF_CMD_SET_BATTERY_LIMIT, 0) == 0 ? 0 : -1;
    const uint32_t bound = kBatteryChargeLimitBound;
    // The setter takes the same lock again, which this thread holds.
    return KVFSetButteryChargeLimitStat(
        static_cast<uint32_t>(ReadSettingValue(path, kKeyBatteryChargeLimit, &bound)));
}

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

    const uint32_t usbBound = kUSBChargeBound;
    // Both are always made, battery first.
    const int32_t battery = ApplyBatteryLimit(path);
    const int32_t usb = KVFSetUSBChargeStat(
        static_cast<uint32_t>(ReadSettingValue(path, kKeyUSBCharge, &usbBound)));
    return battery != 0 || usb != 0 ? -1 : 0;
}

} // namespace kvf
