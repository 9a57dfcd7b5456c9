// The running host across session changes, the end of the Windows session
// and a new taskbar, and button presses from the driver to their actions.
#include <gtest/gtest.h>

#include <windows.h>
#include <dbt.h>
#include <shellapi.h>
#include <shlobj.h>
#include <wtsapi32.h>

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "KivoFCtrl.h"
#include "actions/started_program.h"
#include "button_road_fixture.h"
#include "file_bytes.h"
#include "handle_count.h"
#include "process.h"
#include "host_app_fixture.h"
#include "process_memory.h"
#include "sim_device.h"
#include "test_paths.h"
#include "wait_until.h"

namespace hosttest {
namespace {

// Handles the platform's WaitForInputIdle leaves in the caller per call.
size_t WaitForInputIdleKeeps()
{
    const auto startAndWait = [] {
        std::wstring command = kivotest::BinFile(L"CommandRecorder.exe") + L" calibrate";
        STARTUPINFOW startup{};
        startup.cb = sizeof(startup);
        PROCESS_INFORMATION info{};
        if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info))
            return;
        WaitForInputIdle(info.hProcess, INFINITE);
        WaitForSingleObject(info.hProcess, INFINITE);
        CloseHandle(info.hThread);
        CloseHandle(info.hProcess);
    };
    startAndWait();
    const std::optional<size_t> before = kivotest::CountProcessHandles();
    for (int i = 0; i < 4; ++i)
        startAndWait();
    const std::optional<size_t> after = kivotest::CountProcessHandles();
    return before && after && *after > *before ? (*after - *before) / 4 : 0;
}

class RunningHost : public HostAppTest {
protected:
    void TearDown() override
    {
        kivotest::EndProcessesOf(L"PlainWindow.exe");
        HostAppTest::TearDown();
    }
    // Waits until the driver's counters are as asked.
    bool WaitStatus(const std::function<bool(const KVFBSIM_STATUS &)> &done)
    {
        return done(SettledStatus(done));
    }
    bool WaitOpensCloses(unsigned long opens, unsigned long closes)
    {
        return WaitStatus([&](const KVFBSIM_STATUS &s) { return s.Opens == opens && s.Closes == closes; });
    }
    // A close reaches the driver a moment after CloseHandle.
    bool WaitOpenHandles(unsigned long n)
    {
        return WaitStatus([&](const KVFBSIM_STATUS &s) { return s.OpenHandles == n; });
    }
};

TEST_F(RunningHost, SessionChangesCloseAndReopenTheLibrarySession)
{
    HostApp host;
    ASSERT_TRUE(StartRunning(host));
    struct Step {
        WPARAM state;
        unsigned long opens;
        unsigned long closes;
    };
    const Step steps[] = {
        {WTS_CONSOLE_DISCONNECT, 1, 1}, {WTS_CONSOLE_DISCONNECT, 1, 1}, {WTS_CONSOLE_CONNECT, 2, 1},
        {WTS_CONSOLE_CONNECT, 2, 1},    {WTS_SESSION_LOCK, 2, 1},       {WTS_REMOTE_DISCONNECT, 2, 2},
        {WTS_SESSION_UNLOCK, 2, 2},     {WTS_REMOTE_CONNECT, 3, 2},
    };
    for (const Step &step : steps) {
        SCOPED_TRACE(step.state);
        SendMessageW(host.mainWindow, WM_WTSSESSION_CHANGE, step.state, 1);
        EXPECT_TRUE(WaitOpensCloses(step.opens, step.closes));
        EXPECT_TRUE(WaitPending(step.opens > step.closes ? 1u : 0u));
    }
    // Notification works again after the reconnect.
    ASSERT_TRUE(panel_.injectReport(0));
    ASSERT_TRUE(panel_.injectReport(1));
    EXPECT_EQ(WaitLogLines(logs_.File(L"CommandRecorder.log"), 1), std::vector<std::string>{"start item2"});
}

// The control library's own settings file, kept as it was.
class LibrarySettingsGuard {
public:
    LibrarySettingsGuard()
    {
        wchar_t roaming[MAX_PATH] = {};
        SHGetFolderPathW(nullptr, CSIDL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, roaming);
        file_ = std::wstring(roaming) + L"\\zerin\\KivoFCtrl\\KivoFCtrl.ini";
        saved_ = ReadFileBytes(file_);
    }
    ~LibrarySettingsGuard()
    {
        if (saved_)
            WriteFileBytes(file_, *saved_);
        else
            DeleteFileW(file_.c_str());
    }
    // Stored options as the charge settings application leaves them: the
    // library writes them to the controller at every opening.
    bool StoreOptions(const wchar_t *batteryLimit, const wchar_t *usbCharge) const
    {
        const std::wstring app = kivotest::BinFile(L"CommandRecorder.exe");
        const std::pair<const wchar_t *, const wchar_t *> values[] = {{L"ReferenceFlag", L"1"},
                                                                      {L"SettinAppPath", app.c_str()},
                                                                      {L"BatteryChargeLimit", batteryLimit},
                                                                      {L"USBCharge", usbCharge}};
        for (const auto &[key, value] : values)
            if (!WritePrivateProfileStringW(L"Setting", key, value, file_.c_str()))
                return false;
        return true;
    }

private:
    std::wstring file_;
    std::optional<std::string> saved_;
};

