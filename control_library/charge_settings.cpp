#include "charge_settings.h"

#include <windows.h>

#include <shlwapi.h>
#include <strsafe.h>

#include "KivoFCtrl.h"
#include "charge_locks.h"
#include "driver_channel.h"
#include "driver_interface.h"
#include "full_charge_once_record.h"
#include "library_module.h"
#include "machine_policy.h"
#include "settings_file.h"

namespace kvf {

namespace {

constexpr wchar_t kSection[] = L"Setting";
constexpr size_t kMaxAppPathLength = 256;

int32_t Send(uint32_t command, uint32_t value)
{
    return SendChargeCommand(command, value) == 0 ? 0 : -1;
}

// The battery limit a session starts with: 100 % while a one-time full
// charge runs (a resume or a driver that came back must not end it, and
// the stored limit stays in the file), else the machine policy's, else the
// stored one (only when the file takes precedence: applyFile).
int32_t ApplyBatteryLimit(const wchar_t *path, const MachinePolicy &policy, bool applyFile)
{
    // The setter takes the same locks again, which this thread holds.
    const ChargeLocks locks(ChargeLocks::kFullChargeOnceAndSettingsFile);
    if (!locks.Held())
        return -1;
    if (ReadFullChargeOnceRecord(GetFullChargeOnceFiles()))
        return Send(KVF_CMD_SET_BATTERY_LIMIT, 0);
    if (policy.batteryChargeLimit)
        return Send(KVF_CMD_SET_BATTERY_LIMIT, *policy.batteryChargeLimit);
    if (!applyFile)
        return 0;
    const uint32_t bound = kBatteryChargeLimitBound;
    return KVFSetButteryChargeLimitStat(
        static_cast<uint32_t>(ReadSettingValue(path, kKeyBatteryChargeLimit, &bound)));
}

// Whether the settings file's values are written to the controller: it
// takes precedence and the settings application has been recorded.
bool FileTakesPrecedence(const wchar_t *path)
{
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
            return false;
    }
    if (reference == 0)
        return false; // the EC's values stand

    wchar_t recorded[MAX_PATH] = L"";
    GetPrivateProfileStringW(kSection, kKeySettinAppPath, L"", recorded, MAX_PATH, path);
    size_t length = 0;
    return SUCCEEDED(StringCchLengthW(recorded, MAX_PATH, &length)) && length > 0 &&
           length <= kMaxAppPathLength && PathFileExistsW(recorded);
}

} // namespace

int32_t ApplyStoredChargeSettings()
{
    wchar_t path[MAX_PATH] = L"";
    GetSettingFilePath(path);

    wchar_t appPath[MAX_PATH];
    if (GetSettingAppPath(appPath))
        WriteSettingString(path, kKeySettinAppPath, appPath);

    // What the machine policy fixes is written whatever the file says.
    const MachinePolicy policy = ReadMachinePolicy();
    const bool applyFile = FileTakesPrecedence(path);
    if (!applyFile && !policy.batteryChargeLimit && !policy.usbCharge)
        return 0;

    const uint32_t usbBound = kUSBChargeBound;
    // Both are made, battery first.
    const int32_t battery = ApplyBatteryLimit(path, policy, applyFile);
    int32_t usb = 0;
    if (policy.usbCharge)
        usb = Send(KVF_CMD_SET_USB_CHARGE, *policy.usbCharge);
    else if (applyFile)
        usb = KVFSetUSBChargeStat(static_cast<uint32_t>(ReadSettingValue(path, kKeyUSBCharge, &usbBound)));
    return battery != 0 || usb != 0 ? -1 : 0;
}

} // namespace kvf
