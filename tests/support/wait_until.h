// Waiting for what another process, the driver or Wine brings about.
#pragma once

#include <windows.h>

#include <functional>

namespace kivotest {

// Long enough for a loaded machine, short next to any test's time-out.
inline constexpr DWORD kSettleMs = 10000;

// Asks the condition every 15 ms until it holds: true then, false when it
// still does not hold after the time. A value another party updates (a
// handle's close reaching the driver, a file another program writes, a
// window of another process) may lag the action that causes it, so a test
// waits for it with this before asserting it exactly.
bool WaitUntil(const std::function<bool()> &condition, DWORD timeoutMs = kSettleMs);

} // namespace kivotest