TEST_F(RunningHost, AResumeOpensTheLibrarySessionAgain)
{
    const LibrarySettingsGuard library;
    HostApp host;
    ASSERT_TRUE(StartRunning(host));
    // The controller lost the stored options during the sleep.
    ASSERT_TRUE(library.StoreOptions(L"1", L"1"));
    ASSERT_TRUE(panel_.setEc(0, 0));
    // A burst of resume events: one new session.
    for (const WPARAM event : {PBT_APMRESUMESUSPEND, PBT_APMRESUMEAUTOMATIC, PBT_APMRESUMESUSPEND})
        EXPECT_EQ(SendMessageW(host.mainWindow, WM_POWERBROADCAST, event, 0), TRUE);
    SendMessageW(host.mainWindow, WM_POWERBROADCAST, PBT_APMSUSPEND, 0);
    EXPECT_TRUE(WaitOpensCloses(2, 1));
    EXPECT_TRUE(WaitPending(1));
    // The new session applied them again.
    EXPECT_EQ(Status().Ec.BatteryLimit, 1u);
    EXPECT_EQ(Status().Ec.UsbCharge, 1u);
    Sleep(1500);
    EXPECT_EQ(Status().Opens, 2u);
    ASSERT_TRUE(panel_.injectReport(0));
    ASSERT_TRUE(panel_.injectReport(1));
    EXPECT_EQ(WaitLogLines(logs_.File(L"CommandRecorder.log"), 1), std::vector<std::string>{"start item2"});

    // Another registration of this session blocks the new one at resume:
    // its error once, the program goes on and recovers at the next resume.
    // (A handle of the registration's mutex keeps it in existence.)
    const HANDLE registration = CreateMutexW(nullptr, FALSE, L"hMutexThread");
    ASSERT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ALREADY_EXISTS)) << "the host is registered";
    SendMessageW(host.mainWindow, WM_POWERBROADCAST, PBT_APMRESUMEAUTOMATIC, 0);
    EXPECT_EQ(TakeBox(host), L"Already executing.");
    EXPECT_EQ(host.WaitWindow(kErrorCaption, 2000), nullptr);
    EXPECT_TRUE(host.Running());
    EXPECT_TRUE(TrayIconPresent(host.mainWindow));
    EXPECT_TRUE(WaitPending(0));
    CloseHandle(registration);
    SendMessageW(host.mainWindow, WM_POWERBROADCAST, PBT_APMRESUMEAUTOMATIC, 0);
    EXPECT_TRUE(WaitPending(1));
    EXPECT_EQ(host.WaitWindow(kErrorCaption, 1000), nullptr);
    ASSERT_TRUE(panel_.injectReport(0));
    ASSERT_TRUE(panel_.injectReport(1));
    EXPECT_EQ(WaitLogLines(logs_.File(L"CommandRecorder.log"), 2),
              (std::vector<std::string>{"start item2", "start item2"}));

    // Disconnected, a resume changes nothing.
    SendMessageW(host.mainWindow, WM_WTSSESSION_CHANGE, WTS_CONSOLE_DISCONNECT, 1);
    ASSERT_TRUE(WaitPending(0));
    const KVFBSIM_STATUS before = Status();
    SendMessageW(host.mainWindow, WM_POWERBROADCAST, PBT_APMRESUMEAUTOMATIC, 0);
    Sleep(1500);
    EXPECT_EQ(Status().Opens, before.Opens);
    EXPECT_TRUE(panel_.setEc(0, 0));
}

// The driver's side goes away under the running host; the host comes back
// by itself, without a box, and the next press runs its action.
TEST_F(RunningHost, ALostDriverSessionComesBackWithoutARestart)
{
    struct Row {
        const char *name;
        std::function<bool()> disrupt;
    };
    const Row rows[] = {
        {"device uninstalled, then installed again",
         [this] {
             if (!kivotest::RemoveSimDevice())
                 return false;
             // Nothing to show while the device is away.
             Sleep(3000);
             return kivotest::InstallSimDevice() && panel_.open();
         }},
        {"pending request failed by the driver",
         [this] { return panel_.failButton(0xC00000A3u); }}, // STATUS_DEVICE_NOT_READY
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.name);
        PrepareRow(nullptr);
        HostApp host;
        ASSERT_TRUE(StartRunning(host));
        ASSERT_TRUE(row.disrupt());
        EXPECT_TRUE(WaitPending(1));
        ASSERT_TRUE(panel_.injectReport(0));
        ASSERT_TRUE(panel_.injectReport(1));
        EXPECT_EQ(WaitLogLines(logs_.File(L"CommandRecorder.log"), 1), std::vector<std::string>{"start item2"});
        EXPECT_EQ(host.WaitWindow(kErrorCaption, 200), nullptr);
        EXPECT_TRUE(TrayIconPresent(host.mainWindow));
        // One session of the host holds the device: the old one was closed.
        EXPECT_TRUE(WaitOpenHandles(1));
        EXPECT_TRUE(WaitPending(1));
    }
}

