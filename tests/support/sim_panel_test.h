// A test that works against the simulated driver: the control panel open,
// the driver's counters, queue, failures and mode reset before the test,
// and everything but the counters (the EC's values included) as they were
// afterwards.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include "panel.h"

namespace kivotest {

class SimPanelTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(panel_.open()) << "control panel missing, error " << GetLastError();
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
    // Waits until the driver holds n pending button requests.
    bool WaitPending(unsigned long n, DWORD timeoutMs = 10000)
    {
        for (DWORD waited = 0; waited < timeoutMs; waited += 5) {
            if (status().PendingNow == n)
                return true;
            Sleep(5);
        }
        return false;
    }

    kvfbsim::Panel panel_;
    KVFBSIM_STATUS before_{};
};

} // namespace kivotest
