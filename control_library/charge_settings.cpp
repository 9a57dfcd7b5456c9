#include "charge_settings.h"

#include <windows.h>

#include <shlwapi.h>
#include <strsafe.h>

#include "KivoFCtrl.h"
#include "charge_locks.h"
#include "driver_channel.h"
#include "driver_interface.h"
#include "full_charge_once.h"
#include "policy_written.h"
#include "library_module.h"
#include "machine_policy.h"
#include "settings_file.h"

namespace kvf {

namespace {

constexpr wchar_t kSection[] = L"Setting";
constexpr size_t kMaxAppPathLength = 256;

// One charge option as a session's start writes it.
struct Option {
    uint32_t get;
    uint32_t set;
    const wchar_t *key;
    uint32_t bound;
    int32_t (*setter)(uint32_t); // the export, which writes the file and the controller
};

const Option kBatteryLimit{KVF_CMD_GET_BATTERY_LIMIT, KVF_CMD_SET_BATTERY_LIMIT, kKeyBatteryChargeLimit,
                           kBatteryChargeLimitBound, KVFSetButteryChargeLimitStat};
const Option kUSBCharge{KVF_CMD_GET_USB_CHARGE, KVF_CMD_SET_USB_CHARGE, kKeyUSBCharge, kUSBChargeBound,
                        KVFSetUSBChargeStat};

uint32_t StoredValue(const wchar_t *path, const Option &option)
{
    return static_cast<uint32_t>(ReadSettingValue(path, option.key, &option.bound));
}

// What the policy fixes is written whatever the file says, and noted. Once
// the policy no longer fixes it, the user's stored value replaces the
// policy's where the controller still holds it. Else the stored value goes
// out when the file takes precedence (applyFile).
int32_t ApplyOption(const wchar_t *path, const Option &option, std::optional<uint32_t> fixed, bool applyFile,
                    bool &policyRefused)
{
    if (fixed) {
        const uint32_t status = SendChargeCommand(option.set, *fixed);
        // No answer is no refusal: the value may still reach the
        // controller, and the next start sends it again.
        if (status == ERROR_TIMEOUT)
            return -1;
        if (status != 0)
            policyRefused = true;
        else
            NotePolicyWritten(option.key, *fixed);
        return 0;
    }
    if (const std::optional<uint32_t> written = ReadPolicyWritten(option.key, option.bound)) {
        uint32_t now = 0;
        if (!QueryChargeValue(option.get, now) || now == *written) {
            if (SendChargeCommand(option.set, StoredValue(path, option)) != 0)
                return -1; // noted still: the next start tries again
            NotePolicyWritten(option.key, std::nullopt);
            return 0;
        }
        NotePolicyWritten(option.key, std::nullopt); // changed since: not the policy's any more
    }
    if (!applyFile)
        return 0;
    return option.setter(StoredValue(path, option));
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

int32_t ApplyStoredChargeSettings(bool &policyRefused)
{
    wchar_t path[MAX_PATH] = L"";
    GetSettingFilePath(path);

    wchar_t appPath[MAX_PATH];
    if (GetSettingAppPath(appPath))
        WriteSettingString(path, kKeySettinAppPath, appPath);

    // The setters take the same locks again, which this thread holds.
    // Without them nothing of the charge options is read or written; the
    // session opens all the same (the buttons need no lock of these), and
    // the next session's start tries again. Only a lock another process
    // held past the bound fails the step (ERROR_TIMEOUT): the caller opens
    // the session anew soon.
    const ChargeLocks locks(ChargeLocks::kFullChargeOnceAndSettingsFile);
    if (!locks.Held())
        return GetLastError() == ERROR_TIMEOUT ? -1 : 0;
    const MachinePolicy policy = ReadMachinePolicy();
    const bool applyFile = FileTakesPrecedence(path);
    // Both are made, battery first. A running one-time full charge comes
    // before everything the settings and the policy say of the limit: a
    // resume, a driver that came back or another user's session must not
    // end it.
    int32_t battery = 0;
    if (const std::optional<int32_t> once = ContinueFullChargeOnce(policy, policyRefused))
        battery = *once;
    else
        battery = ApplyOption(path, kBatteryLimit, policy.batteryChargeLimit, applyFile, policyRefused);
    const int32_t usb = ApplyOption(path, kUSBCharge, policy.usbCharge, applyFile, policyRefused);
    return battery != 0 || usb != 0 ? -1 : 0;
}

} // namespace kvf