// A driver that fails every button request: the host keeps trying, but less
// and less often (1 s, 2 s, 4 s ... after its 2 s watch noticed), not every
// few seconds for ever.
TEST_F(RunningHost, ARecoveryThatKeepsFailingBacksOff)
{
    HostApp host;
    ASSERT_TRUE(StartRunning(host));
    ASSERT_TRUE(panel_.failButton(0xC00000A3u, 1000)); // STATUS_DEVICE_NOT_READY
    Sleep(20000);
    // Reopenings by about 3 s, 7 s and 13 s; without the back-off about
    // every 3 s.
    const unsigned long opens = Status().Opens;
    EXPECT_GE(opens, 3u);
    EXPECT_LE(opens, 4u);
    EXPECT_EQ(host.WaitWindow(kErrorCaption, 200), nullptr);
    EXPECT_TRUE(panel_.clearFailures());
}

// While a recovery's box is open, more events neither stack a second box
// nor reopen underneath it; the reopening they asked for follows the box.
TEST_F(RunningHost, ARecoveryBoxNeverStacks)
{
    HostApp host;
    ASSERT_TRUE(StartRunning(host));
    // Another registration of the session makes the reopening fail.
    const HANDLE registration = CreateMutexW(nullptr, FALSE, L"hMutexThread");
    ASSERT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ALREADY_EXISTS));
    SendMessageW(host.mainWindow, WM_POWERBROADCAST, PBT_APMRESUMEAUTOMATIC, 0);
    ASSERT_NE(host.WaitWindow(kErrorCaption), nullptr);
    const unsigned long opens = Status().Opens;
    for (int i = 0; i < 3; ++i) {
        SendMessageW(host.mainWindow, WM_POWERBROADCAST, PBT_APMRESUMEAUTOMATIC, 0);
        Sleep(1200);
    }
    EXPECT_EQ(WindowsOfProcess(host.id(), kErrorCaption).size(), 1u);
    EXPECT_EQ(Status().Opens, opens);
    CloseHandle(registration);
    EXPECT_EQ(TakeBox(host), L"Already executing.");
    EXPECT_TRUE(WaitPending(1));
    EXPECT_EQ(host.WaitWindow(kErrorCaption, 1500), nullptr);
}

// A session connect while the device is away: its error once, then the
// host waits for the device instead of ending.
TEST_F(RunningHost, AConnectWithoutTheDeviceWaitsForIt)
{
    HostApp host;
    ASSERT_TRUE(StartRunning(host));
    ASSERT_TRUE(kivotest::RemoveSimDevice());
    SendMessageW(host.mainWindow, WM_WTSSESSION_CHANGE, WTS_CONSOLE_DISCONNECT, 1);
    PostMessageW(host.mainWindow, WM_WTSSESSION_CHANGE, WTS_CONSOLE_CONNECT, 1);
    EXPECT_EQ(TakeBox(host), L"Can not open Function Button Driver.");
    PostMessageW(host.mainWindow, WM_WTSSESSION_CHANGE, WTS_CONSOLE_CONNECT, 1);
    EXPECT_EQ(host.WaitWindow(kErrorCaption, 1500), nullptr) << "said once";
    EXPECT_TRUE(host.Running());
    ASSERT_TRUE(kivotest::InstallSimDevice() && panel_.open());
    EXPECT_TRUE(WaitPending(1));
    ASSERT_TRUE(panel_.injectReport(0));
    ASSERT_TRUE(panel_.injectReport(1));
    EXPECT_EQ(WaitLogLines(logs_.File(L"CommandRecorder.log"), 1), std::vector<std::string>{"start item2"});
}

// A start while another program's request holds the driver: the host does
// not end, shows nothing, and its session opens once the driver is free.
TEST_F(RunningHost, AStartWhileTheDriverIsHeldOpensTheSessionLater)
{
    HANDLE driverLock = CreateMutexW(nullptr, TRUE, L"hMutexDriver");
    ASSERT_NE(driverLock, nullptr);
    HostApp host;
    const bool started = host.Start() && host.WaitMainWindow() != nullptr;
    const bool boxShown = host.WaitWindow(kErrorCaption, 3000) != nullptr;
    ReleaseMutex(driverLock);
    CloseHandle(driverLock);
    ASSERT_TRUE(started);
    EXPECT_FALSE(boxShown);
    EXPECT_TRUE(WaitPending(1)) << "the session opened once the driver was free";
    EXPECT_TRUE(host.Running());
}

