// The simulated driver's counters, read once they have caught up.
#pragma once

#include <windows.h>

#include <functional>

#include "panel.h"
#include "wait_until.h"

namespace kivotest {

// The counters once they satisfy the condition, or the last read when they
// still do not after the time, so that the exact assertions that follow name
// what is wrong. A handle's close (CloseHandle, the end of the process that
// held it) reaches the driver asynchronously in Wine, and a request another
// thread or process issues arrives when it arrives.
inline KVFBSIM_STATUS SettledStatus(kvfbsim::Panel &panel,
                                    const std::function<bool(const KVFBSIM_STATUS &)> &settled,
                                    DWORD timeoutMs = kSettleMs)
{
    KVFBSIM_STATUS s{};
    WaitUntil([&] { return panel.getStatus(s) && settled(s); }, timeoutMs);
    return s;
}

} // namespace kivotest
