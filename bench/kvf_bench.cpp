// Benchmarks of the control library against the simulated driver:
//   - report latency: from injecting a report to the callback's entry,
//     beside a bare overlapped DeviceIoControl round trip to the same device
//     (the same injection completing a request of a plain client);
//   - KVFClose latency with the notification thread in its wait and in its
//     pause after a callback.
// Prints one table; every figure comes from this run on this machine.
#include <windows.h>
#include <winioctl.h>

#include <algorithm>
#include <string>
#include <atomic>
#include <cstdio>
#include <vector>

#include "KivoFCtrl.h"
#include "bare_client.h"
#include "bench_table.h"
#include "panel.h"

namespace {

using bench::Now;
using bench::Summarize;
using bench::Summary;

double Microseconds(LONGLONG ticks) { return bench::Milliseconds(ticks) * 1e3; }

kvfbsim::Panel gPanel;

bool WaitPending(unsigned long n) { return bench::WaitPending(gPanel, n); }

std::atomic<LONGLONG> gCallbackEntry{0};
HANDLE gCallbackEvent;

void Callback(uint32_t)
{
    gCallbackEntry.store(Now());
    SetEvent(gCallbackEvent);
}

std::vector<double> ReportLatencies(int count)
{
    std::vector<double> samples;
    if (KVFOpen() != 0 || KVFSetCallbackFunc(Callback) != 0) {
        KVFClose();
        return samples;
    }
    for (int i = 0; i < count; ++i) {
        if (!WaitPending(1))
            break;
        const LONGLONG start = Now();
        gPanel.injectReport(1);
        WaitForSingleObject(gCallbackEvent, INFINITE);
        samples.push_back(Microseconds(gCallbackEntry.load() - start));
    }
    KVFClose();
    return samples;
}

// KVFClose with the thread waiting for a report, or pausing after a call.
std::vector<double> CloseLatencies(int count, bool inPause)
{
    std::vector<double> samples;
    for (int i = 0; i < count; ++i) {
        gPanel.reset();
        if (KVFOpen() != 0 || KVFSetCallbackFunc(Callback) != 0 || !WaitPending(1)) {
            KVFClose();
            break;
        }
        if (inPause) {
            gPanel.injectReport(1);
            WaitForSingleObject(gCallbackEvent, INFINITE);
            Sleep(20); // well inside the 100 ms pause
        }
        const LONGLONG start = Now();
        KVFClose();
        samples.push_back(Microseconds(Now() - start));
    }
    return samples;
}

} // namespace

int main()
{
    gCallbackEvent = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    if (!gPanel.open() || !gPanel.reset()) {
        fprintf(stderr, "kvf_bench: the simulated driver's control panel is missing\n");
        return 1;
    }
    constexpr int kReports = 200;
    constexpr int kCloses = 100;
    std::vector<double> bare = bench::BareRoundTrips(gPanel, kReports);
    for (double &sample : bare)
        sample *= 1e3;
    const std::vector<double> reports = ReportLatencies(kReports);
    const std::vector<double> closeWait = CloseLatencies(kCloses, false);
    const std::vector<double> closePause = CloseLatencies(kCloses, true);
    gPanel.reset();
    if (bare.size() != kReports || reports.size() != kReports || closeWait.size() != kCloses ||
        closePause.size() != kCloses) {
        fprintf(stderr, "kvf_bench: a measurement did not complete\n");
        return 1;
    }
    const Summary bareSummary = Summarize(bare);
    bench::Row("bare overlapped DeviceIoControl round trip", bare.size(), bareSummary, "us", "baseline: bare round trip");
    bench::Row("report: injection to callback entry", reports.size(), Summarize(reports), "us", bareSummary,
               "bare round trip");
    bench::Row("KVFClose, thread waiting for a report", closeWait.size(), Summarize(closeWait), "us", "goal < 5000");
    bench::Row("KVFClose, thread in its pause", closePause.size(), Summarize(closePause), "us", "goal < 5000");
    return 0;
}
