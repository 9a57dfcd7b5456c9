// The host program on its whole button road, measured from outside:
//   - from a report's injection to the action's process having started (its
//     log line written), beside a bare round trip to the device plus a bare
//     CreateProcessW of the same recorder program, made between the host's
//     presses and watched the same way;
//   - the host's handles and private memory after start-up and after 1000
//     reports, the memory beside that of a bare window program (the
//     PlainWindow stand-in) started and measured the same way;
//   - from the device's re-installation to the first report's action.
// The host runs with a settings file whose items start the recorder; the
// user's settings file is put back afterwards.
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "bare_client.h"
#include "bench_table.h"
#include "handle_count.h"
#include "host_app.h"
#include "ini_text.h"
#include "log_folder.h"
#include "panel.h"
#include "log_watch.h"
#include "process_memory.h"
#include "sim_device.h"
#include "standin_process.h"
#include "test_paths.h"
#include "user_settings_guard.h"

namespace {

using bench::Now;

kvfbsim::Panel gPanel;
constexpr int kReports = 1000;
constexpr int kReportsPerBareStart = 10;
constexpr int kBareStarts = kReports / kReportsPerBareStart;
constexpr DWORD kStandInSettleMs = 1000;

bool WaitPending(unsigned long n) { return bench::WaitPending(gPanel, n); }

// CreateProcessW of the recorder until its log line is there.
bool BareStart(bench::LogWatch &log, std::vector<double> &samples)
{
    std::wstring command = L"\"" + kivotest::BinFile(L"CommandRecorder.exe") + L"\" bare";
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info{};
    const size_t lines = log.Lines();
    const LONGLONG start = Now();
    if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info))
        return false;
    const bool seen = log.WaitBeyond(lines);
    samples.push_back(bench::Milliseconds(Now() - start));
    WaitForSingleObject(info.hProcess, INFINITE);
    CloseHandle(info.hThread);
    CloseHandle(info.hProcess);
    return seen;
}

struct Footprint {
    size_t handles = 0;
    size_t privateKiB = 0;
};

Footprint FootprintOf(DWORD processId)
{
    return {kivotest::CountProcessHandles(processId).value_or(0),
            kivotest::PrivateBytes(processId).value_or(0) / 1024};
}

// Release and press of button A: one action per press. The latency of
// each press from its injection to the action's log line. With starts, a
// bare start of the recorder follows every fifth press, once the host waits
// for its next report: both are measured in the same conditions.
bool Presses(bench::LogWatch &log, int reports, std::vector<double> *samples,
             std::vector<double> *starts = nullptr)
{
    for (int i = 0; i < reports; ++i) {
        if (!WaitPending(1))
            return false;
        const bool press = i % 2 == 1;
        const size_t lines = log.Lines();
        const LONGLONG start = Now();
        if (!gPanel.injectReport(press ? 1 : 0))
            return false;
        if (!press)
            continue;
        if (!log.WaitBeyond(lines))
            return false;
        if (samples != nullptr)
            samples->push_back(bench::Milliseconds(Now() - start));
        if (starts != nullptr && i % kReportsPerBareStart == kReportsPerBareStart - 1 &&
            (!WaitPending(1) || !BareStart(log, *starts)))
            return false;
    }
    return true;
}

// The bare window stand-in, started as the host is and measured the same
// way once its window waits for messages; 0 when it could not be measured.
size_t StandInPrivateKiB()
{
    standintest::StandInProcess plain;
    if (!plain.Start(kivotest::BinFile(L"PlainWindow.exe")))
        return 0;
    const HWND window = plain.WaitForWindow(L"PlainWindowStandInWindow");
    if (window == nullptr)
        return 0;
    Sleep(kStandInSettleMs);
    const size_t privateKiB = kivotest::PrivateBytes(plain.id()).value_or(0) / 1024;
    plain.CloseAndWait(window);
    return privateKiB;
}

int Fail(const char *what)
{
    std::fprintf(stderr, "host_road_bench: %s\n", what);
    return 1;
}

} // namespace

