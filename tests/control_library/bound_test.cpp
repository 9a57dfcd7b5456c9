// The exports a user-interface thread calls return within the library's
// bound while a charge request is held up; the request completes later,
// unharmed (kvf_client.exe runs under heap checking: a completion into freed
// memory shows as "err:heap" in its output), and the lock is free again.
#include <windows.h>

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <thread>

#include "heap_check.h"
#include "kvf_test_fixture.h"
#include "process.h"
#include "test_paths.h"
#include "wait_until.h"
#include "win32/unique_handle.h"

namespace kvftest {
namespace {

// Far beyond the library's bound, so that a call the bound ends returns
// while its request still pends.
constexpr uint32_t kPendMs = 8000;
constexpr DWORD kWatchdogMs = kPendMs + kivotest::kSettleMs;

enum class Holdup { kDriverPends, kLockHeld };

struct Row {
    const char *name;
    Holdup holdup;
    int fileUsb, fileBattery; // the settings file before, -1 = default
    bool settingsApp;         // a recorded settings application: KVFOpen applies the file
    const wchar_t *before;    // commands before the hold-up
    const wchar_t *calls;     // commands while it lasts
    const char *output;       // every line of the client, the last close included
    unsigned long requests;   // charge requests the driver saw in the end
    unsigned long ecUsb, ecBattery;
    int endUsb, endBattery; // the settings file in the end
    bool record;            // a one-time full charge recorded in the end
};

// The controller starts at USB 0, limit 1 (80 %); the file at 0 and 0.
const Row kRows[] = {
    {"getusb", Holdup::kDriverPends, -1, -1, false, L"open", L"getusb",
     "open 0\r\ngetusb -1 error 1460\r\nclose 0\r\n", 1, 0, 1, 0, 0, false},
    {"getbattery", Holdup::kDriverPends, -1, -1, false, L"open", L"getbattery",
     "open 0\r\ngetbattery -1 error 1460\r\nclose 0\r\n", 1, 0, 1, 0, 0, false},
    {"setusb", Holdup::kDriverPends, -1, -1, false, L"open", L"setusb=1",
     "open 0\r\nsetusb -1 error 1460\r\nclose 0\r\n", 1, 1, 1, 1, 0, false},
    {"setbattery", Holdup::kDriverPends, -1, -1, false, L"open", L"setbattery=2",
     "open 0\r\nsetbattery -1 error 1460\r\nclose 0\r\n", 1, 0, 2, 0, 2, false},
    // The battery limit goes out and pends; the bound is spent, USB stays.
    {"open applying the file", Holdup::kDriverPends, 1, 2, true, L"", L"open",
     "open -1 error 1460\r\nclose 0\r\n", 1, 0, 2, 1, 2, false},
    // The controller's limit is asked first: unanswered, nothing is recorded
    // or sent.
    {"startonce", Holdup::kDriverPends, -1, 1, false, L"open", L"startonce",
     "open 0\r\nstartonce -1 error 1460\r\nclose 0\r\n", 1, 0, 1, 0, 1, false},
    // The end stays begun: the limit may still come, and whoever finds the
    // record completes it.
    {"endonce", Holdup::kDriverPends, -1, 1, false, L"open startonce", L"endonce",
     "open 0\r\nstartonce 0\r\nendonce -1 error 1460\r\nclose 0\r\n", 3, 0, 1, 0, 1, true},
    // The close gives up the lock its own pending request holds.
    {"close behind a pending request", Holdup::kDriverPends, -1, -1, false, L"open",
     L"getusb close", "open 0\r\ngetusb -1 error 1460\r\nclose 0\r\nclose 0\r\n", 1, 0, 1, 0, 0,
     false},
    {"open, lock held", Holdup::kLockHeld, -1, -1, false, L"", L"open",
     "open -1 error 1460\r\nclose 0\r\n", 0, 0, 1, 0, 0, false},
    {"close, lock held", Holdup::kLockHeld, -1, -1, false, L"open", L"close",
     "open 0\r\nclose 0\r\nclose 0\r\n", 0, 0, 1, 0, 0, false},
};

TEST_F(KvfTest, CallsReturnWithinTheBoundAndTheRequestCompletesLater)
{
    const kivotest::HeapCheckedImage heapCheck(L"kvf_client.exe");
    auto event = [](const wchar_t *name) {
        return UniqueHandle(CreateEventW(nullptr, TRUE, FALSE, name));
    };
    const UniqueHandle ready = event(L"KivoBoundReady"), go = event(L"KivoBoundGo"),
                       returned = event(L"KivoBoundReturned"), finish = event(L"KivoBoundFinish");
    const UniqueHandle driverLock(CreateMutexW(nullptr, FALSE, L"hMutexDriver"));
    ASSERT_TRUE(ready && go && returned && finish && driverLock);
    const std::wstring client = kivotest::Quote(kivotest::BinFile(L"kvf_client.exe"));
    for (const Row &row : kRows) {
        SCOPED_TRACE(row.name);
        for (HANDLE signal : {ready.get(), go.get(), returned.get(), finish.get()})
            ResetEvent(signal);
        ASSERT_TRUE(panel_.reset() && panel_.setEc(0, 1));
        ASSERT_TRUE(WriteSettingsBytes(DefaultTextBytes()));
        EXPECT_TRUE(row.fileUsb < 0 ||
                    WriteValue(L"USBCharge", std::to_wstring(row.fileUsb).c_str()));
        EXPECT_TRUE(row.fileBattery < 0 ||
                    WriteValue(L"BatteryChargeLimit", std::to_wstring(row.fileBattery).c_str()));
        EXPECT_TRUE(!row.settingsApp ||
                    WriteValue(L"SettinAppPath", kivotest::BinFile(L"kvf_client.exe").c_str()));
        DeleteFileW(FullChargeOnceFile().c_str());

        std::string output;
        std::optional<DWORD> exitCode;
        std::thread run([&] {
            exitCode = kivotest::RunProcessCapture(
                client + L" " + row.before + L" signal=KivoBoundReady wait=KivoBoundGo " +
                    row.calls + L" signal=KivoBoundReturned wait=KivoBoundFinish close",
                output, 120000);
        });
        EXPECT_EQ(WaitForSingleObject(ready.get(), kWatchdogMs), WAIT_OBJECT_0);
        const bool lockHeld = row.holdup == Holdup::kLockHeld;
        EXPECT_TRUE(lockHeld ? WaitForSingleObject(driverLock.get(), 0) == WAIT_OBJECT_0
                             : panel_.setChargeDelay(kPendMs));
        SetEvent(go.get());
        const DWORD callsEnded = WaitForSingleObject(returned.get(), kWatchdogMs);
        const KVFBSIM_STATUS whenReturned = status();
        if (lockHeld)
            ReleaseMutex(driverLock.get());
        if (callsEnded != WAIT_OBJECT_0) {
            ADD_FAILURE() << "the calls hang";
            SetEvent(finish.get()); // the client ends now that the lock is free
            run.join();
            continue;
        }
        if (lockHeld) {
            EXPECT_EQ(whenReturned.ChargeRequests, 0u) << "nothing goes out without the lock";
        } else {
            EXPECT_EQ(whenReturned.ChargePendingNow, 1u)
                << "returned only once the driver had completed";
            EXPECT_TRUE(kivotest::WaitUntil(
                [&] {
                    const KVFBSIM_STATUS s = status();
                    return s.ChargePendingNow == 0 && s.ChargeRequests == row.requests;
                },
                kWatchdogMs));
        }
        EXPECT_TRUE(kivotest::WaitUntil([&] { // neither held nor abandoned
            return WaitForSingleObject(driverLock.get(), 0) == WAIT_OBJECT_0 &&
                   ReleaseMutex(driverLock.get());
        }));
        const KVFBSIM_STATUS end = status();
        EXPECT_EQ(end.ChargeRequests, row.requests);
        EXPECT_EQ(end.ChargeCancelled, 0u);
        EXPECT_EQ(end.Ec.UsbCharge, row.ecUsb);
        EXPECT_EQ(end.Ec.BatteryLimit, row.ecBattery);
        SetEvent(finish.get());
        run.join();
        EXPECT_EQ(exitCode, std::optional<DWORD>(0));
        EXPECT_EQ(output, row.output);
        EXPECT_EQ(ReadInt(L"USBCharge"), row.endUsb);
        EXPECT_EQ(ReadInt(L"BatteryChargeLimit"), row.endBattery);
        EXPECT_EQ(ReadBytes(FullChargeOnceFile()).has_value(), row.record);
    }
    DeleteFileW(FullChargeOnceFile().c_str());
}

} // namespace
} // namespace kvftest