// Device events as the system sends them, in bursts, repeated, out of order
// and of other devices: each burst gives at most one new session, a removal
// lets go of the device at once, and nothing shows a box.
TEST_F(RunningHost, DeviceEventsInAnyOrderGiveOneSessionPerBurst)
{
    enum Event { Arrival, Removal, OtherArrival, NodesChanged };
    struct Row {
        const char *name;
        std::vector<Event> burst;
        unsigned long opens;  // of the host, after the burst settled
        unsigned long closes;
    };
    const Row rows[] = {
        {"three arrivals", {Arrival, Arrival, Arrival}, 2, 1},
        {"another device's arrival, nodes changed", {OtherArrival, NodesChanged}, 1, 0},
        {"removal", {Removal}, 1, 1},
        {"arrival then removal", {Arrival, Removal}, 1, 1},
        {"removal then arrival", {Removal, Arrival}, 2, 1},
        {"removal twice, arrival twice", {Removal, Removal, Arrival, Arrival}, 2, 1},
    };
    const GUID ours = KVF_DEVICE_INTERFACE_GUID_INIT;
    const GUID other = {0x4d36e97d, 0xe325, 0x11ce, {0xbf, 0xc1, 0x08, 0x00, 0x2b, 0xe1, 0x03, 0x18}};
    const auto send = [](HWND window, WPARAM code, const GUID &classGuid) {
        DEV_BROADCAST_DEVICEINTERFACE_W record{};
        record.dbcc_size = sizeof(record);
        record.dbcc_devicetype = DBT_DEVTYP_DEVICEINTERFACE;
        record.dbcc_classguid = classGuid;
        SendMessageW(window, WM_DEVICECHANGE, code, reinterpret_cast<LPARAM>(&record));
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.name);
        PrepareRow(nullptr);
        HostApp host;
        ASSERT_TRUE(StartRunning(host));
        for (const Event event : row.burst) {
            switch (event) {
            case Arrival: send(host.mainWindow, DBT_DEVICEARRIVAL, ours); break;
            case Removal: send(host.mainWindow, DBT_DEVICEREMOVECOMPLETE, ours); break;
            case OtherArrival: send(host.mainWindow, DBT_DEVICEARRIVAL, other); break;
            case NodesChanged: SendMessageW(host.mainWindow, WM_DEVICECHANGE, DBT_DEVNODES_CHANGED, 0); break;
            }
        }
        // Settled, and still so after the reopening's delay.
        EXPECT_TRUE(WaitOpensCloses(row.opens, row.closes));
        Sleep(1200);
        // A reopened session's request follows its open by a moment.
        EXPECT_TRUE(WaitPending(row.opens > row.closes ? 1u : 0u));
        const KVFBSIM_STATUS s = Status();
        EXPECT_EQ(s.Opens, row.opens);
        EXPECT_EQ(s.Closes, row.closes);
        EXPECT_EQ(host.WaitWindow(kErrorCaption, 0), nullptr);
        EXPECT_TRUE(host.Running());
    }
}

// What Windows asks of the device handle's holder before it disables,
// updates or removes the device, sent as Windows sends it (Wine does not):
// the host lets go at once, without a box, and comes back when the device
// stays or returns; a handle record while it holds no registration changes
// nothing, and a resume while the removal is under way takes nothing back.
// A charge request of another program that pends meanwhile holds the answer
// until it is done, and nothing of it is lost.
TEST_F(RunningHost, ARemovalOfTheDeviceGoesOnAndTheSessionComesBack)
{
    enum Event { QueryRemove, QueryFailed, RemoveComplete, Arrival, Resume, ChargeElsewhere };
    struct Step {
        Event event;
        unsigned long openHandles; // right after the answer
    };
    const struct {
        const char *name;
        std::vector<Step> steps;
        unsigned long opens; // once settled
    } rows[] = {
        {"query-remove", {{QueryRemove, 0}}, 1},
        {"query-remove, then it failed", {{QueryRemove, 0}, {QueryFailed, 1}}, 2},
        {"remove-complete, then the interface arrives", {{RemoveComplete, 0}, {Arrival, 1}}, 2},
        {"a handle record with no registration held", {{RemoveComplete, 0}, {QueryFailed, 0}}, 1},
        {"a resume during the removal", {{QueryRemove, 0}, {Resume, 0}}, 1},
        {"another program's charge request pends", {{ChargeElsewhere, 2}, {QueryRemove, 0}}, 2},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.name);
        PrepareRow(nullptr);
        HostApp host;
        ASSERT_TRUE(StartRunning(host));
        std::optional<kivotest::StartedProcess> other;
        for (const Step &step : row.steps) {
            if (step.event == ChargeElsewhere) {
                ASSERT_TRUE(panel_.setChargeDelay(1500));
                other = kivotest::StartProcess(kivotest::Quote(kivotest::DistFile(L"KivoChargeCtl.exe")) +
                                               L" status");
                ASSERT_TRUE(other);
                ASSERT_TRUE(WaitStatus([](const KVFBSIM_STATUS &s) { return s.ChargePendingNow == 1; }));
                EXPECT_EQ(Status().OpenHandles, step.openHandles);
                continue;
            }
            DEV_BROADCAST_HANDLE handle{};
            handle.dbch_size = sizeof(handle);
            handle.dbch_devicetype = DBT_DEVTYP_HANDLE;
            DEV_BROADCAST_DEVICEINTERFACE_W iface{};
            iface.dbcc_size = sizeof(iface);
            iface.dbcc_devicetype = DBT_DEVTYP_DEVICEINTERFACE;
            iface.dbcc_classguid = KVF_DEVICE_INTERFACE_GUID_INIT;
            const WPARAM codes[] = {DBT_DEVICEQUERYREMOVE, DBT_DEVICEQUERYREMOVEFAILED, DBT_DEVICEREMOVECOMPLETE,
                                    DBT_DEVICEARRIVAL};
            const LPARAM record = step.event == Arrival ? reinterpret_cast<LPARAM>(&iface)
                                                        : reinterpret_cast<LPARAM>(&handle);
            if (step.event == Resume)
                SendMessageW(host.mainWindow, WM_POWERBROADCAST, PBT_APMRESUMEAUTOMATIC, 0);
            else
                EXPECT_EQ(SendMessageW(host.mainWindow, WM_DEVICECHANGE, codes[step.event], record), TRUE);
            EXPECT_TRUE(WaitOpenHandles(step.openHandles)) << "step " << step.event;
        }
        if (other) {
            EXPECT_EQ(kivotest::WaitExitCode(*other, 30000), 0u);
        }
        Sleep(1500);
        EXPECT_TRUE(WaitPending(row.steps.back().openHandles));
        EXPECT_EQ(Status().Opens, row.opens);
        EXPECT_EQ(host.WaitWindow(kErrorCaption, 0), nullptr);
        if (row.steps.back().openHandles == 1) {
            ASSERT_TRUE(panel_.injectReport(0));
            ASSERT_TRUE(panel_.injectReport(1));
            EXPECT_EQ(WaitLogLines(logs_.File(L"CommandRecorder.log"), 1), std::vector<std::string>{"start item2"});
        }
    }
}

