// The one-time full charge as a session's start sees it.
#pragma once

#include <cstdint>
#include <optional>

#include "full_charge_once_record.h"
#include "machine_policy.h"

namespace kvf {

// Under the caller's locks (ChargeLocks::kFullChargeOnceAndSettingsFile):
// when a record is present, the controller gets 100 % (unless it is there
// already), whatever the user's settings say; a record whose end had begun,
// or one the policy now forbids, is ended. Empty when no record is present
// (the battery limit's usual step follows); else 0 or -1. A limit the
// policy fixes that the controller refuses at the end sets policyRefused
// and does not count as a failure.
std::optional<int32_t> ContinueFullChargeOnce(const MachinePolicy &policy, bool &policyRefused);

// Under the battery setter's locks, before it sends a new limit: reads the
// record into record and marks it as ending, so that a stop before the
// record's removal leaves an end to complete, never a 100 % to put back.
// False when the mark could not be written (nothing may be sent then).
bool MarkFullChargeOnceEnding(const FullChargeOnceFiles &files, std::optional<FullChargeOnceRecord> &record);

} // namespace kvf
