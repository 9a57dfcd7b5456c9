// The library's internal operations that the exports do not show on their
// own: the driver channel's results and the settings folder creation.
// Linked with the library's code directly: this process has its own copy of
// the library state.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "driver_channel.h"
#include "kvf_test_fixture.h"
#include "process.h"
#include "settings_file.h"
#include "temp_folder.h"
#include "test_paths.h"
#include "win32/unique_handle.h"

namespace kvftest {
namespace {

class ChannelTest : public KvfTest {
protected:
    void TearDown() override
    {
        kvf::CloseDriverDevice();
        KvfTest::TearDown();
    }
};

TEST_F(ChannelTest, OpeningTwiceKeepsTheFirstHandle)
{
    EXPECT_EQ(kvf::OpenDriverDevice(), 1);
    EXPECT_EQ(kvf::OpenDriverDevice(), 0);
    EXPECT_EQ(status().OpenHandles, 1u);
    uint32_t value = 99;
    ASSERT_TRUE(panel_.setEc(1, 0));
    EXPECT_TRUE(kvf::QueryChargeValue(0, value));
    EXPECT_EQ(value, 1u);
    kvf::CloseDriverDevice();
    EXPECT_EQ(StatusWithOpenHandles(0).OpenHandles, 0u);
    kvf::CloseDriverDevice(); // nothing left to close
    EXPECT_FALSE(kvf::IsDriverDeviceOpen());
}

using ChannelModeTest = InChargeMode<ChannelTest>;
INSTANTIATE_TEST_SUITE_P(Driver, ChannelModeTest, testing::ValuesIn(kChargeModes), ChargeModeName);

TEST_P(ChannelModeTest, SendChargeCommandResults)
{
    EXPECT_EQ(kvf::SendChargeCommand(1, 1), 1u) << "no device open";
    EXPECT_EQ(kvf::SendChargeCommand(0, 0), 1u) << "no device open, any command";
    ASSERT_EQ(kvf::OpenDriverDevice(), 1);
    struct Case {
        uint32_t command, value, result;
    };
    const Case cases[] = {
        {0, 0, ERROR_INVALID_PARAMETER},
        {2, 0, ERROR_INVALID_PARAMETER},
        {4, 1, ERROR_INVALID_PARAMETER},
        {0xFFFFFFFF, 1, ERROR_INVALID_PARAMETER},
        {1, 1, 0},
        {3, 2, 0},
        // Values the library never sends: the driver's own status comes back.
        {3, 7, KVFB_EC_STATUS_VALUE_OUT_OF_RANGE},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(testing::Message() << "command " << c.command << " value " << c.value);
        EXPECT_EQ(kvf::SendChargeCommand(c.command, c.value), c.result);
    }
    EXPECT_EQ(status().ChargeRequests, 3u) << "refused commands must not reach the driver";
    ASSERT_TRUE(panel_.failCharge(KVFBSIM_FAIL_NTSTATUS, 0xC00000A3));
    EXPECT_EQ(kvf::SendChargeCommand(1, 0), static_cast<uint32_t>(ERROR_NOT_READY));
    ASSERT_TRUE(panel_.failCharge(KVFBSIM_FAIL_DW_STATUS, 0x1234));
    EXPECT_EQ(kvf::SendChargeCommand(1, 0), 0x1234u);
    uint32_t value = 0;
    EXPECT_TRUE(kvf::QueryChargeValue(2, value));
    EXPECT_EQ(value, 2u) << "the value set by the command above";
    ASSERT_TRUE(panel_.failCharge(KVFBSIM_FAIL_DW_STATUS, 1));
    EXPECT_FALSE(kvf::QueryChargeValue(2, value));
    ASSERT_TRUE(panel_.failCharge(KVFBSIM_FAIL_NTSTATUS, 0xC00000A3));
    EXPECT_FALSE(kvf::QueryChargeValue(0, value));
}

// Runs WaitButtonReport on a thread of its own, which stays alive after the
// call until the waiter goes away.
class ButtonWaiter {
public:
    explicit ButtonWaiter(bool stoppedBeforehand = false)
        : event_(CreateEventW(nullptr, FALSE, FALSE, nullptr)),
          stop_(CreateEventW(nullptr, TRUE, stoppedBeforehand, nullptr)),
          lock_(kvf::OpenDriverLock()),
          returned_(CreateEventW(nullptr, TRUE, FALSE, nullptr)),
          exit_(CreateEventW(nullptr, TRUE, FALSE, nullptr)),
          thread_(CreateThread(nullptr, 0, Run, this, 0, nullptr))
    {
    }
    ~ButtonWaiter()
    {
        SetEvent(exit_.get());
        WaitForSingleObject(thread_.get(), INFINITE);
    }
    bool started() const { return thread_.valid(); }
    // The stop signal of KVFClose on the request's event alone, and on the
    // stop event alone.
    void SignalEvent() { SetEvent(event_.get()); }
    void SignalStop() { SetEvent(stop_.get()); }
    bool WaitReturned(DWORD timeoutMs)
    {
        return WaitForSingleObject(returned_.get(), timeoutMs) == WAIT_OBJECT_0;
    }
    bool completed() const { return completed_; }
    uint32_t report() const { return report_; }

private:
    static DWORD WINAPI Run(LPVOID parameter)
    {
        auto *self = static_cast<ButtonWaiter *>(parameter);
        self->completed_ = kvf::WaitButtonReport(self->lock_.get(), self->event_.get(),
                                                 self->stop_.get(), self->report_);
        SetEvent(self->returned_.get());
        WaitForSingleObject(self->exit_.get(), INFINITE);
        return 0;
    }

