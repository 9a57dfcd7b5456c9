// The simulated function button driver, through a bare client of \\.\KVFB and
// the control panel \\.\KVFBSIM.
#include <windows.h>
#include <winioctl.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "panel.h"
#include "sim_device.h"
#include "sim_panel_test.h"

namespace {

constexpr LONG kStatusCancelled = static_cast<LONG>(0xC0000120); // STATUS_CANCELLED
constexpr LONG kStatusDeletePending = static_cast<LONG>(0xC0000056); // STATUS_DELETE_PENDING
constexpr LONG kStatusDeviceNotReady = static_cast<LONG>(0xC00000A3);

UniqueHandle OpenButtonDevice()
{
    return UniqueHandle(CreateFileW(KVFB_DEVICE_PATH, GENERIC_READ | GENERIC_WRITE,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                    FILE_FLAG_OVERLAPPED, nullptr));
}

// One overlapped button request, as the control library issues it.
class ButtonRequest {
public:
    ButtonRequest() : event_(CreateEventW(nullptr, FALSE, FALSE, nullptr))
    {
        overlapped_.hEvent = event_.get();
    }
    ~ButtonRequest()
    {
        // Never leave a request pending on memory that goes away.
        if (pending_ && device_ != nullptr) {
            CancelIoEx(device_, &overlapped_);
            DWORD returned = 0;
            GetOverlappedResult(device_, &overlapped_, &returned, TRUE);
        }
    }
    ButtonRequest(const ButtonRequest &) = delete;
    ButtonRequest &operator=(const ButtonRequest &) = delete;

