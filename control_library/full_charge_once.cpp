// The one-time full charge: the embedded controller charges to 100 % once,
// and a battery charge limit comes back when the charger is unplugged, when
// the battery is full on AC, or when a user ends it.
//
// The override is the machine's (full_charge_once_record.h): every user's
// session that finds the record puts 100 % back on a controller that lost
// it. Which limit comes back is decided when it ends, by what holds then:
// the machine policy's limit, else the ending user's choice (the settings
// file's limit, or with "ReferenceFlag" 0 the controller's limit from
// before the override, kept in the record).
//
// The record is written before 100 % is sent. An end first marks the
// record as ending, then sends the limit, then removes the record: a
// program or machine that stops in between leaves a marked record, and
// whoever finds it (a session's start, a follow, an end) completes the end
// rather than putting 100 % back. A record that cannot be removed fails the
// call. The settings file's "BatteryChargeLimit" is never touched. Every
// change runs under the machine lock "Global\hMutexFullChargeOnce" and the
// settings file's lock, so processes of every user that start and end at
// once keep the record and the controller in step; a lock that cannot be
// had fails the export before anything is written or sent.
#include "full_charge_once.h"

#include <windows.h>

#include "KivoFCtrl.h"
#include "charge_locks.h"
#include "driver_channel.h"
#include "driver_interface.h"
#include "export_bound.h"
#include "full_charge_once_record.h"
#include "library_module.h"
#include "policy_written.h"
#include "settings_file.h"

namespace kvf {
namespace {

constexpr uint32_t kFullCharge = 0; // battery limit 0 = 100 %
constexpr BYTE kAcOffline = 0;
constexpr BYTE kAcOnline = 1;
constexpr BYTE kBatteryFull = 100;

struct ComingBack {
    uint32_t limit;
    bool fixedByPolicy;
};

// The limit that comes back if the override ended now, for the calling user.
ComingBack LimitToComeBack(const FullChargeOnceFiles &files, const MachinePolicy &policy,
                           const FullChargeOnceRecord &record)
{
    if (policy.batteryChargeLimit)
        return {*policy.batteryChargeLimit, true};
    if (ReadSettingValue(files.settings, kKeyReferenceFlag) != 0) {
        const uint32_t bound = kBatteryChargeLimitBound;
        return {static_cast<uint32_t>(ReadSettingValue(files.settings, kKeyBatteryChargeLimit, &bound)), false};
    }
    return {record.limit, false};
}

bool ChargerOnline()
{
    SYSTEM_POWER_STATUS power{};
    return GetSystemPowerStatus(&power) && power.ACLineStatus == kAcOnline;
}

// 100 % unless the controller says it is there already (a controller that
// cannot be read gets it all the same).
int32_t ChargeToFull()
{
    uint32_t limit = 0;
    if (QueryChargeValue(KVF_CMD_GET_BATTERY_LIMIT, limit) && limit == kFullCharge)
        return 0;
    return SendChargeCommand(KVF_CMD_SET_BATTERY_LIMIT, kFullCharge) == 0 ? 0 : -1;
}

// Marks the record as ending, sends the limit decided now and removes the
// record. The caller holds the locks.
int32_t EndOverride(const FullChargeOnceFiles &files, FullChargeOnceRecord record, bool *policyRefused = nullptr)
{
    if (!record.ending) {
        record.ending = true;
        if (!WriteFullChargeOnceRecord(files, record))
            return -1;
    }
    const ComingBack back = LimitToComeBack(files, ReadMachinePolicy(), record);
    const uint32_t status = SendChargeCommand(KVF_CMD_SET_BATTERY_LIMIT, back.limit);
    if (status != 0) {
        if (status != ERROR_TIMEOUT && back.fixedByPolicy && policyRefused != nullptr)
            *policyRefused = true;
        return -1; // marked: the next session, follow or end tries again
    }
    if (back.fixedByPolicy)
        NotePolicyWritten(kKeyBatteryChargeLimit, back.limit);
    return RemoveFullChargeOnceRecord(files) ? 0 : -1;
}

int32_t Start()
{
    if (ReadMachinePolicy().allowFullChargeOnce == false) {
        SetLastError(kErrorDisabledByPolicy);
        return -1;
    }
    const FullChargeOnceFiles files = GetFullChargeOnceFiles();
    if (std::optional<FullChargeOnceRecord> record = ReadFullChargeOnceRecord(files)) {
        // Asked for again while an end was underway: it goes on after all.
        if (record->ending) {
            record->ending = false;
            if (!WriteFullChargeOnceRecord(files, *record))
                return -1;
        }
        return ChargeToFull();
    }
    FullChargeOnceRecord record;
    if (!QueryChargeValue(KVF_CMD_GET_BATTERY_LIMIT, record.limit))
        return -1;
    if (record.limit > kBatteryChargeLimitBound) {
        SetLastError(ERROR_INVALID_DATA);
        return -1; // nothing sound could come back
    }
    if (record.limit == kFullCharge)
        return 0; // charges to 100 % already
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
    if (record->ending)
        return EndOverride(files, *record) == 0 ? 1 : -1;
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

std::optional<int32_t> ContinueFullChargeOnce(const MachinePolicy &policy, bool &policyRefused)
{
    const FullChargeOnceFiles files = GetFullChargeOnceFiles();
    const std::optional<FullChargeOnceRecord> record = ReadFullChargeOnceRecord(files);
    if (!record)
        return std::nullopt;
    if (!record->ending && policy.allowFullChargeOnce != false)
        return ChargeToFull();
    bool refused = false;
    const int32_t ended = EndOverride(files, *record, &refused);
    if (refused) {
        policyRefused = true;
        return 0;
    }
    return ended;
}

bool MarkFullChargeOnceEnding(const FullChargeOnceFiles &files, std::optional<FullChargeOnceRecord> &record)
{
    record = ReadFullChargeOnceRecord(files);
    if (!record || record->ending)
        return true;
    FullChargeOnceRecord marked = *record;
    marked.ending = true;
    return WriteFullChargeOnceRecord(files, marked);
}

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
    const kvf::FullChargeOnceFiles files = kvf::GetFullChargeOnceFiles();
    const std::optional<kvf::FullChargeOnceRecord> record = kvf::ReadFullChargeOnceRecord(files);
    if (!record)
        return -1;
    return static_cast<int32_t>(kvf::LimitToComeBack(files, kvf::ReadMachinePolicy(), *record).limit);
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
