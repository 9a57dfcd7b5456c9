// The machine policy for the charge options: values an administrator sets
// under HKLM\SOFTWARE\Policies\Zerin\KivoFunctionButton (by Group Policy or
// device management) fix an option for every user of the machine. Only
// REG_DWORD values in range count; anything else is as if absent, and a key
// of the same name under HKCU counts for nothing.
#pragma once

#include <cstdint>
#include <optional>

namespace kvf {

// Error code of a request the policy does not allow
// (ERROR_ACCESS_DISABLED_BY_POLICY).
constexpr uint32_t kErrorDisabledByPolicy = 1260;

struct MachinePolicy {
    std::optional<uint32_t> batteryChargeLimit; // 0 = 100 %, 1 = 80 %, 2 = 50 %
    std::optional<uint32_t> usbCharge;          // 0 off, 1 on
    std::optional<bool> allowFullChargeOnce;
};

// Read anew at every call: a policy refresh takes effect at the next one.
MachinePolicy ReadMachinePolicy();

// Whether the last KVFOpen of this process found a value the policy fixes
// refused by the controller (KVF_POLICY_REFUSED).
void SetPolicyRefusedAtOpen(bool refused);

} // namespace kvf
