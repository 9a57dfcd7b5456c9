// A test that works against the simulated driver: the control panel open,
// the driver's counters, queue, failures and mode reset before the test,
// and everything but the counters (the EC's values included) as they were
// afterwards.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <functional>

#include "panel.h"
#include "settled_status.h"

namespace kivotest {

class SimPanelTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(panel_.open()) << "control panel missing, error " << GetLastError();
        // The earlier test's last close may still be on its way to the
        // driver, and a reset keeps counting a handle that is still open.
        StatusWithOpenHandles(0);
        ASSERT_TRUE(panel_.reset());
        ASSERT_TRUE(panel_.getStatus(before_));
    }
    void TearDown() override
    {
        if (panel_.isOpen()) {
            EXPECT_TRUE(panel_.reset());
            EXPECT_TRUE(panel_.setEc(before_.Ec.UsbCharge, before_.Ec.BatteryLimit));
        }
    }
    KVFBSIM_STATUS status()
    {
        KVFBSIM_STATUS s{};
        EXPECT_TRUE(panel_.getStatus(s));
        return s;
    }
    // The counters once they satisfy the condition, or the last read.
    KVFBSIM_STATUS SettledStatus(const std::function<bool(const KVFBSIM_STATUS &)> &settled,
                                 DWORD timeoutMs = kSettleMs)
    {
        return kivotest::SettledStatus(panel_, settled, timeoutMs);
    }
    // The counters once n handles of the button device are open.
    KVFBSIM_STATUS StatusWithOpenHandles(unsigned long n)
    {
        return SettledStatus([n](const KVFBSIM_STATUS &s) { return s.OpenHandles == n; });
    }
    // Waits until the driver holds n pending button requests.
    bool WaitPending(unsigned long n, DWORD timeoutMs = kSettleMs)
    {
        return SettledStatus([n](const KVFBSIM_STATUS &s) { return s.PendingNow == n; }, timeoutMs)
                   .PendingNow == n;
    }

    kvfbsim::Panel panel_;
    KVFBSIM_STATUS before_{};
};

} // namespace kivotest
