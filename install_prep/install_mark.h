// The one-shot install mark in the current user's registry hive: the outside
// installer sets it, and the first check that finds it consumes it.
#pragma once

namespace zrinstallprep {

// Writes the mark: 1 when the value was written, else 0.
int SetRegMark();

// 1 when a valid mark was present; its key has then been deleted. 0 when
// there was none (the key, if any, is left as it was).
int CheckRegMark();

} // namespace zrinstallprep