TEST_F(RunningHost, AHostKilledWhileItsRequestPendsLeavesTheDriverBalanced)
{
    {
        HostApp host;
        ASSERT_TRUE(StartRunning(host));
        ASSERT_TRUE(host.Kill());
    }
    // The system closed the killed host's handle, and with it its request.
    EXPECT_TRUE(WaitOpensCloses(1, 1));
    EXPECT_TRUE(WaitPending(0));
    EXPECT_EQ(Status().OpenHandles, 0u);

    HostApp again;
    ASSERT_TRUE(StartRunning(again));
    ASSERT_TRUE(panel_.injectReport(0));
    ASSERT_TRUE(panel_.injectReport(1));
    EXPECT_EQ(WaitLogLines(logs_.File(L"CommandRecorder.log"), 1), std::vector<std::string>{"start item2"});
}

TEST_F(RunningHost, ASoakOfReportsRunsEachDueActionOnceAndLeaksNoHandle)
{
    // KIVO_SOAK_REPORTS sets the length (100 by default; the benchmark
    // script runs 10 000).
    const char *lengthText = std::getenv("KIVO_SOAK_REPORTS");
    const int reports = lengthText != nullptr ? std::atoi(lengthText) : 100;
    HostApp host;
    ASSERT_TRUE(StartRunning(host));
    // One action first, so that what the first start allocates for good is
    // in the baseline.
    ASSERT_TRUE(panel_.injectReport(0));
    ASSERT_TRUE(panel_.injectReport(1));
    ASSERT_EQ(WaitLogLines(logs_.File(L"CommandRecorder.log"), 1).size(), 1u);
    ASSERT_TRUE(WaitPending(1));
    const std::optional<size_t> before = kivotest::CountProcessHandles(host.id());
    const std::optional<size_t> memory = kivotest::PrivateBytes(host.id());
    ASSERT_TRUE(before && memory);

    // Release and press of A, then of B: every press is due. One report at
    // a time, so the driver's queue never overflows.
    for (int i = 0; i < reports; ++i) {
        ASSERT_TRUE(panel_.injectReport(static_cast<uint32_t>(i % 4)));
        ASSERT_TRUE(WaitPending(1)) << "report " << i;
    }
    const std::vector<std::string> lines = LogLines(logs_.File(L"CommandRecorder.log"));
    EXPECT_EQ(std::count(lines.begin(), lines.end(), "start item2"), 1 + (reports + 2) / 4);
    EXPECT_EQ(std::count(lines.begin(), lines.end(), "start item3"), reports / 4);
    EXPECT_EQ(Status().ReportsDropped, 0u);

    // Every action's process and thread handles are closed again. The only
    // allowance: what the platform's WaitForInputIdle itself keeps per call,
    // measured here (Wine keeps the idle event's handle; Windows nothing).
    const size_t actions = static_cast<size_t>((reports + 2) / 4 + reports / 4);
    const size_t expected = *before + actions * WaitForInputIdleKeeps();
    std::optional<size_t> after;
    kivotest::WaitUntil(
        [&] {
            after = kivotest::CountProcessHandles(host.id());
            return after && *after <= expected;
        },
        5000);
    // A program started while many were still starting is not followed,
    // and then makes no such call: at most the allowance.
    ASSERT_TRUE(after);
    EXPECT_LE(*after, expected);
    const std::optional<size_t> memoryAfter = kivotest::PrivateBytes(host.id());
    ASSERT_TRUE(memoryAfter);
    EXPECT_LE(*memoryAfter, *memory + kMemorySlack) << "from " << *memory / 1024 << " KiB";
    if (const HWND box = host.WaitWindow(kErrorCaption, 200))
        ADD_FAILURE() << "a box: " << testing::PrintToString(MessageBoxText(box));
}

