// The one-time full charge: the embedded controller charges to 100 % once,
// and the battery charge limit it had comes back when the charger is
// unplugged, when the battery is full on AC, or when the user ends it.
//
// The record (full_charge_once_record.h) is written before 100 % is sent
// and removed only after the driver has accepted the limit back, so a
// program or machine that stops in between leaves a record that a later
// end or follow completes; the settings file's "BatteryChargeLimit" is
// never touched. Every change runs under "hMutexFullChargeOnce" and the
// settings file's lock (the record's), so two processes of one user that
// start and end at once keep the record and the controller in step; a lock
// that cannot be had fails the export before anything is written or sent.
#include "KivoFCtrl.h"

#include <windows.h>

#include <optional>

#include "charge_locks.h"
#include "driver_channel.h"
#include "driver_interface.h"
#include "export_bound.h"
#include "full_charge_once_record.h"
#include "library_module.h"
#include "machine_policy.h"
#include "settings_file.h"

namespace kvf {
namespace {

constexpr uint32_t kFullCharge = 0; // battery limit 0 = 100 %
constexpr BYTE kAcOffline = 0;
constexpr BYTE kAcOnline = 1;
constexpr BYTE kBatteryFull = 100;

// The limit that comes back: the machine policy's, or the controller's own
// with "ReferenceFlag" 0, else the settings file's. False when the
// controller cannot be read or holds a value that could not be written back.
bool LimitToComeBack(const FullChargeOnceFiles &files, const MachinePolicy &policy, uint32_t &limit)
{
    if (policy.batteryChargeLimit) {
        limit = *policy.batteryChargeLimit;
        return true;
    }
    if (ReadSettingValue(files.settings, kKeyReferenceFlag) != 0) {
        const uint32_t bound = kBatteryChargeLimitBound;
        limit = static_cast<uint32_t>(ReadSettingValue(files.settings, kKeyBatteryChargeLimit, &bound));
        return true;
    }
    return QueryChargeValue(KVF_CMD_GET_BATTERY_LIMIT, limit) && limit <= kBatteryChargeLimitBound;
}

bool ChargerOnline()
{
    SYSTEM_POWER_STATUS power{};
    return GetSystemPowerStatus(&power) && power.ACLineStatus == kAcOnline;
}

// Writes the recorded limit back (or the machine policy's, when one came
// meanwhile); the record goes only once the driver has taken it. The
// caller holds the override lock.
int32_t EndOverride(const FullChargeOnceFiles &files, const FullChargeOnceRecord &record)
{
    const uint32_t limit = ReadMachinePolicy().batteryChargeLimit.value_or(record.limit);
    if (SendChargeCommand(KVF_CMD_SET_BATTERY_LIMIT, limit) != 0)
        return -1;
    return RemoveFullChargeOnceRecord(files) ? 0 : -1;
}

int32_t Start()
{
    const FullChargeOnceFiles files = GetFullChargeOnceFiles();
    if (ReadFullChargeOnceRecord(files))
        return 0; // runs already
    const MachinePolicy policy = ReadMachinePolicy();
    if (policy.allowFullChargeOnce == false) {
        SetLastError(kErrorDisabledByPolicy);
        return -1;
    }
    FullChargeOnceRecord record;
    if (!LimitToComeBack(files, policy, record.limit))
        return -1;
    if (record.limit == kFullCharge)
        return 0; // nothing would come back
    record.chargerSeen = ChargerOnline();
    if (!WriteFullChargeOnceRecord(files, record))
        return -1;
    const uint32_t status = SendChargeCommand(KVF_CMD_SET_BATTERY_LIMIT, kFullCharge);
    // 100 % may still reach the controller: the record stays, so that the
    // limit comes back.
    if (status == ERROR_TIMEOUT)
        return -1;
    if (status != 0) {
        RemoveFullChargeOnceRecord(files);
        return -1;
    }
    return 0;
}

int32_t Follow()
{
    const FullChargeOnceFiles files = GetFullChargeOnceFiles();
    std::optional<FullChargeOnceRecord> record = ReadFullChargeOnceRecord(files);
    if (!record)
        return 0;
    SYSTEM_POWER_STATUS power{};
    if (!GetSystemPowerStatus(&power))
        return 0;
    if (power.ACLineStatus == kAcOnline) {
        if (!record->chargerSeen) {
            record->chargerSeen = true;
            // Not noted, the override only waits for the charger again.
            WriteFullChargeOnceRecord(files, *record);
        }
        if (power.BatteryLifePercent != kBatteryFull)
            return 0;
    } else if (power.ACLineStatus != kAcOffline || !record->chargerSeen) {
        // An unknown state changes nothing; started on battery, the
        // override waits for the charger.
        return 0;
    }
    return EndOverride(files, *record) == 0 ? 1 : -1;
}

} // namespace
} // namespace kvf

extern "C" {

int32_t KVFStartFullChargeOnce(void)
{
    const kvf::ExportBound bound;
    if (!kvf::IsDriverDeviceOpen())
        return -1;
    const kvf::ChargeLocks locks(kvf::ChargeLocks::kFullChargeOnceAndSettingsFile);
    if (!locks.Held())
        return -1;
    return kvf::Start();
}

int32_t KVFEndFullChargeOnce(void)
{
    const kvf::ExportBound bound;
    if (!kvf::IsDriverDeviceOpen())
        return -1;
    const kvf::ChargeLocks locks(kvf::ChargeLocks::kFullChargeOnceAndSettingsFile);
    if (!locks.Held())
        return -1;
    const kvf::FullChargeOnceFiles files = kvf::GetFullChargeOnceFiles();
    const std::optional<kvf::FullChargeOnceRecord> record = kvf::ReadFullChargeOnceRecord(files);
    return record ? kvf::EndOverride(files, *record) : 0;
}

int32_t KVFGetFullChargeOnceStat(void)
{
    const kvf::ExportBound bound;
    // Under the lock too: a reader that holds the record open could make
    // a change's replacement or removal of it fail.
    const kvf::ChargeLocks locks(kvf::ChargeLocks::kFullChargeOnceAndSettingsFile);
    if (!locks.Held())
        return -1;
    const std::optional<kvf::FullChargeOnceRecord> record =
        kvf::ReadFullChargeOnceRecord(kvf::GetFullChargeOnceFiles());
    if (!record)
        return -1;
    return static_cast<int32_t>(kvf::ReadMachinePolicy().batteryChargeLimit.value_or(record->limit));
}

int32_t KVFFollowFullChargeOnce(void)
{
    const kvf::ExportBound bound;
    if (!kvf::IsDriverDeviceOpen())
        return -1;
    const kvf::ChargeLocks locks(kvf::ChargeLocks::kFullChargeOnceAndSettingsFile);
    if (!locks.Held())
        return -1;
    return kvf::Follow();
}

} // extern "C"
