// The kvfbsim console tool: what each command does to the simulated driver
// and the exit codes people and scripts rely on.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "panel.h"
#include "process.h"
#include "sim_panel_test.h"
#include "test_paths.h"

namespace {

// Runs kvfbsim with the arguments: its exit code, and what it printed.
DWORD Kvfbsim(const std::wstring &arguments, std::string *output = nullptr)
{
    std::string printed;
    const auto code = kivotest::RunProcessCapture(
        kivotest::Quote(kivotest::BinFile(L"kvfbsim.exe")) + L" " + arguments, printed);
    if (output != nullptr)
        *output = printed;
    return code ? *code : 0xFFFFFFFF;
}

using KvfbsimCliTest = kivotest::SimPanelTest;

TEST_F(KvfbsimCliTest, UsageErrorsExitWithTwoAndChangeNothing)
{
    for (const wchar_t *arguments :
         {L"", L"press", L"press C", L"report", L"report 12x", L"report 0x100000000",
          L"ec set fan 1", L"ec set usb", L"fail", L"fail charge", L"fail charge ntstatus",
          L"fail button", L"mode fast", L"charge get", L"charge set usb", L"charge get fan",
          L"wait 1 2", L"mode charge", L"mode charge slow", L"mode charge atonce 5",
          L"mode charge pending 0", L"mode charge pending 60001", L"mode charge pending 5 6",
          L"bogus"}) {
        SCOPED_TRACE(testing::Message() << "kvfbsim " << testing::PrintToString(std::wstring(arguments)));
        EXPECT_EQ(Kvfbsim(arguments), 2u);
    }
    const KVFBSIM_STATUS s = status();
    EXPECT_EQ(s.ReportsInjected, 0u);
    EXPECT_EQ(s.ChargeRequests, 0u);
    EXPECT_EQ(s.Opens, 0u);
}

TEST_F(KvfbsimCliTest, ButtonCommandsInjectTheirReports)
{
    struct Case {
        const wchar_t *arguments;
        const char *readBack;
    };
    const Case cases[] = {
        {L"press A", "report 0x1 (button A, state 1)\r\n"},
        {L"release A", "report 0x0 (button A, state 0)\r\n"},
        {L"press B", "report 0x3 (button B, state 1)\r\n"},
        {L"release b", "report 0x2 (button B, state 0)\r\n"},
        {L"report 6", "report 0x6 (button B, state 0)\r\n"},
        {L"report 0x101", "report 0x101 (button A, state 1)\r\n"},
    };
    for (const Case &c : cases)
        ASSERT_EQ(Kvfbsim(c.arguments), 0u);
    // Read them back in order through a bare button request each.
    for (const Case &c : cases) {
        SCOPED_TRACE(testing::PrintToString(std::wstring(c.arguments)));
        std::string output;
        ASSERT_EQ(Kvfbsim(L"wait 2000", &output), 0u);
        EXPECT_EQ(output, c.readBack);
    }
    const KVFBSIM_STATUS s = status();
    EXPECT_EQ(s.ReportsInjected, 6u);
    EXPECT_EQ(s.ButtonCompleted, 6u);
    EXPECT_EQ(s.ReportsQueued, 0u);
}

TEST_F(KvfbsimCliTest, WaitWithoutAReportTimesOutAndCancels)
{
    std::string output;
    EXPECT_EQ(Kvfbsim(L"wait 100", &output), 1u);
    EXPECT_EQ(output, "kvfbsim: no report within 100 ms\r\n");
    // The tool's handle is closed as it ends, a moment before the driver hears of it.
    const KVFBSIM_STATUS s = StatusWithOpenHandles(0);
    EXPECT_EQ(s.ButtonCancelled, 1u);
    EXPECT_EQ(s.PendingNow, 0u);
    EXPECT_EQ(s.OpenHandles, 0u);
}

TEST_F(KvfbsimCliTest, ChargeAndEcCommands)
{
    EXPECT_EQ(Kvfbsim(L"charge set usb 1"), 0u);
    EXPECT_EQ(Kvfbsim(L"charge set battery 2"), 0u);
    EXPECT_EQ(status().Ec.UsbCharge, 1u);
    EXPECT_EQ(status().Ec.BatteryLimit, 2u);
    // The driver refuses an out-of-range value: exit 1, EC unchanged.
    EXPECT_EQ(Kvfbsim(L"charge set battery 3"), 1u);
    EXPECT_EQ(status().Ec.BatteryLimit, 2u);
    // The panel sets raw values, out of range included.
    EXPECT_EQ(Kvfbsim(L"ec set battery 9"), 0u);
    EXPECT_EQ(status().Ec.BatteryLimit, 9u);
    EXPECT_EQ(status().Ec.UsbCharge, 1u);
    std::string output;
    EXPECT_EQ(Kvfbsim(L"charge get battery", &output), 0u);
    EXPECT_EQ(output, "battery 9\r\n");
    EXPECT_EQ(Kvfbsim(L"ec", &output), 0u);
    EXPECT_EQ(output, "usb 1\r\nbattery 9\r\n");
}

TEST_F(KvfbsimCliTest, FailuresModeAndReset)
{
    EXPECT_EQ(Kvfbsim(L"fail charge 5"), 0u);
    std::string output;
    EXPECT_EQ(Kvfbsim(L"charge get usb", &output), 1u);
    EXPECT_EQ(output, "driver status 5\r\n");
    EXPECT_EQ(Kvfbsim(L"fail charge ntstatus 0xC00000A3"), 0u);
    EXPECT_EQ(Kvfbsim(L"charge get usb", &output), 1u);
    EXPECT_EQ(output, "kvfbsim: the charge request failed (error 21)\r\n");
    EXPECT_EQ(Kvfbsim(L"charge get usb"), 0u);
    EXPECT_EQ(status().ChargeFailed, 2u);

    EXPECT_EQ(Kvfbsim(L"fail button 0xC0000185"), 0u);
    EXPECT_EQ(Kvfbsim(L"wait 2000"), 1u);
    EXPECT_EQ(status().ButtonFailed, 1u);
    EXPECT_EQ(Kvfbsim(L"fail button 0"), 1u); // a failure needs an error status

    EXPECT_EQ(Kvfbsim(L"fail charge 7"), 0u);
    EXPECT_EQ(Kvfbsim(L"fail clear"), 0u);
    EXPECT_EQ(Kvfbsim(L"charge get usb"), 0u);

    EXPECT_EQ(Kvfbsim(L"mode atonce"), 0u);
    EXPECT_EQ(status().Mode, KVFBSIM_MODE_COMPLETE_AT_ONCE);
    EXPECT_EQ(Kvfbsim(L"wait 100"), 0u); // report 0 at once
    EXPECT_EQ(Kvfbsim(L"mode pending"), 0u);
    EXPECT_EQ(status().Mode, KVFBSIM_MODE_PENDING);

    // Charge requests pended, 5 ms or as given; the bare client waits for them.
    EXPECT_EQ(Kvfbsim(L"mode charge pending"), 0u);
    EXPECT_EQ(status().ChargeDelay, 5u);
    EXPECT_EQ(Kvfbsim(L"mode charge pending 20"), 0u);
    EXPECT_EQ(Kvfbsim(L"status", &output), 0u);
    EXPECT_NE(output.find("charge mode       pending 20 ms\r\n"), std::string::npos) << output;
    EXPECT_EQ(Kvfbsim(L"charge get usb", &output), 0u);
    EXPECT_EQ(output, "usb " + std::to_string(status().Ec.UsbCharge) + "\r\n");
    EXPECT_EQ(Kvfbsim(L"mode charge atonce"), 0u);
    EXPECT_EQ(status().ChargeDelay, 0u);
    EXPECT_EQ(Kvfbsim(L"mode charge pending"), 0u);

    EXPECT_EQ(Kvfbsim(L"report 1"), 0u);
    EXPECT_EQ(Kvfbsim(L"reset"), 0u);
    const KVFBSIM_STATUS s = status();
    EXPECT_EQ(s.ReportsQueued, 0u);
    EXPECT_EQ(s.ReportsInjected, 0u);
    EXPECT_EQ(s.ChargeDelay, 0u);
    EXPECT_EQ(Kvfbsim(L"status"), 0u);
}

} // namespace