// A press of button 1 whose program hangs, dies or cannot start, and at
// once a press of button 2: the second is served all the same, and once
// the wait for the first program's input has run out, nothing of it is
// kept.
TEST_F(RunningHost, ProgramsThatHangDieOrCannotStartLeaveTheButtonsWorking)
{
    const std::wstring plain = kivotest::BinFile(L"PlainWindow.exe");
    const struct {
        const char *label;
        std::wstring path;
        const wchar_t *option;
        const char *started;  // PlainWindow's log line, or null
        const wchar_t *box;   // or null
    } rows[] = {
        {"hangs at its start", plain, L"hang", "start hang", nullptr},
        {"dies at once", plain, L"die", "start die", nullptr},
        {"a folder, not a program", kivotest::BinDir(), L"", nullptr, L"Function button1:Can not execute."},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.label);
        PrepareRow([&](IniText &ini) {
            ini.Set(IniText::ItemSection(2), L"ItemPath", row.path);
            ini.Set(IniText::ItemSection(2), L"ItemOption", row.option);
        });
        DeleteFileW(logs_.File(L"PlainWindow.log").c_str());
        HostApp host;
        ASSERT_TRUE(StartRunning(host));
        const std::optional<size_t> threads = kivotest::CountProcessThreads(host.id());
        const std::optional<size_t> handles = kivotest::CountProcessHandles(host.id());
        ASSERT_TRUE(threads && handles);

        for (const uint32_t report : {0u, 1u, 2u, 3u})
            ASSERT_TRUE(panel_.injectReport(report));
        if (row.started != nullptr) {
            EXPECT_EQ(WaitLogLines(logs_.File(L"PlainWindow.log"), 1), std::vector<std::string>{row.started});
        }
        EXPECT_EQ(WaitLogLines(logs_.File(L"CommandRecorder.log"), 1), std::vector<std::string>{"start item3"});
        if (row.box != nullptr) {
            EXPECT_EQ(TakeBox(host), row.box);
        }

        std::optional<size_t> threadsAfter;
        kivotest::WaitUntil(
            [&] {
                threadsAfter = kivotest::CountProcessThreads(host.id());
                return threadsAfter && *threadsAfter <= *threads;
            },
            kInputIdleBoundMs + kHostPatienceMs);
        EXPECT_EQ(threadsAfter, threads);
        const size_t followed = row.started != nullptr ? 2 : 1;
        EXPECT_EQ(kivotest::CountProcessHandles(host.id()), *handles + followed * WaitForInputIdleKeeps());
        EXPECT_TRUE(host.Running());
        kivotest::EndProcessesOf(L"PlainWindow.exe");
    }
}

// The end of the Windows session while one of the host's boxes is open: the
// program ends cleanly (run under heap checking: nothing is used after it
// was freed), and what the dialog's OK applied is saved.
TEST_F(RunningHost, TheEndOfTheSessionWithABoxOpen)
{
    enum Box { StartUpWarning, DialogWarning, RecoveryError };
    const struct {
        const char *label;
        Box box;
        int unresolvable;  // item made unresolvable in the file
        int savedA;        // ButtonASettingId in the file afterwards
    } rows[] = {
        {"start-up warning", StartUpWarning, 2, 2},
        {"the dialog's warning after OK", DialogWarning, 1, 1},
        {"a recovery's error", RecoveryError, 0, 2},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.label);
        PrepareRow([&](IniText &ini) {
            if (row.unresolvable != 0)
                Unresolvable(ini, row.unresolvable);
        });
        HostApp host;
        UniqueHandle registration;
        if (row.box == StartUpWarning) {
            ASSERT_TRUE(host.Start());
        } else {
            ASSERT_TRUE(StartRunning(host));
        }
        if (row.box == DialogWarning) {
            PostMessageW(host.mainWindow, kTrayCallback, kTrayIconId, WM_RBUTTONUP);
            const HWND dialog = host.WaitWindow(kDialogCaption);
            ASSERT_NE(dialog, nullptr);
            SendDlgItemMessageW(dialog, 1000, CB_SETCURSEL, 0, 0);
            PostMessageW(dialog, WM_COMMAND, IDOK, 0);
        }
        if (row.box == RecoveryError) {
            // Another registration of the session makes the reopening fail.
            registration.reset(CreateMutexW(nullptr, FALSE, L"hMutexThread"));
            SendMessageW(host.mainWindow, WM_POWERBROADCAST, PBT_APMRESUMEAUTOMATIC, 0);
        }
        ASSERT_NE(host.WaitWindow(kErrorCaption), nullptr);
        for (const HWND window : WindowsOfProcess(host.id(), kMainWindowTitle)) {
            EXPECT_EQ(SendMessageW(window, WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF), TRUE);
            SendMessageW(window, WM_ENDSESSION, TRUE, ENDSESSION_LOGOFF);
        }
        EXPECT_EQ(host.WaitExit(), std::optional<DWORD>(0));
        // The ended program's handle reaches the driver's close a moment later.
        const KVFBSIM_STATUS s = SettledStatus([](const KVFBSIM_STATUS &now) { return now.OpenHandles == 0; });
        EXPECT_EQ(s.Opens, s.Closes);
        EXPECT_EQ(static_cast<int>(
                      GetPrivateProfileIntW(L"Setting", L"ButtonASettingId", -1, settings_.userFile().c_str())),
                  row.savedA);
    }
}

