// The start-up step of a session: records the settings application's path
// and, when the file takes precedence, writes the stored charge options to
// the embedded controller.
#pragma once

#include <cstdint>

namespace kvf {

// 0, or -1 when the driver did not accept the stored values.
int32_t ApplyStoredChargeSettings();

} // namespace kvf
