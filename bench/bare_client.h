// What the benchmarks do to the simulated driver directly: wait until it
// holds requests, and time bare round trips of a plain client (a pending
// button request completed by an injected report), the baseline of every
// report latency.
#pragma once

#include <windows.h>
#include <winioctl.h>

#include <vector>

#include "bench_table.h"
#include "panel.h"

namespace bench {

// Waits until the driver holds n pending requests; false after a while.
inline bool WaitPending(kvfbsim::Panel &panel, unsigned long n)
{
    for (int i = 0; i < 30000; ++i) {
        KVFBSIM_STATUS s{};
        if (panel.getStatus(s) && s.PendingNow == n)
            return true;
        Sleep(i < 1000 ? 0 : 1);
    }
    return false;
}

// Round trips in milliseconds; fewer than count when one failed.
inline std::vector<double> BareRoundTrips(kvfbsim::Panel &panel, int count)
{
    std::vector<double> samples;
    const HANDLE device = CreateFileW(KVFB_DEVICE_PATH, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                      nullptr, OPEN_EXISTING, FILE_FLAG_OVERLAPPED, nullptr);
    if (device == INVALID_HANDLE_VALUE)
        return samples;
    const HANDLE event = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    for (int i = 0; i < count; ++i) {
        OVERLAPPED overlapped{};
        overlapped.hEvent = event;
        DWORD report = 0, returned = 0;
        if (DeviceIoControl(device, KVFB_IOCTL_WAIT_BUTTON_EVENT, nullptr, 0, &report, sizeof(report), &returned,
                            &overlapped) ||
            GetLastError() != ERROR_IO_PENDING)
            break;
        const LONGLONG start = Now();
        panel.injectReport(1);
        WaitForSingleObject(event, INFINITE);
        samples.push_back(Milliseconds(Now() - start));
    }
    CloseHandle(event);
    CloseHandle(device);
    return samples;
}

} // namespace bench