// The end of the Windows session, and the setup asking the copies of all
// sessions to close before it replaces the files (its signal is let go of
// again, as the setup does, once the program has ended).
TEST_F(RunningHost, TheEndOfTheWindowsSessionOrTheSetupEndsTheProgram)
{
    UniqueHandle signal;
    const struct {
        const char *label;
        std::function<void(HWND)> ask;
    } rows[] = {
        {"the end of the Windows session",
         [](HWND window) {
             EXPECT_EQ(SendMessageW(window, WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF), TRUE);
             SendMessageW(window, WM_ENDSESSION, TRUE, ENDSESSION_LOGOFF);
         }},
        {"the setup's close signal",
         [&signal](HWND) {
             signal.reset(OpenEventW(EVENT_MODIFY_STATE, FALSE, L"Global\\KivoFunctionButtonClose"));
             EXPECT_TRUE(signal && SetEvent(signal.get()));
         }},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.label);
        const KVFBSIM_STATUS before = Status();
        HostApp host;
        ASSERT_TRUE(StartRunning(host));
        ASSERT_TRUE(TrayIconPresent(host.mainWindow));
        row.ask(host.mainWindow);
        EXPECT_EQ(host.WaitExit(), std::optional<DWORD>(0));
        if (signal)
            ResetEvent(signal.get());
        EXPECT_FALSE(TrayIconPresent(host.mainWindow));
        const KVFBSIM_STATUS s = SettledStatus([](const KVFBSIM_STATUS &now) { return now.OpenHandles == 0; });
        EXPECT_EQ(s.Opens - before.Opens, 1u);
        EXPECT_EQ(s.Closes - before.Closes, 1u);
        EXPECT_EQ(s.PendingNow, 0u);
    }
}

// The end of the Windows session as Windows sends it: the query ends
// nothing, a cancelled end leaves all running, a real one is let go of
// before WM_ENDSESSION returns (the host's thread is held from then on, as
// Windows may end the process right then).
TEST_F(RunningHost, TheEndOfTheWindowsSessionCancelledOrCarriedOut)
{
    const struct {
        const char *label;
        UINT message;
        WPARAM ending;
    } rows[] = {
        {"asked", WM_QUERYENDSESSION, 0},           {"cancelled", WM_ENDSESSION, FALSE},
        {"asked again", WM_QUERYENDSESSION, 0},     {"cancelled again", WM_ENDSESSION, FALSE},
        {"asked a third time", WM_QUERYENDSESSION, 0}, {"carried out", WM_ENDSESSION, TRUE},
    };
    HostApp host;
    ASSERT_TRUE(StartRunning(host));
    const UniqueHandle thread(OpenThread(THREAD_SUSPEND_RESUME, FALSE,
                                         GetWindowThreadProcessId(host.mainWindow, nullptr)));
    ASSERT_TRUE(thread);
    size_t presses = 0;
    for (const auto &row : rows) {
        SCOPED_TRACE(row.label);
        const LRESULT answer = SendMessageW(host.mainWindow, row.message, row.ending, ENDSESSION_LOGOFF);
        EXPECT_TRUE(row.message != WM_QUERYENDSESSION || answer == TRUE);
        if (row.ending) {
            ASSERT_NE(SuspendThread(thread.get()), static_cast<DWORD>(-1));
            EXPECT_FALSE(TrayIconPresent(host.mainWindow));
            EXPECT_TRUE(WaitOpenHandles(0));
            EXPECT_EQ(Status().PendingNow, 0u);
            ResumeThread(thread.get());
            EXPECT_EQ(host.WaitExit(), std::optional<DWORD>(0));
            continue;
        }
        ASSERT_TRUE(panel_.injectReport(0));
        ASSERT_TRUE(panel_.injectReport(1));
        EXPECT_EQ(WaitLogLines(logs_.File(L"CommandRecorder.log"), ++presses).size(), presses);
        EXPECT_TRUE(TrayIconPresent(host.mainWindow));
        EXPECT_TRUE(WaitPending(1));
        EXPECT_EQ(Status().Opens, 1u);
    }
}