    UniqueHandle event_, stop_, lock_, returned_, exit_, thread_;
    uint32_t report_ = 0xFFFFFFFF;
    bool completed_ = false;
};

TEST_F(ChannelTest, AChargeCommandPassesAWaitingButtonRequest)
{
    ASSERT_EQ(kvf::OpenDriverDevice(), 1);
    ButtonWaiter waiter;
    ASSERT_TRUE(waiter.started());
    ASSERT_TRUE(WaitPending(1));
    EXPECT_EQ(kvf::SendChargeCommand(3, 1), 0u);
    EXPECT_EQ(status().PendingNow, 1u);
    ASSERT_TRUE(panel_.injectReport(0x103));
    ASSERT_TRUE(waiter.WaitReturned(10000));
    EXPECT_TRUE(waiter.completed());
    EXPECT_EQ(waiter.report(), 0x103u);
}

TEST_F(ChannelTest, AWaitEndedByAStopLeavesNoRequestBehind)
{
    struct Case {
        const char *name;
        bool onStopEvent;
    };
    const Case cases[] = {
        {"signal on the completion event", false},
        {"stop event", true},
    };
    ASSERT_EQ(kvf::OpenDriverDevice(), 1);
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(panel_.reset());
        ButtonWaiter waiter;
        ASSERT_TRUE(waiter.started());
        ASSERT_TRUE(WaitPending(1));
        if (c.onStopEvent)
            waiter.SignalStop();
        else
            waiter.SignalEvent();
        ASSERT_TRUE(waiter.WaitReturned(10000));
        // The calling thread still runs: the request was cancelled by the
        // call itself, not by the thread's end or the device's closing.
        const KVFBSIM_STATUS s = status();
        EXPECT_EQ(s.PendingNow, 0u);
        EXPECT_EQ(s.ButtonCancelled, 1u);
        EXPECT_EQ(s.ButtonCancelledOnClose, 0u);
        // A cancelled request is no report.
        EXPECT_FALSE(waiter.completed());
        EXPECT_EQ(waiter.report(), 0xFFFFFFFFu);
    }
}

TEST_F(ChannelTest, AStopBeforeTheRequestIssuesNothing)
{
    ASSERT_EQ(kvf::OpenDriverDevice(), 1);
    ButtonWaiter waiter(true);
    ASSERT_TRUE(waiter.started());
    ASSERT_TRUE(waiter.WaitReturned(10000));
    EXPECT_FALSE(waiter.completed());
    EXPECT_EQ(waiter.report(), 0xFFFFFFFFu);
    EXPECT_EQ(status().ButtonRequests, 0u);
}

TEST_F(ChannelTest, AButtonRequestWithoutADeviceFailsAtOnce)
{
    UniqueHandle event(CreateEventW(nullptr, FALSE, FALSE, nullptr));
    UniqueHandle stop(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    UniqueHandle lock(kvf::OpenDriverLock());
    uint32_t report = 7;
    EXPECT_FALSE(kvf::WaitButtonReport(lock.get(), event.get(), stop.get(), report));
    EXPECT_EQ(report, 7u);
}

// An object of another type that holds a lock's name first (as one made by
// an elevated process with a descriptor that denies us would) keeps the
// library from creating the lock: what needs it fails with the creation's
// error and changes neither the file nor the controller. This process
// loads no library of its own, so the name is free for the squatter.
TEST_F(ChannelTest, ALockThatCannotBeCreatedFailsWhatNeedsIt)
{
    const struct {
        const wchar_t *name;
        const char *output;
        unsigned long usb; // in the file and in the controller afterwards
    } rows[] = {
        {L"hMutexIniWrite",
         "open 0\r\nsetusb -1 error 6\r\nsetbattery -1 error 6\r\nstartonce -1 error 6\r\nclose 0\r\n", 0},
        {L"Global\\hMutexFullChargeOnce",
         "open 0\r\nsetusb 0\r\nsetbattery -1 error 6\r\nstartonce -1 error 6\r\nclose 0\r\n", 1},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(testing::PrintToString(std::wstring(row.name)));
        ASSERT_TRUE(WriteSettingsBytes(DefaultTextBytes()) && WriteValue(L"BatteryChargeLimit", L"1"));
        ASSERT_TRUE(panel_.setEc(0, 1));
        const UniqueHandle squatter(CreateEventW(nullptr, TRUE, FALSE, row.name));
        ASSERT_TRUE(squatter && GetLastError() != ERROR_ALREADY_EXISTS) << "the name is taken already";
        std::string output;
        EXPECT_EQ(kivotest::RunProcessCapture(kivotest::Quote(kivotest::BinFile(L"kvf_client.exe")) +
                                                  L" open setusb=1 setbattery=2 startonce close",
                                              output),
                  0u);
        EXPECT_EQ(output, row.output);
        EXPECT_EQ(ReadInt(L"USBCharge"), static_cast<int32_t>(row.usb));
        EXPECT_EQ(ReadInt(L"BatteryChargeLimit"), 1);
        EXPECT_EQ(status().Ec.UsbCharge, row.usb);
        EXPECT_EQ(status().Ec.BatteryLimit, 1u);
        EXPECT_FALSE(ReadBytes(FullChargeOnceFile()));
    }
}

TEST_F(ChannelTest, CreateDirectoryTreeLevelByLevel)
{
    kivotest::TempFolder tree;
    ASSERT_FALSE(tree.path().empty());
    const std::wstring base = tree.path() + L"\\a\\b";
    auto padded = [&](size_t length) {
        std::wstring path = base + L"\\";
        while (path.size() < length)
            path += L'x';
        return path;
    };
    struct Case {
        const char *name;
        std::wstring path;
        int result;
    };
    const Case cases[] = {
        {"empty", L"", 0},
        {"new levels", base + L"\\c\\d", 1},
        {"existing levels", base + L"\\c\\d", 1},
        {"trailing backslash", base + L"\\e\\", 1},
        {"248 characters", padded(248), 1},
        {"249 characters", padded(249), 0},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(kvf::CreateDirectoryTree(c.path.c_str()), c.result);
        if (c.result == 1) {
            const DWORD attributes = GetFileAttributesW(c.path.c_str());
            EXPECT_NE(attributes, INVALID_FILE_ATTRIBUTES);
            EXPECT_TRUE(attributes & FILE_ATTRIBUTE_DIRECTORY);
        }
    }
    EXPECT_EQ(GetFileAttributesW(padded(249).c_str()), INVALID_FILE_ATTRIBUTES);

    // A file where a level should be: that level cannot be created.
    const std::wstring blocker = tree.File(L"file");
    HANDLE file = CreateFileW(blocker.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    CloseHandle(file);
    EXPECT_EQ(kvf::CreateDirectoryTree((blocker + L"\\sub").c_str()), 0);
}

TEST_F(ChannelTest, TheTestProgramIsNotTheSettingsApplication)
{
    wchar_t path[MAX_PATH] = L"untouched";
    EXPECT_EQ(kvf::GetSettingAppPath(path), 0);
    EXPECT_STREQ(path, L"untouched");
}

} // namespace
} // namespace kvftest
