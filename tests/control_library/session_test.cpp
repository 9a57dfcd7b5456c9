// Sessions of the control library: KVFOpen, KVFSetCallbackFunc, KVFClose and
// the notification thread, against the simulated driver.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "KivoFCtrl.h"
#include "handle_count.h"
#include "kvf_test_fixture.h"
#include "process.h"
#include "sim_device.h"
#include "test_paths.h"

namespace kvftest {
namespace {

class SessionTest : public KvfTest {};

TEST_F(SessionTest, OpenTwiceKeepsTheFirstDeviceUsable)
{
    EXPECT_EQ(KVFOpen(), 0);
    EXPECT_EQ(KVFOpen(), -1);
    EXPECT_EQ(status().OpenHandles, 1u);
    ASSERT_TRUE(panel_.setEc(1, 2));
    ASSERT_EQ(ReadInt(L"ReferenceFlag"), 1);
    WriteValue(L"ReferenceFlag", L"0");
    EXPECT_EQ(KVFGetUSBChargeStat(), 1);
    EXPECT_EQ(KVFGetButteryChargeLimitStat(), 2);
    EXPECT_EQ(KVFClose(), 0);
    EXPECT_EQ(StatusWithOpenHandles(0).OpenHandles, 0u);
    EXPECT_EQ(KVFGetUSBChargeStat(), -1);
}

TEST_F(SessionTest, CloseWithoutOpenDoesNothing)
{
    EXPECT_EQ(KVFClose(), 0);
    EXPECT_EQ(KVFClose(), 0);
    const KVFBSIM_STATUS s = status();
    EXPECT_EQ(s.Opens, 0u);
    EXPECT_EQ(s.Closes, 0u);
}

// The registration on the device handle exists only with a session open.
TEST_F(SessionTest, TheDeviceHandleRegistrationNeedsAnOpenSession)
{
    const HWND window = CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(window, nullptr);
    const struct {
        const char *name;
        int32_t (*step)();
        bool registered;
    } cases[] = {{"before KVFOpen", [] { return 0; }, false},
                 {"open", KVFOpen, true},
                 {"closed", KVFClose, false}};
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_EQ(c.step(), 0);
        const HDEVNOTIFY registration = KVFRegisterDeviceNotification(window);
        EXPECT_EQ(registration != nullptr, c.registered);
        if (registration != nullptr)
            EXPECT_TRUE(UnregisterDeviceNotification(registration));
        else
            EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
    }
    DestroyWindow(window);
}

TEST_F(SessionTest, OpenWithoutTheDriverFails)
{
    ASSERT_TRUE(kivotest::RemoveSimDevice());
    const int32_t opened = KVFOpen();
    // Failed openings keep no more than the one driver lock.
    const auto handles = kivotest::CountProcessHandles();
    for (int i = 0; i < 20; ++i)
        KVFOpen();
    const auto handlesAfter = kivotest::CountProcessHandles();
    const int32_t registered = KVFSetCallbackFunc(CallbackA);
    EXPECT_EQ(KVFClose(), 0);
    ASSERT_TRUE(kivotest::InstallSimDevice());
    ASSERT_TRUE(panel_.open());
    EXPECT_EQ(opened, -1);
    ASSERT_TRUE(handles && handlesAfter);
    EXPECT_EQ(*handlesAfter, *handles);
    // Without a device the thread starts, its first request fails at once,
    // and it ends without a call.
    EXPECT_EQ(registered, 0);
    EXPECT_EQ(gRecorderA.count(), 0u);
}

TEST_F(SessionTest, NullCallbackIsRefusedAndCreatesNothing)
{
    ASSERT_EQ(KVFOpen(), 0);
    EXPECT_EQ(KVFSetCallbackFunc(nullptr), -1);
    // Nothing was left behind: a real registration still succeeds.
    EXPECT_EQ(KVFSetCallbackFunc(CallbackA), 0);
}

TEST_F(SessionTest, AReportReachesTheCallbackUnchangedOnTheLibrarysThread)
{
    ASSERT_EQ(KVFOpen(), 0);
    ASSERT_EQ(KVFSetCallbackFunc(CallbackA), 0);
    const std::vector<uint32_t> reports = {1, 0, 3, 2, 6, 0x101, 0xFFFFFFFF};
    for (size_t i = 0; i < reports.size(); ++i) {
        ASSERT_TRUE(WaitPending(1));
        ASSERT_TRUE(panel_.injectReport(reports[i]));
        ASSERT_TRUE(gRecorderA.WaitFor(i + 1));
    }
    EXPECT_EQ(gRecorderA.reports(), reports);
    EXPECT_NE(gRecorderA.lastThreadId(), GetCurrentThreadId());
}

TEST_F(SessionTest, ReportsQueuedInTheDriverArriveInOrder)
{
    ASSERT_EQ(KVFOpen(), 0);
    for (const uint32_t report : {3u, 2u, 1u, 0u})
        ASSERT_TRUE(panel_.injectReport(report));
    ASSERT_EQ(KVFSetCallbackFunc(CallbackA), 0);
    ASSERT_TRUE(gRecorderA.WaitFor(4));
    EXPECT_EQ(gRecorderA.reports(), (std::vector<uint32_t>{3, 2, 1, 0}));
}

TEST_F(SessionTest, SecondRegistrationInTheSameProcessGetsMinusTwo)
{
    ASSERT_EQ(KVFOpen(), 0);
    ASSERT_EQ(KVFSetCallbackFunc(CallbackA), 0);
    EXPECT_EQ(KVFSetCallbackFunc(CallbackB), -2);
    // The first registration is not disturbed.
    ASSERT_TRUE(WaitPending(1));
    ASSERT_TRUE(panel_.injectReport(3));
    ASSERT_TRUE(gRecorderA.WaitFor(1));
    EXPECT_EQ(gRecorderB.count(), 0u);

    EXPECT_EQ(KVFClose(), 0);
    ASSERT_EQ(KVFOpen(), 0);
    EXPECT_EQ(KVFSetCallbackFunc(CallbackB), 0);
    ASSERT_TRUE(WaitPending(1));
    ASSERT_TRUE(panel_.injectReport(2));
    ASSERT_TRUE(gRecorderB.WaitFor(1));
    EXPECT_EQ(gRecorderB.reports(), std::vector<uint32_t>{2});
    EXPECT_EQ(gRecorderA.count(), 1u);
}

TEST_F(SessionTest, ARegistrationInAnotherProcessOfTheSessionGetsMinusTwo)
{
    const std::wstring registered = L"kvf_test_client_registered";
    const std::wstring release = L"kvf_test_client_release";
    UniqueHandle registeredEvent(CreateEventW(nullptr, TRUE, FALSE, registered.c_str()));
    UniqueHandle releaseEvent(CreateEventW(nullptr, TRUE, FALSE, release.c_str()));
    auto client = kivotest::StartProcess(kivotest::Quote(kivotest::BinFile(L"kvf_client.exe")) +
                                         L" open register signal=" + registered +
                                         L" wait=" + release + L" close");
    ASSERT_TRUE(client);
    ASSERT_EQ(WaitForSingleObject(registeredEvent.get(), 30000), WAIT_OBJECT_0);

    ASSERT_EQ(KVFOpen(), 0);
    EXPECT_EQ(KVFSetCallbackFunc(CallbackA), -2);
    EXPECT_EQ(KVFSetCallbackFunc(CallbackA), -2);

    SetEvent(releaseEvent.get());
    EXPECT_EQ(kivotest::WaitExitCode(*client, 30000), std::optional<DWORD>(0));
    // The other process closed its session: the registration is free.
    EXPECT_EQ(KVFSetCallbackFunc(CallbackA), 0);
    ASSERT_TRUE(WaitPending(1));
    ASSERT_TRUE(panel_.injectReport(1));
    EXPECT_TRUE(gRecorderA.WaitFor(1));
}

TEST_F(SessionTest, CloseWhileTheThreadWaitsCancelsItsRequestWithoutACall)
{
    ASSERT_EQ(KVFOpen(), 0);
    ASSERT_EQ(KVFSetCallbackFunc(CallbackA), 0);
    ASSERT_TRUE(WaitPending(1));
    EXPECT_EQ(KVFClose(), 0);
    KVFBSIM_STATUS s = StatusWithOpenHandles(0);
    EXPECT_EQ(s.PendingNow, 0u);
    EXPECT_EQ(s.ButtonCancelled, 1u);
    // The thread cancelled its own request before the device was closed.
    EXPECT_EQ(s.ButtonCancelledOnClose, 0u);
    EXPECT_EQ(s.OpenHandles, 0u);
    EXPECT_EQ(gRecorderA.count(), 0u);

    // A fresh session and registration work.
    ASSERT_EQ(KVFOpen(), 0);
    ASSERT_EQ(KVFSetCallbackFunc(CallbackA), 0);
    ASSERT_TRUE(WaitPending(1));
    ASSERT_TRUE(panel_.injectReport(3));
    ASSERT_TRUE(gRecorderA.WaitFor(1));
    EXPECT_EQ(gRecorderA.reports(), std::vector<uint32_t>{3});
}

// Calls never overlap, not even those of an old and a new registration.
TEST_F(SessionTest, AThreadStuckInItsCallbackHoldsBackButNeverTouchesTheNextRegistration)
{
    ASSERT_EQ(KVFOpen(), 0);
    ASSERT_EQ(KVFSetCallbackFunc(CallbackA), 0);
    gRecorderA.BlockCalls();
    ASSERT_TRUE(WaitPending(1));
    ASSERT_TRUE(panel_.injectReport(1));
    ASSERT_TRUE(gRecorderA.WaitFor(1));
    UniqueHandle oldThread(OpenThread(SYNCHRONIZE, FALSE, gRecorderA.lastThreadId()));
    ASSERT_TRUE(oldThread);

    // Close gives up waiting for the stuck thread and goes on.
    EXPECT_EQ(KVFClose(), 0);
    EXPECT_EQ(WaitForSingleObject(oldThread.get(), 0), static_cast<DWORD>(WAIT_TIMEOUT));

    // The new registration takes its report, but calls only once the old
    // call has returned.
    ASSERT_EQ(KVFOpen(), 0);
    ASSERT_EQ(KVFSetCallbackFunc(CallbackB), 0);
    ASSERT_TRUE(WaitPending(1));
    ASSERT_TRUE(panel_.injectReport(3));
    EXPECT_FALSE(gRecorderB.WaitFor(1, 1000));

    // The old thread ends without another call and without disturbing the
    // new registration.
    gRecorderA.Unblock();
    ASSERT_TRUE(gRecorderB.WaitFor(1));
    EXPECT_EQ(WaitForSingleObject(oldThread.get(), 10000), WAIT_OBJECT_0);
    ASSERT_TRUE(WaitPending(1));
    ASSERT_TRUE(panel_.injectReport(2));
    ASSERT_TRUE(gRecorderB.WaitFor(2));
    EXPECT_EQ(gRecorderA.reports(), std::vector<uint32_t>{1});
    EXPECT_EQ(gRecorderB.reports(), (std::vector<uint32_t>{3, 2}));
}

TEST_F(SessionTest, AStopWhileTheThreadWaitsForTheDriverLockIssuesNothing)
{
    ASSERT_EQ(KVFOpen(), 0);
    ASSERT_EQ(KVFSetCallbackFunc(CallbackA), 0);
    ASSERT_TRUE(WaitPending(1));
    ASSERT_TRUE(panel_.injectReport(1));
    ASSERT_TRUE(gRecorderA.WaitFor(1));
    // Another process's charge command holds the driver lock while the
    // thread's pause ends: its next request waits for the lock.
    UniqueHandle lock(CreateMutexW(nullptr, FALSE, L"hMutexDriver"));
    ASSERT_TRUE(lock);
    ASSERT_EQ(WaitForSingleObject(lock.get(), 10000), WAIT_OBJECT_0);
    Sleep(300);
    // KVFClose gives up waiting for the thread and then waits for the lock.
    UniqueHandle closer(CreateThread(
        nullptr, 0, [](LPVOID) -> DWORD { return static_cast<DWORD>(KVFClose()); }, nullptr, 0,
        nullptr));
    ASSERT_TRUE(closer);
    Sleep(800);
    ReleaseMutex(lock.get());
    ASSERT_EQ(WaitForSingleObject(closer.get(), 30000), WAIT_OBJECT_0);

    // The stop was not lost: no further request reached the driver, and none
    // had to be cancelled by the device's closing.
    const KVFBSIM_STATUS s = StatusWithOpenHandles(0);
    EXPECT_EQ(s.ButtonRequests, 1u);
    EXPECT_EQ(s.ButtonCancelledOnClose, 0u);
    EXPECT_EQ(s.PendingNow, 0u);
    EXPECT_EQ(s.OpenHandles, 0u);
    EXPECT_EQ(gRecorderA.count(), 1u);
}

TEST_F(SessionTest, RequestsThatCompleteAtOnceStillReachTheCallback)
{
    ASSERT_TRUE(panel_.setMode(KVFBSIM_MODE_COMPLETE_AT_ONCE));
    ASSERT_TRUE(panel_.injectReport(6));
    ASSERT_EQ(KVFOpen(), 0);
    ASSERT_EQ(KVFSetCallbackFunc(CallbackA), 0);
    ASSERT_TRUE(gRecorderA.WaitFor(3));
    EXPECT_EQ(KVFClose(), 0);
    const std::vector<uint32_t> reports = gRecorderA.reports();
    ASSERT_GE(reports.size(), 3u);
    EXPECT_EQ(reports[0], 6u);
    EXPECT_EQ(reports[1], 0u);
    EXPECT_EQ(reports[2], 0u);
    const KVFBSIM_STATUS s = status();
    EXPECT_EQ(s.PendingNow, 0u);
    // One request for each call, and at most one more cut short by the stop.
    EXPECT_GE(s.ButtonRequests, reports.size());
    EXPECT_LE(s.ButtonRequests, reports.size() + 1);
}

TEST_F(SessionTest, ARefusedRequestEndsTheThreadSilently)
{
    ASSERT_EQ(KVFOpen(), 0);
    // The driver refuses the thread's first request outright.
    ASSERT_TRUE(panel_.failButton(0xC0000185));
    ASSERT_EQ(KVFSetCallbackFunc(CallbackA), 0);
    ASSERT_TRUE(kivotest::WaitUntil([&] { return status().ButtonFailed == 1; }));
    // The thread does not ask again.
    Sleep(300);
    KVFBSIM_STATUS s = status();
    EXPECT_EQ(s.ButtonRequests, 1u);
    EXPECT_EQ(s.ButtonFailed, 1u);
    EXPECT_EQ(s.PendingNow, 0u);
    EXPECT_EQ(gRecorderA.count(), 0u);
    // Its registration stays until KVFClose.
    EXPECT_EQ(KVFSetCallbackFunc(CallbackA), -2);
    EXPECT_EQ(KVFClose(), 0);

    ASSERT_EQ(KVFOpen(), 0);
    ASSERT_EQ(KVFSetCallbackFunc(CallbackA), 0);
    ASSERT_TRUE(WaitPending(1));
    ASSERT_TRUE(panel_.injectReport(1));
    ASSERT_TRUE(gRecorderA.WaitFor(1));
    EXPECT_EQ(gRecorderA.reports(), std::vector<uint32_t>{1});
}

TEST_F(SessionTest, APendingRequestThatFailsEndsTheThreadWithoutACall)
{
    // A failed request carries no report: its buffer (0) would read as a
    // release of button A. The thread ends as on any other driver error.
    ASSERT_EQ(KVFOpen(), 0);
    ASSERT_EQ(KVFSetCallbackFunc(CallbackA), 0);
    ASSERT_TRUE(WaitPending(1));
    ASSERT_TRUE(panel_.failButton(0xC0000185));
    Sleep(300);
    ASSERT_TRUE(panel_.injectReport(3));
    Sleep(300);
    const KVFBSIM_STATUS s = status();
    EXPECT_EQ(gRecorderA.count(), 0u);
    EXPECT_EQ(s.ButtonRequests, 1u);
    EXPECT_EQ(s.ButtonFailed, 1u);
    EXPECT_EQ(s.PendingNow, 0u);
    EXPECT_EQ(KVFSetCallbackFunc(CallbackA), -2);
    EXPECT_EQ(KVFClose(), 0);
}

TEST_F(SessionTest, IsNotifyingTellsWhetherTheCallbacksStillCome)
{
    EXPECT_EQ(KVFIsNotifying(), 0);
    // Two sessions: the first ends as the driver fails its request, the
    // second by KVFClose alone.
    for (const bool requestFails : {true, false}) {
        SCOPED_TRACE(requestFails);
        ASSERT_EQ(KVFOpen(), 0);
        EXPECT_EQ(KVFIsNotifying(), 0);
        ASSERT_EQ(KVFSetCallbackFunc(CallbackA), 0);
        ASSERT_TRUE(WaitPending(1));
        EXPECT_EQ(KVFIsNotifying(), 1);
        if (requestFails) {
            // A report and its pause are no end; a failed request is.
            ASSERT_TRUE(panel_.injectReport(1));
            Sleep(20);
            EXPECT_EQ(KVFIsNotifying(), 1);
            ASSERT_TRUE(WaitPending(1));
            ASSERT_TRUE(panel_.failButton(0xC0000185));
            EXPECT_TRUE(kivotest::WaitUntil([] { return KVFIsNotifying() == 0; }));
        }
        EXPECT_EQ(KVFClose(), 0);
        EXPECT_EQ(KVFIsNotifying(), 0);
    }
}

TEST_F(SessionTest, FiveHundredSessionsLeaveNoHandleBehind)
{
    // One whole cycle first, so that what the first use allocates for good
    // (the loader, the recorder's condition variable) is in the baseline.
    ASSERT_EQ(KVFOpen(), 0);
    ASSERT_EQ(KVFSetCallbackFunc(CallbackA), 0);
    ASSERT_TRUE(panel_.injectReport(1));
    ASSERT_TRUE(gRecorderA.WaitFor(1));
    ASSERT_EQ(KVFClose(), 0);
    Sleep(200); // the warm-up thread ends
    const auto before = kivotest::CountProcessHandles();
    ASSERT_TRUE(before);
    // A reset keeps counting a handle whose close has not reached the driver.
    ASSERT_EQ(StatusWithOpenHandles(0).OpenHandles, 0u);
    ASSERT_TRUE(panel_.reset());
    gRecorderA.Reset();

    constexpr size_t kCycles = 500;
    for (size_t i = 0; i < kCycles; ++i) {
        ASSERT_EQ(KVFOpen(), 0) << "cycle " << i;
        ASSERT_EQ(KVFSetCallbackFunc(CallbackA), 0) << "cycle " << i;
        ASSERT_TRUE(panel_.injectReport(static_cast<uint32_t>(i)));
        ASSERT_TRUE(gRecorderA.WaitFor(i + 1)) << "cycle " << i;
        ASSERT_EQ(KVFClose(), 0);
    }
    // Threads end a moment after KVFClose let go of them.
    std::optional<size_t> after;
    kivotest::WaitUntil([&] {
        after = kivotest::CountProcessHandles();
        return after && *after <= *before;
    });
    ASSERT_TRUE(after);
    EXPECT_EQ(*after, *before);
    const KVFBSIM_STATUS s = SettledStatus([](const KVFBSIM_STATUS &now) { return now.Closes == kCycles; });
    EXPECT_EQ(s.Opens, kCycles);
    EXPECT_EQ(s.Closes, kCycles);
    EXPECT_EQ(s.PendingNow, 0u);
    EXPECT_EQ(s.ButtonCompleted, kCycles);
    EXPECT_EQ(gRecorderA.count(), kCycles);
}

} // namespace
} // namespace kvftest
