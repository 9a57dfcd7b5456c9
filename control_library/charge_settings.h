// The start-up step of a session: records the settings application's path,
// completes a one-time full charge that runs or ends, writes what the
// machine policy fixes, gives back to the user what a lifted policy wrote,
// and, when the file takes precedence, writes the stored charge options to
// the embedded controller.
#pragma once

#include <cstdint>

namespace kvf {

// 0, or -1 when the driver did not accept the stored values. Without the
// charge options' locks the step is left out (0). A value the machine policy fixes that the driver
// refuses does not fail the step (the buttons must work all the same): it
// sets policyRefused, and the next session's start tries again.
int32_t ApplyStoredChargeSettings(bool &policyRefused);

} // namespace kvf