// A window station of its own never gets the input: a program started there
// finds no input desktop, as while a lock screen or UAC prompt holds it.
struct NoInputStation {
    NoInputStation() : station(CreateWindowStationW(L"KivoNoInput", 0, WINSTA_ALL_ACCESS, nullptr))
    {
        const HWINSTA own = GetProcessWindowStation();
        if (station != nullptr && SetProcessWindowStation(station)) {
            desktop = CreateDesktopW(L"Default", nullptr, nullptr, 0, GENERIC_ALL, nullptr);
            SetProcessWindowStation(own);
        }
    }
    ~NoInputStation()
    {
        CloseDesktop(desktop);
        CloseWindowStation(station);
    }
    HWINSTA station;
    HDESK desktop = nullptr;
};

// While the input desktop is away the window answers, opens no session but
// at a connect, and ends when asked.
TEST_F(RunningHost, TheWindowAnswersWhileTheInputDesktopIsAway)
{
    const NoInputStation station;
    ASSERT_NE(station.desktop, nullptr);
    HostApp host;
    host.desktop = station.desktop;
    ASSERT_TRUE(host.Start(L"", L"KivoNoInput\\Default"));
    ASSERT_NE(host.WaitMainWindow(), nullptr);
    const struct {
        const char *label;
        UINT message;
        WPARAM wParam;
        unsigned long opens, openHandles;
    } rows[] = {
        {"waiting", WM_NULL, 0, 0, 0},         {"waiting, still", WM_NULL, 0, 0, 0},
        {"a connect", WM_WTSSESSION_CHANGE, WTS_CONSOLE_CONNECT, 1, 1}, {"closed", WM_CLOSE, 0, 1, 0},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.label);
        DWORD_PTR result = 0;
        EXPECT_NE(SendMessageTimeoutW(host.mainWindow, row.message, row.wParam, 1, SMTO_ABORTIFHUNG, 5000, &result), 0);
        EXPECT_TRUE(WaitStatus([&](const KVFBSIM_STATUS &s) {
            return s.Opens == row.opens && s.OpenHandles == row.openHandles;
        }));
    }
    EXPECT_EQ(host.WaitExit(), std::optional<DWORD>(0));
}

TEST_F(RunningHost, ANewTaskbarGetsTheIconAgain)
{
    HostApp host;
    ASSERT_TRUE(StartRunning(host));
    // The icon is gone, as when Explorer ends.
    NOTIFYICONDATAW data{};
    data.cbSize = sizeof(data);
    data.hWnd = host.mainWindow;
    data.uID = kTrayIconId;
    ASSERT_TRUE(Shell_NotifyIconW(NIM_DELETE, &data));
    ASSERT_FALSE(TrayIconPresent(host.mainWindow));
    for (int repeat = 0; repeat < 3; ++repeat) {
        SendMessageW(host.mainWindow, RegisterWindowMessageW(L"TaskbarCreated"), 0, 0);
        EXPECT_TRUE(TrayIconPresent(host.mainWindow)) << repeat;
        ASSERT_TRUE(Shell_NotifyIconW(NIM_DELETE, &data));
    }
    // Nothing else changed: the session is the one opened at start-up.
    EXPECT_EQ(Status().Opens, 1u);
    EXPECT_EQ(Status().PendingNow, 1u);
}

TEST_F(RunningHost, PressesRunTheirActionsAndAFailureIsShown)
{
    IniText ini = RecorderItems();
    ini.Set(IniText::ItemSection(3), L"ItemPath", L"Z:\\no such folder\\missing.exe");
    WriteSettings(ini);
    HostApp host;
    ASSERT_TRUE(StartRunning(host));

    // Button 2's program is missing: its warning, and button 1 still works
    // while the box is open.
    ASSERT_TRUE(panel_.injectReport(2));
    ASSERT_TRUE(panel_.injectReport(3));
    const HWND box = host.WaitWindow(kErrorCaption);
    ASSERT_NE(box, nullptr);
    for (const uint32_t report : {0u, 1u, 0u, 1u})
        ASSERT_TRUE(panel_.injectReport(report));
    EXPECT_EQ(WaitLogLines(logs_.File(L"CommandRecorder.log"), 2),
              (std::vector<std::string>{"start item2", "start item2"}));
    std::string icon;
    EXPECT_EQ(TakeBox(host, &icon), L"Function button2:Can not execute..");
    EXPECT_EQ(icon, "exclamation");
    EXPECT_EQ(host.WaitWindow(kErrorCaption, 500), nullptr);
    EXPECT_TRUE(host.Running());
}

} // namespace
} // namespace hosttest
