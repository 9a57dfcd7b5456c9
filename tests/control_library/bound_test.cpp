// Every export a program's user-interface thread calls returns within the
// library's bound while a charge request is held up (pended by the driver,
// or the driver lock kept by another process), with -1 and ERROR_TIMEOUT;
// the request held up completes later in the driver, unharmed, the lock is
// free again and the settings file keeps what the call wrote. The calls run
// in kvf_client.exe under heap checking: a completion that wrote into freed
// memory shows as "err:heap" in its output.
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
    {"startonce", Holdup::kDriverPends, -1, 1, false, L"open", L"startonce",
     "open 0\r\nstartonce -1 error 1460\r\nclose 0\r\n", 1, 0, 0, 0, 1, true},
    {"endonce", Holdup::kDriverPends, -1, 1, false, L"open startonce", L"endonce",
     "open 0\r\nstartonce 0\r\nendonce -1 error 1460\r\nclose 0\r\n", 2, 0, 1, 0, 1, true},
    // The close gives up the lock its own pending request holds.
    {"close behind a pending request", Holdup::kDriverPends, -1, -1, false, L"open",
     L"getusb close", "open 0\r\ngetusb -1 error 1460\r\nclose 0\r\nclose 0\r\n", 1, 0, 1, 0, 0,
     false},
    {"open, lock held", Holdup::kLockHeld, -1, -1, false, L"", L"open",
     "open -1 error 1460\r\nclose 0\r\n", 0, 0, 1, 0, 0, false},
    {"close, lock held", Holdup::kLockHeld, -1, -1, false, L"open", L"close",
     "open 0\r\nclose 0\r\nclose 0\r\n", 0, 0, 1, 0, 0, false},
};

UniqueHandle Event(const wchar_t *name)
{
    return UniqueHandle(CreateEventW(nullptr, TRUE, FALSE, name));
}

// The client on a thread of its own; the end of the scope lets it finish.
class ClientRun {
public:
    ClientRun(const std::wstring &commandLine, HANDLE finish)
        : finish_(finish), thread_([this, commandLine] {
              exitCode_ = kivotest::RunProcessCapture(commandLine, output_, 120000);
          })
    {
    }
    ~ClientRun() { Join(); }
    void Join()
    {
        SetEvent(finish_);
        if (thread_.joinable())
            thread_.join();
    }
    const std::string &output() const { return output_; }
    std::optional<DWORD> exitCode() const { return exitCode_; }

private:
    HANDLE finish_;
    std::string output_;
    std::optional<DWORD> exitCode_;
    std::thread thread_;
};

bool DriverLockFree(HANDLE lock)
{
    if (WaitForSingleObject(lock, 0) != WAIT_OBJECT_0)
        return false; // held, or abandoned by a thread that died with it
    ReleaseMutex(lock);
    return true;
}

using BoundTest = KvfTest;

TEST_F(BoundTest, CallsReturnWithinTheBoundAndTheRequestCompletesLater)
{
    const kivotest::HeapCheckedImage heapCheck(L"kvf_client.exe");
    const UniqueHandle ready = Event(L"KivoBoundReady"), go = Event(L"KivoBoundGo"),
                       returned = Event(L"KivoBoundReturned"), finish = Event(L"KivoBoundFinish");
    const UniqueHandle driverLock(CreateMutexW(nullptr, FALSE, L"hMutexDriver"));
    ASSERT_TRUE(ready && go && returned && finish && driverLock);
    const std::wstring client = kivotest::Quote(kivotest::BinFile(L"kvf_client.exe"));
    for (const Row &row : kRows) {
        SCOPED_TRACE(row.name);
        for (HANDLE event : {ready.get(), go.get(), returned.get(), finish.get()})
            ResetEvent(event);
        ASSERT_TRUE(panel_.reset() && panel_.setEc(0, 1));
        ASSERT_TRUE(WriteSettingsBytes(DefaultTextBytes()));
        EXPECT_TRUE(row.fileUsb < 0 ||
                    WriteValue(L"USBCharge", std::to_wstring(row.fileUsb).c_str()));
        EXPECT_TRUE(row.fileBattery < 0 ||
                    WriteValue(L"BatteryChargeLimit", std::to_wstring(row.fileBattery).c_str()));
        EXPECT_TRUE(!row.settingsApp ||
                    WriteValue(L"SettinAppPath", kivotest::BinFile(L"kvf_client.exe").c_str()));
        DeleteFileW(FullChargeOnceFile().c_str());

        ClientRun run(client + L" " + row.before + L" signal=KivoBoundReady wait=KivoBoundGo " +
                          row.calls + L" signal=KivoBoundReturned wait=KivoBoundFinish close",
                      finish.get());
        ASSERT_EQ(WaitForSingleObject(ready.get(), kWatchdogMs), WAIT_OBJECT_0);
        const bool lockHeld = row.holdup == Holdup::kLockHeld;
        if (lockHeld)
            ASSERT_EQ(WaitForSingleObject(driverLock.get(), 0), WAIT_OBJECT_0);
        else
            ASSERT_TRUE(panel_.setChargeDelay(kPendMs));
        SetEvent(go.get());
        const DWORD callsEnded = WaitForSingleObject(returned.get(), kWatchdogMs);
        const KVFBSIM_STATUS whenReturned = status();
        if (lockHeld)
            ReleaseMutex(driverLock.get());
        if (callsEnded != WAIT_OBJECT_0) {
            ADD_FAILURE() << "the calls hang";
            continue; // the client ends now that the lock is free
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
        EXPECT_TRUE(kivotest::WaitUntil([&] { return DriverLockFree(driverLock.get()); }));
        const KVFBSIM_STATUS end = status();
        EXPECT_EQ(end.ChargeRequests, row.requests);
        EXPECT_EQ(end.ChargeCancelled, 0u);
        EXPECT_EQ(end.Ec.UsbCharge, row.ecUsb);
        EXPECT_EQ(end.Ec.BatteryLimit, row.ecBattery);
        run.Join();
        EXPECT_EQ(run.exitCode(), std::optional<DWORD>(0));
        EXPECT_EQ(run.output(), row.output);
        EXPECT_EQ(ReadInt(L"USBCharge"), row.endUsb);
        EXPECT_EQ(ReadInt(L"BatteryChargeLimit"), row.endBattery);
        EXPECT_EQ(ReadBytes(FullChargeOnceFile()).has_value(), row.record);
    }
    DeleteFileW(FullChargeOnceFile().c_str());
}

} // namespace
} // namespace kvftest
