// The charge exports: the battery charge limit and USB charging while the
// machine is off, kept both in the embedded controller and in the settings
// file. "ReferenceFlag" says which side the getters report. A battery limit
// the driver accepts ends a running one-time full charge (its record is
// marked as ending before the limit goes out, and removed after). An option the
// machine policy fixes is reported as the controller holds it and cannot be
// set to another value.
#include "KivoFCtrl.h"

#include <windows.h>

#include <optional>

#include "charge_locks.h"
#include "driver_channel.h"
#include "driver_interface.h"
#include "export_bound.h"
#include "full_charge_once.h"
#include "library_module.h"
#include "machine_policy.h"
#include "settings_file.h"

namespace kvf {
namespace {

int32_t GetChargeStat(uint32_t command, const wchar_t *key, uint32_t bound, std::optional<uint32_t> fixed)
{
    if (!IsDriverDeviceOpen())
        return -1;
    uint32_t ecValue = 0;
    if (!QueryChargeValue(command, ecValue))
        return -1;
    if (fixed)
        return static_cast<int32_t>(ecValue); // the policy's, written at each session's start
    wchar_t path[MAX_PATH] = L"";
    GetSettingFilePath(path);
    const int32_t fileValue = ReadSettingValue(path, key, &bound);
    const int32_t reference = ReadSettingValue(path, kKeyReferenceFlag);
    if (reference == 0)
        return static_cast<int32_t>(ecValue); // as the EC reports it, unchecked
    if (reference != 1)
        WriteSettingValue(path, kKeyReferenceFlag, 1);
    return fileValue;
}

// The caller holds the settings file's lock (ChargeLocks) across all of it.
int32_t SetChargeStat(uint32_t command, const wchar_t *key, uint32_t bound, std::optional<uint32_t> fixed,
                      uint32_t value, bool *accepted = nullptr)
{
    wchar_t path[MAX_PATH] = L"";
    GetSettingFilePath(path);
    if (value > bound)
        return -1;
    if (fixed && value != *fixed) {
        SetLastError(kErrorDisabledByPolicy);
        return -1;
    }
    const int32_t previous = ReadSettingInt(path, key);
    const bool deviceOpen = IsDriverDeviceOpen();
    const int written = WriteSettingValue(path, key, value);
    // Sent whatever the file write gave: the EC is what counts.
    const uint32_t status = SendChargeCommand(command, value);
    if (accepted != nullptr)
        *accepted = status == 0;
    // A value the driver refused is not kept as the user's choice. Without a
    // session it stays stored, for the next session to apply. A request
    // that timed out may still reach the controller: the value stays.
    if (status == ERROR_TIMEOUT) {
        SetLastError(ERROR_TIMEOUT);
        return -1;
    }
    if (status != 0 && deviceOpen && written == 1 && previous >= 0 && static_cast<uint32_t>(previous) != value)
        WriteSettingValue(path, key, static_cast<uint32_t>(previous));
    return written == 1 && status == 0 ? 0 : -1;
}

} // namespace
} // namespace kvf

extern "C" {

int32_t KVFGetUSBChargeStat(void)
{
    const kvf::ExportBound bound;
    return kvf::GetChargeStat(kvf::KVF_CMD_GET_USB_CHARGE, kvf::kKeyUSBCharge, kvf::kUSBChargeBound,
                              kvf::ReadMachinePolicy().usbCharge);
}

int32_t KVFGetButteryChargeLimitStat(void)
{
    const kvf::ExportBound bound;
    return kvf::GetChargeStat(kvf::KVF_CMD_GET_BATTERY_LIMIT, kvf::kKeyBatteryChargeLimit,
                              kvf::kBatteryChargeLimitBound, kvf::ReadMachinePolicy().batteryChargeLimit);
}

int32_t KVFSetUSBChargeStat(uint32_t value)
{
    const kvf::ExportBound bound;
    const kvf::ChargeLocks locks(kvf::ChargeLocks::kSettingsFile);
    if (!locks.Held())
        return -1;
    return kvf::SetChargeStat(kvf::KVF_CMD_SET_USB_CHARGE, kvf::kKeyUSBCharge, kvf::kUSBChargeBound,
                              kvf::ReadMachinePolicy().usbCharge, value);
}

int32_t KVFSetButteryChargeLimitStat(uint32_t value)
{
    const kvf::ExportBound bound;
    const kvf::ChargeLocks locks(kvf::ChargeLocks::kFullChargeOnceAndSettingsFile);
    if (!locks.Held())
        return -1;
    const std::optional<uint32_t> fixed = kvf::ReadMachinePolicy().batteryChargeLimit;
    // A value that cannot be set ends nothing: refused before the record is
    // touched.
    if (value > kvf::kBatteryChargeLimitBound || (fixed && value != *fixed))
        return kvf::SetChargeStat(kvf::KVF_CMD_SET_BATTERY_LIMIT, kvf::kKeyBatteryChargeLimit,
                                  kvf::kBatteryChargeLimitBound, fixed, value);
    const kvf::FullChargeOnceFiles files = kvf::GetFullChargeOnceFiles();
    std::optional<kvf::FullChargeOnceRecord> record;
    if (!kvf::MarkFullChargeOnceEnding(files, record))
        return -1;
    bool accepted = false;
    const int32_t result = kvf::SetChargeStat(kvf::KVF_CMD_SET_BATTERY_LIMIT, kvf::kKeyBatteryChargeLimit,
                                              kvf::kBatteryChargeLimitBound, fixed, value, &accepted);
    if (!record)
        return result;
    // The limit just set is the one now: nothing is to come back, and a
    // record that stays would fail the call. Refused, the override goes on.
    // Unanswered, the limit may still reach the controller: the record
    // stays marked, and whoever finds it completes the end with that limit.
    if (accepted)
        return kvf::RemoveFullChargeOnceRecord(files) ? result : -1;
    const DWORD error = GetLastError();
    if (!record->ending && error != ERROR_TIMEOUT)
        kvf::WriteFullChargeOnceRecord(files, *record);
    SetLastError(error);
    return result;
}

} // extern "C"