int wmain()
{
    if (!gPanel.open() || !gPanel.reset())
        return Fail("the simulated driver's control panel is missing");
    const hosttest::UserSettingsGuard settings;
    const standintest::LogFolder logs;
    bench::LogWatch log(logs.File(L"CommandRecorder.log"), logs.path());
    if (!log.valid())
        return Fail("cannot watch the log folder");
    hosttest::IniText ini = hosttest::IniText::Valid(3);
    for (int n = 1; n <= 3; ++n) {
        ini.Set(hosttest::IniText::ItemSection(n), L"ItemName", L"Item " + std::to_wstring(n));
        ini.Set(hosttest::IniText::ItemSection(n), L"ItemPath", kivotest::BinFile(L"CommandRecorder.exe"));
        ini.Set(hosttest::IniText::ItemSection(n), L"ItemOption", L"item" + std::to_wstring(n));
    }
    if (!settings.WriteUserFile(hosttest::AsciiBytes(ini.Text())))
        return Fail("cannot write the settings file");

    const std::vector<double> bare = bench::BareRoundTrips(gPanel, 200);
    if (bare.size() != 200)
        return Fail("a bare round trip did not complete");

    hosttest::HostApp host;
    if (!host.Start() || host.WaitMainWindow() == nullptr || !WaitPending(1))
        return Fail("the host did not start its notification");
    // The first press runs the first action, which loads what every later
    // one reuses: the baseline comes after it.
    if (!Presses(log, 2, nullptr))
        return Fail("the first press ran nothing");
    const Footprint started = FootprintOf(host.id());
    std::vector<double> actions;
    std::vector<double> starts;
    if (!Presses(log, kReports, &actions, &starts))
        return Fail("a press or a bare start ran nothing");
    if (starts.size() != kBareStarts)
        return Fail("a bare start is missing");
    const Footprint soaked = FootprintOf(host.id());

    // The device uninstalled and installed again while the host runs.
    if (!kivotest::RemoveSimDevice() || !kivotest::InstallSimDevice())
        return Fail("the device could not be installed again");
    const LONGLONG installed = Now();
    if (!gPanel.open() || !WaitPending(1))
        return Fail("the host did not come back after the re-installation");
    const double toRequest = bench::Milliseconds(Now() - installed);
    if (!Presses(log, 2, nullptr))
        return Fail("no action after the re-installation");
    const double toAction = bench::Milliseconds(Now() - installed);
    PostMessageW(host.mainWindow, WM_CLOSE, 0, 0);
    host.WaitExit();
    const size_t standInKiB = StandInPrivateKiB();
    if (standInKiB == 0)
        return Fail("the bare window stand-in could not be measured");

    const bench::Summary bareSummary = bench::Summarize(bare);
    const bench::Summary startSummary = bench::Summarize(starts);
    const bench::Summary baseline{bareSummary.p50 + startSummary.p50, bareSummary.p99 + startSummary.p99};
    bench::Row("bare round trip (beside the host rows)", bare.size(), bareSummary, "ms", "baseline: bare round trip");
    bench::Row("bare CreateProcessW of the recorder to its log line", starts.size(), startSummary, "ms",
               "baseline: bare start");
    bench::Row("host: report injected to action's log line", actions.size(), bench::Summarize(actions), "ms",
               baseline, "bare round trip + bare start");
    char note[64];
    bench::Value("host: handles after start-up and a first press", static_cast<double>(started.handles), "");
    std::snprintf(note, sizeof(note), "%+lld after start-up",
                  static_cast<long long>(soaked.handles) - static_cast<long long>(started.handles));
    // Wine's WaitForInputIdle keeps one handle per started program.
    bench::Value("host: handles after 1000 more reports", static_cast<double>(soaked.handles), "", note);
    bench::Value("bare window stand-in: private memory after start-up", static_cast<double>(standInKiB), "KiB",
                 "baseline: bare window stand-in");
    std::snprintf(note, sizeof(note), "%.2fx bare window stand-in",
                  static_cast<double>(started.privateKiB) / static_cast<double>(standInKiB));
    bench::Value("host: private memory after start-up and a first press", static_cast<double>(started.privateKiB), "KiB",
                 note);
    std::snprintf(note, sizeof(note), "%+lld KiB after start-up",
                  static_cast<long long>(soaked.privateKiB) - static_cast<long long>(started.privateKiB));
    bench::Value("host: private memory after 1000 more reports", static_cast<double>(soaked.privateKiB), "KiB", note);
    bench::Value("host: device re-installed to its new request", toRequest, "ms");
    bench::Value("host: device re-installed to first press's action", toAction, "ms");
    gPanel.reset();
    return 0;
}
