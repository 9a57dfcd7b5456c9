#include "machine_policy.h"

#include <windows.h>

#include "KivoFCtrl.h"
#include "settings_file.h"

namespace kvf {
namespace {

constexpr wchar_t kPolicyKey[] = L"SOFTWARE\\Policies\\Zerin\\KivoFunctionButton";

std::optional<uint32_t> ReadPolicyValue(const wchar_t *name, uint32_t bound)
{
    DWORD value = 0;
    DWORD size = sizeof(value);
    // RRF_RT_REG_DWORD: a value of another type is refused, not converted.
    if (RegGetValueW(HKEY_LOCAL_MACHINE, kPolicyKey, name, RRF_RT_REG_DWORD, nullptr, &value, &size) !=
            ERROR_SUCCESS ||
        value > bound)
        return std::nullopt;
    return value;
}

// Set by the opening thread; read by whoever asks after it.
volatile LONG policyRefusedAtOpen = 0;

} // namespace

void SetPolicyRefusedAtOpen(bool refused) { InterlockedExchange(&policyRefusedAtOpen, refused ? 1 : 0); }

MachinePolicy ReadMachinePolicy()
{
    MachinePolicy policy;
    policy.batteryChargeLimit = ReadPolicyValue(L"BatteryChargeLimit", kBatteryChargeLimitBound);
    policy.usbCharge = ReadPolicyValue(L"USBCharge", kUSBChargeBound);
    if (const std::optional<uint32_t> allow = ReadPolicyValue(L"AllowFullChargeOnce", 1))
        policy.allowFullChargeOnce = *allow == 1;
    return policy;
}

} // namespace kvf

extern "C" int32_t KVFGetChargePolicy(void)
{
    const kvf::MachinePolicy policy = kvf::ReadMachinePolicy();
    int32_t fixed = 0;
    if (policy.batteryChargeLimit)
        fixed |= KVF_POLICY_BATTERY_LIMIT;
    if (policy.usbCharge)
        fixed |= KVF_POLICY_USB_CHARGE;
    if (policy.allowFullChargeOnce == false)
        fixed |= KVF_POLICY_NO_FULL_CHARGE_ONCE;
    if (InterlockedCompareExchange(&kvf::policyRefusedAtOpen, 0, 0) != 0)
        fixed |= KVF_POLICY_REFUSED;
    return fixed;
}