    // Issues the request: the result of DeviceIoControl, with its error.
    BOOL issue(HANDLE device, DWORD outputSize = sizeof(uint32_t))
    {
        device_ = device;
        report_ = 0;
        DWORD returned = 0;
        const BOOL result = DeviceIoControl(device, KVFB_IOCTL_WAIT_BUTTON_EVENT, nullptr, 0,
                                            &report_, outputSize, &returned, &overlapped_);
        error_ = result ? ERROR_SUCCESS : GetLastError();
        pending_ = !result && error_ == ERROR_IO_PENDING;
        return result;
    }
    DWORD error() const { return error_; }
    bool signalled(DWORD timeoutMs) const
    {
        return WaitForSingleObject(event_.get(), timeoutMs) == WAIT_OBJECT_0;
    }
    // Final result of a request that was pending: its success and error.
    bool finish(DWORD &error)
    {
        DWORD returned = 0;
        const BOOL ok = GetOverlappedResult(device_, &overlapped_, &returned, TRUE);
        error = ok ? ERROR_SUCCESS : GetLastError();
        pending_ = false;
        return ok != FALSE;
    }
    BOOL cancel() { return CancelIoEx(device_, &overlapped_); }
    // The device handle was closed under the request: it has ended.
    void forget() { pending_ = false; }
    uint32_t report() const { return report_; }
    LONG status() const { return static_cast<LONG>(overlapped_.Internal); }

private:
    UniqueHandle event_;
    OVERLAPPED overlapped_{};
    uint32_t report_ = 0;
    HANDLE device_ = nullptr;
    DWORD error_ = ERROR_SUCCESS;
    bool pending_ = false;
};

// A charge request as the control library issues it on its overlapped
// handle; the driver completes it at once.
struct ChargeResult {
    BOOL ok;
    DWORD error;
    KVFB_CHARGE_RECORD record;
};

ChargeResult SendCharge(HANDLE device, uint32_t command, uint32_t value,
                        DWORD size = sizeof(KVFB_CHARGE_RECORD))
{
    ChargeResult result{FALSE, 0, {command, value, 0}};
    UniqueHandle event(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    OVERLAPPED overlapped{};
    overlapped.hEvent = event.get();
    DWORD returned = 0;
    result.ok = DeviceIoControl(device, KVFB_IOCTL_CHARGE_REQUEST, &result.record, size,
                                &result.record, size, &returned, &overlapped);
    result.error = result.ok ? ERROR_SUCCESS : GetLastError();
    if (!result.ok && result.error == ERROR_IO_PENDING) {
        result.ok = GetOverlappedResult(device, &overlapped, &returned, TRUE);
        result.error = result.ok ? ERROR_SUCCESS : GetLastError();
    }
    return result;
}

class SimDriverTest : public kivotest::SimPanelTest {
protected:
    void SetUp() override
    {
        kivotest::SimPanelTest::SetUp();
        if (HasFatalFailure())
            return;
        ASSERT_EQ(before_.OpenHandles, 0u) << "an earlier test left a handle open";
        device_ = OpenButtonDevice();
        ASSERT_TRUE(device_) << "error " << GetLastError();
    }
    void TearDown() override
    {
        device_.reset();
        kivotest::SimPanelTest::TearDown();
    }

    UniqueHandle device_;
};

TEST_F(SimDriverTest, PendingRequestCompletesWithTheInjectedReport)
{
    for (const uint32_t report : {0u, 1u, 2u, 3u, 6u, 0x101u, 0xFFFFFFFFu}) {
        SCOPED_TRACE(report);
        ButtonRequest request;
        EXPECT_FALSE(request.issue(device_.get()));
        ASSERT_EQ(request.error(), static_cast<DWORD>(ERROR_IO_PENDING));
        EXPECT_FALSE(request.signalled(50)) << "completed without a report";
        EXPECT_EQ(status().PendingNow, 1u);

        ASSERT_TRUE(panel_.injectReport(report));
        ASSERT_TRUE(request.signalled(5000));
        DWORD error = 0;
        EXPECT_TRUE(request.finish(error));
        EXPECT_EQ(request.report(), report);
        EXPECT_EQ(status().PendingNow, 0u);
    }
    const KVFBSIM_STATUS s = status();
    EXPECT_EQ(s.ButtonRequests, 7u);
    EXPECT_EQ(s.ButtonCompleted, 7u);
    EXPECT_EQ(s.ReportsInjected, 7u);
    EXPECT_EQ(s.ReportsQueued, 0u);
}

TEST_F(SimDriverTest, ReportsWithoutARequestAreQueuedAndDeliveredInOrder)
{
    const std::vector<uint32_t> reports = {1, 0, 3, 2, 0x101};
    for (const uint32_t report : reports)
        ASSERT_TRUE(panel_.injectReport(report));
    EXPECT_EQ(status().ReportsQueued, reports.size());

    for (const uint32_t expected : reports) {
        ButtonRequest request;
        // Still pending by the book, but complete by the time we look.
        EXPECT_FALSE(request.issue(device_.get()));
        EXPECT_EQ(request.error(), static_cast<DWORD>(ERROR_IO_PENDING));
        ASSERT_TRUE(request.signalled(5000));
        DWORD error = 0;
        EXPECT_TRUE(request.finish(error));
        EXPECT_EQ(request.report(), expected);
    }
    EXPECT_EQ(status().ReportsQueued, 0u);
}

TEST_F(SimDriverTest, TheQueueIsBoundedAndDropsTheNewest)
{
    for (uint32_t i = 0; i < KVFB_REPORT_QUEUE_LENGTH + 3; ++i)
        ASSERT_TRUE(panel_.injectReport(i));
    KVFBSIM_STATUS s = status();
    EXPECT_EQ(s.ReportsQueued, KVFB_REPORT_QUEUE_LENGTH);
    EXPECT_EQ(s.ReportsDropped, 3u);

    ButtonRequest request;
    request.issue(device_.get());
    ASSERT_TRUE(request.signalled(5000));
    EXPECT_EQ(request.report(), 0u);

    ASSERT_TRUE(panel_.reset());
    s = status();
    EXPECT_EQ(s.ReportsQueued, 0u);
    EXPECT_EQ(s.ReportsDropped, 0u);
}

TEST_F(SimDriverTest, ClosingTheHandleCancelsItsPendingRequestOnly)
{
    UniqueHandle other = OpenButtonDevice();
    ASSERT_TRUE(other);
    ButtonRequest mine;
    ButtonRequest theirs;
    ASSERT_FALSE(mine.issue(device_.get()));
    ASSERT_FALSE(theirs.issue(other.get()));
    EXPECT_EQ(status().PendingNow, 2u);
    EXPECT_EQ(status().OpenHandles, 2u);

    device_.reset();
    mine.forget();
    ASSERT_TRUE(mine.signalled(5000));
    EXPECT_EQ(mine.status(), kStatusCancelled);
    // The driver completes the cancelled request before it counts the close.
    KVFBSIM_STATUS s = StatusWithOpenHandles(1);
    EXPECT_EQ(s.PendingNow, 1u);
    EXPECT_EQ(s.ButtonCancelled, 1u);
    EXPECT_EQ(s.ButtonCancelledOnClose, 1u);
    EXPECT_EQ(s.Closes, 1u);
    EXPECT_EQ(s.OpenHandles, 1u);

    // The other handle's request still waits and gets the next report.
    EXPECT_FALSE(theirs.signalled(0));
    ASSERT_TRUE(panel_.injectReport(3));
    ASSERT_TRUE(theirs.signalled(5000));
    EXPECT_EQ(theirs.report(), 3u);
}

TEST_F(SimDriverTest, CancelIoExCancelsAPendingRequest)
{
    ButtonRequest request;
    ASSERT_FALSE(request.issue(device_.get()));
    ASSERT_TRUE(request.cancel());
    DWORD error = 0;
    EXPECT_FALSE(request.finish(error));
    EXPECT_EQ(error, static_cast<DWORD>(ERROR_OPERATION_ABORTED));
    const KVFBSIM_STATUS s = status();
    EXPECT_EQ(s.PendingNow, 0u);
    EXPECT_EQ(s.ButtonCancelled, 1u);
    EXPECT_EQ(s.ButtonCancelledOnClose, 0u);
    // A report after the cancel waits for the next request.
    ASSERT_TRUE(panel_.injectReport(2));
    EXPECT_EQ(status().ReportsQueued, 1u);
}

TEST_F(SimDriverTest, ChargeSetThenGetRoundTripsEveryValue)
{
    struct Case {
        uint32_t set, get, value;
    };
    const Case cases[] = {
        {KVFB_CMD_SET_USB_CHARGE, KVFB_CMD_GET_USB_CHARGE, 1},
        {KVFB_CMD_SET_USB_CHARGE, KVFB_CMD_GET_USB_CHARGE, 0},
        {KVFB_CMD_SET_BATTERY_LIMIT, KVFB_CMD_GET_BATTERY_LIMIT, 2},
        {KVFB_CMD_SET_BATTERY_LIMIT, KVFB_CMD_GET_BATTERY_LIMIT, 1},
        {KVFB_CMD_SET_BATTERY_LIMIT, KVFB_CMD_GET_BATTERY_LIMIT, 0},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(testing::Message() << "command " << c.set << " value " << c.value);
        const ChargeResult set = SendCharge(device_.get(), c.set, c.value);
        ASSERT_TRUE(set.ok) << set.error;
        EXPECT_EQ(set.record.dwStatus, 0u);
        const ChargeResult get = SendCharge(device_.get(), c.get, 0);
        ASSERT_TRUE(get.ok) << get.error;
        EXPECT_EQ(get.record.dwStatus, 0u);
        EXPECT_EQ(get.record.dwValue, c.value);
        EXPECT_EQ(get.record.dwCommand, c.get);
    }
    const KVFBSIM_STATUS s = status();
    EXPECT_EQ(s.ChargeRequests, 10u);
    ASSERT_EQ(s.ChargeLogCount, 10u);
    EXPECT_EQ(s.ChargeLog[0].dwCommand, KVFB_CMD_SET_USB_CHARGE);
    EXPECT_EQ(s.ChargeLog[0].dwValue, 1u);
    EXPECT_EQ(s.ChargeLog[9].dwCommand, KVFB_CMD_GET_BATTERY_LIMIT);
}

TEST_F(SimDriverTest, TheEmbeddedControllerRefusesBadCommandsAndValues)
{
    ASSERT_TRUE(panel_.setEc(1, 1));
    struct Case {
        uint32_t command, value, status;
    };
    const Case cases[] = {
        {KVFB_CMD_SET_USB_CHARGE, 2, KVFB_EC_STATUS_VALUE_OUT_OF_RANGE},
        {KVFB_CMD_SET_USB_CHARGE, 0xFFFFFFFF, KVFB_EC_STATUS_VALUE_OUT_OF_RANGE},
        {KVFB_CMD_SET_BATTERY_LIMIT, 3, KVFB_EC_STATUS_VALUE_OUT_OF_RANGE},
        {4, 0, KVFB_EC_STATUS_UNKNOWN_COMMAND},
        {0xFFFFFFFF, 0, KVFB_EC_STATUS_UNKNOWN_COMMAND},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(testing::Message() << "command " << c.command << " value " << c.value);
        const ChargeResult result = SendCharge(device_.get(), c.command, c.value);
        ASSERT_TRUE(result.ok) << result.error;
        EXPECT_EQ(result.record.dwStatus, c.status);
    }
    const KVFBSIM_STATUS s = status();
    EXPECT_EQ(s.Ec.UsbCharge, 1u);
    EXPECT_EQ(s.Ec.BatteryLimit, 1u);
}

TEST_F(SimDriverTest, RawEcValuesAreReportedAsTheyAre)
{
    ASSERT_TRUE(panel_.setEc(7, 0x10));
    EXPECT_EQ(SendCharge(device_.get(), KVFB_CMD_GET_USB_CHARGE, 0).record.dwValue, 7u);
    EXPECT_EQ(SendCharge(device_.get(), KVFB_CMD_GET_BATTERY_LIMIT, 0).record.dwValue, 0x10u);
}

TEST_F(SimDriverTest, ChargeValuesSurviveADriverRestart)
{
    ASSERT_TRUE(SendCharge(device_.get(), KVFB_CMD_SET_USB_CHARGE, 1).ok);
    ASSERT_TRUE(SendCharge(device_.get(), KVFB_CMD_SET_BATTERY_LIMIT, 2).ok);
    device_.reset();
    // The driver stops only once the close has reached it.
    ASSERT_EQ(StatusWithOpenHandles(0).OpenHandles, 0u);
    panel_ = kvfbsim::Panel();

    ASSERT_TRUE(kivotest::RestartSimDriver());

    ASSERT_TRUE(panel_.open());
    const KVFBSIM_STATUS fresh = status();
    EXPECT_EQ(fresh.Opens, 0u) << "the driver did not start anew";
    EXPECT_EQ(fresh.ChargeRequests, 0u);
    device_ = OpenButtonDevice();
    ASSERT_TRUE(device_);
    EXPECT_EQ(SendCharge(device_.get(), KVFB_CMD_GET_USB_CHARGE, 0).record.dwValue, 1u);
    EXPECT_EQ(SendCharge(device_.get(), KVFB_CMD_GET_BATTERY_LIMIT, 0).record.dwValue, 2u);
}

TEST_F(SimDriverTest, InjectedChargeFailures)
{
    struct Case {
        const char *name;
        uint32_t kind, value, count;
        BOOL ok;
        DWORD error;
        uint32_t dwStatus;
    };
    const Case cases[] = {
        {"driver status", KVFBSIM_FAIL_DW_STATUS, 5, 1, TRUE, ERROR_SUCCESS, 5},
        {"driver status twice", KVFBSIM_FAIL_DW_STATUS, 0x1234, 2, TRUE, ERROR_SUCCESS, 0x1234},
        {"device not ready", KVFBSIM_FAIL_NTSTATUS, 0xC00000A3, 1, FALSE, ERROR_NOT_READY, 0},
        {"io device error", KVFBSIM_FAIL_NTSTATUS, 0xC0000185, 1, FALSE, ERROR_IO_DEVICE, 0},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(panel_.failCharge(c.kind, c.value, c.count));
        for (uint32_t i = 0; i < c.count; ++i) {
            const ChargeResult failed = SendCharge(device_.get(), KVFB_CMD_SET_USB_CHARGE, 1);
            EXPECT_EQ(failed.ok, c.ok);
            EXPECT_EQ(failed.error, c.error);
            if (c.ok) {
                EXPECT_EQ(failed.record.dwStatus, c.dwStatus);
            }
        }
        EXPECT_EQ(status().Ec.UsbCharge, before_.Ec.UsbCharge) << "a failed set changed the EC";
        // Only the armed number of requests fail.
        const ChargeResult next = SendCharge(device_.get(), KVFB_CMD_GET_USB_CHARGE, 0);
        EXPECT_TRUE(next.ok);
        EXPECT_EQ(next.record.dwStatus, 0u);
    }
    EXPECT_EQ(status().ChargeFailed, 5u);
}

TEST_F(SimDriverTest, InjectedButtonFailures)
{
    // Armed while a request waits: that request fails at once.
    ButtonRequest waiting;
    ASSERT_FALSE(waiting.issue(device_.get()));
    ASSERT_TRUE(panel_.failButton(0xC0000185));
    ASSERT_TRUE(waiting.signalled(5000));
    DWORD error = 0;
    EXPECT_FALSE(waiting.finish(error));
    EXPECT_EQ(error, static_cast<DWORD>(ERROR_IO_DEVICE));

    // Armed with none pending: the next request fails without pending.
    ASSERT_TRUE(panel_.failButton(0xC00000A3));
    ButtonRequest next;
    EXPECT_FALSE(next.issue(device_.get()));
    EXPECT_EQ(next.error(), static_cast<DWORD>(ERROR_NOT_READY));

    // A button failure must carry an error status.
    EXPECT_FALSE(panel_.failButton(0));
    EXPECT_EQ(status().ButtonFailed, 2u);
}

TEST_F(SimDriverTest, MalformedRequestsFail)
{
    struct Case {
        const char *name;
        DWORD code, inSize, outSize, error;
    };
    const Case cases[] = {
        {"unknown control code",
         CTL_CODE(FILE_DEVICE_UNKNOWN, 0x98C, METHOD_BUFFERED, FILE_READ_ACCESS), 0, 0,
         ERROR_INVALID_FUNCTION},
        {"panel code on the button device", KVFBSIM_IOCTL_RESET, 0, 0, ERROR_INVALID_FUNCTION},
        {"short charge record", KVFB_IOCTL_CHARGE_REQUEST, 8, 8, ERROR_INVALID_PARAMETER},
        {"short report buffer", KVFB_IOCTL_WAIT_BUTTON_EVENT, 0, 2, ERROR_INSUFFICIENT_BUFFER},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        uint8_t buffer[16] = {};
        UniqueHandle event(CreateEventW(nullptr, TRUE, FALSE, nullptr));
        OVERLAPPED overlapped{};
        overlapped.hEvent = event.get();
        DWORD returned = 0;
        BOOL ok = DeviceIoControl(device_.get(), c.code, buffer, c.inSize, buffer, c.outSize,
                                  &returned, &overlapped);
        DWORD error = ok ? ERROR_SUCCESS : GetLastError();
        if (!ok && error == ERROR_IO_PENDING) {
            ok = GetOverlappedResult(device_.get(), &overlapped, &returned, TRUE);
            error = ok ? ERROR_SUCCESS : GetLastError();
        }
        EXPECT_FALSE(ok);
        EXPECT_EQ(error, c.error);
    }
    const KVFBSIM_STATUS s = status();
    EXPECT_EQ(s.UnknownRequests, 2u);
    EXPECT_EQ(s.PendingNow, 0u);
}

TEST_F(SimDriverTest, CompleteAtOnceModeReturnsTrueWithoutPending)
{
    ASSERT_TRUE(panel_.setMode(KVFBSIM_MODE_COMPLETE_AT_ONCE));
    ASSERT_TRUE(panel_.injectReport(6));
    for (const uint32_t expected : {6u, 0u}) {
        ButtonRequest request;
        EXPECT_TRUE(request.issue(device_.get())) << request.error();
        EXPECT_EQ(request.report(), expected);
        // The completion still signals the event, which the caller discards.
        EXPECT_TRUE(request.signalled(0));
    }
    KVFBSIM_STATUS s = status();
    EXPECT_EQ(s.Mode, KVFBSIM_MODE_COMPLETE_AT_ONCE);
    EXPECT_EQ(s.PendingNow, 0u);
    EXPECT_EQ(s.ButtonCompleted, 2u);

    ASSERT_TRUE(panel_.setMode(KVFBSIM_MODE_PENDING));
    ButtonRequest request;
    EXPECT_FALSE(request.issue(device_.get()));
    EXPECT_EQ(request.error(), static_cast<DWORD>(ERROR_IO_PENDING));
    EXPECT_FALSE(panel_.setMode(2));
}

TEST_F(SimDriverTest, AChargeRequestCompletesWhileAButtonRequestWaits)
{
    ButtonRequest request;
    ASSERT_FALSE(request.issue(device_.get()));
    const ChargeResult charge = SendCharge(device_.get(), KVFB_CMD_SET_BATTERY_LIMIT, 1);
    ASSERT_TRUE(charge.ok);
    EXPECT_EQ(charge.record.dwStatus, 0u);
    EXPECT_FALSE(request.signalled(0));
    EXPECT_EQ(status().PendingNow, 1u);
}

TEST_F(SimDriverTest, APendedChargeRequestEndsOnceWhateverEndsIt)
{
    enum class End { Delay, CancelIoEx, Close, Removal };
    struct Case {
        const char *name;
        uint32_t delayMs;
        End end;
        uint32_t failKind, failValue, failCount;
        LONG status;     // the request's final NTSTATUS
        uint32_t dwStatus, usb; // the record's status, the EC's value after
        unsigned long failed, cancelled, logged;
    };
    // A request that ends early holds up none that comes after it.
    const Case cases[] = {
        {"CancelIoEx", 60000, End::CancelIoEx, 0, 0, 0, kStatusCancelled, 0, 0, 0, 1, 0},
        {"handle closed", 60000, End::Close, 0, 0, 0, kStatusCancelled, 0, 0, 0, 1, 0},
        {"carried out", 5, End::Delay, 0, 0, 0, 0, 0, 1, 0, 0, 1},
        {"driver status", 5, End::Delay, KVFBSIM_FAIL_DW_STATUS, 5, 1, 0, 5, 0, 1, 0, 1},
        {"request failed", 5, End::Delay, KVFBSIM_FAIL_NTSTATUS, 0xC00000A3, 1,
         kStatusDeviceNotReady, 0, 0, 1, 0, 0},
        {"device removed", 60000, End::Removal, 0, 0, 0, kStatusDeletePending, 0, 0, 1, 0, 0},
    };
    EXPECT_FALSE(panel_.setChargeDelay(KVFBSIM_CHARGE_DELAY_MAX + 1));
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(panel_.reset());
        ASSERT_TRUE(panel_.setEc(0, 0));
        ASSERT_TRUE(panel_.setChargeDelay(c.delayMs));
        ASSERT_TRUE(panel_.failCharge(c.failKind, c.failValue, c.failCount));
        UniqueHandle device = OpenButtonDevice();
        UniqueHandle event(CreateEventW(nullptr, TRUE, FALSE, nullptr));
        OVERLAPPED overlapped{};
        overlapped.hEvent = event.get();
        KVFB_CHARGE_RECORD record{KVFB_CMD_SET_USB_CHARGE, 1, 0};
        DWORD returned = 0;
        ASSERT_FALSE(DeviceIoControl(device.get(), KVFB_IOCTL_CHARGE_REQUEST, &record,
                                     sizeof(record), &record, sizeof(record), &returned,
                                     &overlapped));
        ASSERT_EQ(GetLastError(), static_cast<DWORD>(ERROR_IO_PENDING));
        if (c.end != End::Delay) {
            EXPECT_EQ(status().ChargePendingNow, 1u);
        }
        if (c.end == End::CancelIoEx) {
            EXPECT_TRUE(CancelIoEx(device.get(), &overlapped));
        } else if (c.end == End::Close) {
            device.reset();
        } else if (c.end == End::Removal) {
            ASSERT_TRUE(kivotest::RemoveSimDevice());
        }
        ASSERT_EQ(WaitForSingleObject(event.get(), 10000), WAIT_OBJECT_0);
        EXPECT_EQ(static_cast<LONG>(overlapped.Internal), c.status);
        EXPECT_EQ(record.dwStatus, c.dwStatus);
        const KVFBSIM_STATUS s = status();
        EXPECT_EQ(s.ChargePendingNow, 0u);
        EXPECT_EQ(s.ChargeFailed, c.failed);
        EXPECT_EQ(s.ChargeCancelled, c.cancelled);
        EXPECT_EQ(s.ChargeLogCount, c.logged);
        EXPECT_EQ(s.Ec.UsbCharge, c.usb);
    }
    // The device back for the tests that follow.
    device_.reset();
    ASSERT_TRUE(kivotest::InstallSimDevice());
    device_ = OpenButtonDevice();
    ASSERT_TRUE(device_);
    ASSERT_TRUE(panel_.reset());
    EXPECT_EQ(status().ChargeDelay, 0u);
}

TEST_F(SimDriverTest, OpensAndClosesAreCounted)
{
    for (int i = 0; i < 5; ++i)
        OpenButtonDevice(); // opened and closed again at once
    const KVFBSIM_STATUS s = SettledStatus([](const KVFBSIM_STATUS &now) { return now.Closes == 5; });
    EXPECT_EQ(s.Opens, 6u);
    EXPECT_EQ(s.Closes, 5u);
    EXPECT_EQ(s.OpenHandles, 1u);
}

} // namespace
