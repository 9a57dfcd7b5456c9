// KivoChargeCtl.exe as people and scripts run it: its words, exit codes and
// texts, the values it leaves in the EC and the settings file, and a driver
// session that is always closed again.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdlib>
#include <string>

#include "kvf_test_fixture.h"
#include "process.h"
#include "sim_device.h"
#include "test_paths.h"

namespace kvftest {
namespace {

constexpr char kUsageHead[] =
    "Usage: KivoChargeCtl status | battery 100|80|50 | battery full-once [end] | usb on|off | --help\r\n";
constexpr char kOnce80[] = "battery limit 100 % (once; back to 80 % when unplugged)\r\n";
constexpr char kNotUnderstood[] = "KivoChargeCtl: the command line is not understood.\r\n";

struct CtlRun {
    DWORD exitCode = 0xFFFFFFFF;
    std::string output;
};

CtlRun ChargeCtl(const std::wstring &arguments)
{
    CtlRun run;
    std::wstring command = kivotest::DistFile(L"KivoChargeCtl.exe");
    if (!arguments.empty())
        command += L" " + arguments;
    run.exitCode = kivotest::RunProcessCapture(command, run.output).value_or(0xFFFFFFFF);
    return run;
}

class ChargeCtlTest : public KvfTest {
protected:
    // The driver was opened as often as it was closed; the handles of a
    // program that has ended reach the driver's close a moment later.
    void ExpectSessionsClosed(unsigned long opens)
    {
        const KVFBSIM_STATUS s = StatusWithOpenHandles(0);
        EXPECT_EQ(s.Opens, opens);
        EXPECT_EQ(s.Closes, s.Opens);
    }
};

TEST_F(ChargeCtlTest, WordsSetTheOptionsAndStatusReadsThemBack)
{
    struct Row {
        const wchar_t *arguments;
        const char *output;
        uint32_t usb;
        uint32_t battery;
        int32_t fileBattery = -1; // the settings file's limit, when not the EC's
    };
    const Row rows[] = {
        {L"status", "battery limit 100 %\r\nUSB charging while off: off\r\n", 0, 0},
        {L"battery 80", "battery limit 80 %\r\n", 0, 1},
        {L"usb on", "USB charging while off: on\r\n", 1, 1},
        {L"status", "battery limit 80 %\r\nUSB charging while off: on\r\n", 1, 1},
        {L"battery 50", "battery limit 50 %\r\n", 1, 2},
        {L"usb off", "USB charging while off: off\r\n", 0, 2},
        {L"battery 100", "battery limit 100 %\r\n", 0, 0},
        // One-time full charge: the limit that comes back stays in the file.
        {L"battery full-once", "battery limit 100 %\r\n", 0, 0}, // nothing to come back
        {L"battery 80", "battery limit 80 %\r\n", 0, 1},
        {L"battery full-once", kOnce80, 0, 0, 1},
        {L"status",
         "battery limit 100 % (once; back to 80 % when unplugged)\r\nUSB charging while off: off\r\n",
         0, 0, 1},
        {L"battery full-once", kOnce80, 0, 0, 1},
        {L"battery full-once end", "battery limit 80 %\r\n", 0, 1},
        {L"battery full-once end", "battery limit 80 %\r\n", 0, 1},
        {L"status", "battery limit 80 %\r\nUSB charging while off: off\r\n", 0, 1},
    };
    ASSERT_TRUE(panel_.setEc(0, 0));
    unsigned long opens = 0;
    for (const Row &row : rows) {
        SCOPED_TRACE(testing::Message() << std::string(row.arguments, row.arguments + wcslen(row.arguments)));
        const CtlRun run = ChargeCtl(row.arguments);
        EXPECT_EQ(run.exitCode, 0u);
        EXPECT_EQ(run.output, row.output);
        const KVFBSIM_STATUS s = status();
        EXPECT_EQ(s.Ec.UsbCharge, row.usb);
        EXPECT_EQ(s.Ec.BatteryLimit, row.battery);
        EXPECT_EQ(ReadInt(L"USBCharge"), static_cast<int32_t>(row.usb));
        EXPECT_EQ(ReadInt(L"BatteryChargeLimit"),
                  row.fileBattery >= 0 ? row.fileBattery : static_cast<int32_t>(row.battery));
        EXPECT_EQ(ReadBytes(FullChargeOnceFile()).has_value(), row.fileBattery >= 0);
        ExpectSessionsClosed(++opens);
    }
}

// The machine policy fixes the battery limit at 80 % and forbids a full
// charge once: status says so, another value exits with 4 and changes
// nothing, the policy's own value and the other option are as ever. A
// controller that refuses the policy's value at the session's start leaves
// the options readable: status says so and exits with 5.
TEST_F(ChargeCtlTest, WhatThePolicyFixesIsShownAndCannotBeChanged)
{
    constexpr char kByPolicy[] = "KivoChargeCtl: this option is set by your organization.\r\n";
    ASSERT_TRUE(WritePolicyDword(L"BatteryChargeLimit", 1));
    ASSERT_TRUE(WritePolicyDword(L"AllowFullChargeOnce", 0));
    ASSERT_TRUE(panel_.setEc(0, 0));
    const struct {
        const wchar_t *arguments;
        DWORD exitCode;
        const char *output;
        uint32_t ecUsb;
        int32_t fileBattery;
        bool refuse = false; // the controller refuses the session start's first value
    } rows[] = {
        {L"status", 0, "battery limit 80 % (set by your organization)\r\nUSB charging while off: off\r\n", 0, 0},
        {L"battery 50", 4, kByPolicy, 0, 0},
        {L"battery full-once", 4, kByPolicy, 0, 0},
        {L"battery 80", 0, "battery limit 80 %\r\n", 0, 1},
        {L"usb on", 0, "USB charging while off: on\r\n", 1, 1},
        {L"status", 5,
         "KivoChargeCtl: the controller did not accept the value your organization set; it is tried again at the "
         "next start.\r\nbattery limit 80 % (set by your organization)\r\nUSB charging while off: on\r\n",
         1, 1, true},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(testing::Message() << std::string(row.arguments, row.arguments + wcslen(row.arguments)));
        if (row.refuse) {
            ASSERT_TRUE(panel_.failCharge(KVFBSIM_FAIL_DW_STATUS, 5));
        }
        const CtlRun run = ChargeCtl(row.arguments);
        EXPECT_EQ(run.exitCode, row.exitCode);
        EXPECT_EQ(run.output, row.output);
        EXPECT_EQ(status().Ec.BatteryLimit, 1u);
        EXPECT_EQ(status().Ec.UsbCharge, row.ecUsb);
        EXPECT_EQ(ReadInt(L"BatteryChargeLimit"), row.fileBattery);
        EXPECT_FALSE(ReadBytes(FullChargeOnceFile()));
    }
}

TEST_F(ChargeCtlTest, BadArgumentsChangeNothing)
{
    ASSERT_TRUE(panel_.setEc(1, 2));
    const std::string settings = ReadBytes(SettingsFile()).value_or("<none>");
    for (const wchar_t *arguments : {L"", L"battery", L"battery 70", L"battery 80 %", L"battery 80 50",
                                     L"usb ON", L"usb 1", L"Status", L"status now", L"--HELP", L"charge",
                                     L"battery full", L"battery full-once End", L"battery full-once end now"}) {
        SCOPED_TRACE(testing::Message() << std::string(arguments, arguments + wcslen(arguments)));
        const CtlRun run = ChargeCtl(arguments);
        EXPECT_EQ(run.exitCode, 1u);
        EXPECT_EQ(run.output.substr(0, sizeof(kNotUnderstood) - 1), kNotUnderstood);
        EXPECT_NE(run.output.find(kUsageHead), std::string::npos);
    }
    // Help is no error; neither opens the driver or touches the file.
    const CtlRun help = ChargeCtl(L"--help");
    EXPECT_EQ(help.exitCode, 0u);
    EXPECT_EQ(help.output.substr(0, sizeof(kUsageHead) - 1), kUsageHead);
    ExpectSessionsClosed(0);
    EXPECT_EQ(status().Ec.UsbCharge, 1u);
    EXPECT_EQ(status().Ec.BatteryLimit, 2u);
    EXPECT_EQ(ReadBytes(SettingsFile()).value_or("<none>"), settings);
}

TEST_F(ChargeCtlTest, TheDriverRefusingOrMissingHasItsOwnExitCode)
{
    ASSERT_TRUE(panel_.failCharge(KVFBSIM_FAIL_DW_STATUS, 0xE002));
    const CtlRun refused = ChargeCtl(L"usb on");
    EXPECT_EQ(refused.exitCode, 3u);
    EXPECT_EQ(refused.output, "KivoChargeCtl: the driver did not accept the value.\r\n");
    ASSERT_TRUE(panel_.failCharge(KVFBSIM_FAIL_DW_STATUS, 5));
    const CtlRun unread = ChargeCtl(L"status");
    EXPECT_EQ(unread.exitCode, 2u);
    EXPECT_EQ(unread.output, "KivoChargeCtl: the driver could not report the charge options.\r\n");
    ASSERT_TRUE(WriteValue(L"BatteryChargeLimit", L"1"));
    ASSERT_TRUE(panel_.failCharge(KVFBSIM_FAIL_DW_STATUS, 5));
    const CtlRun once = ChargeCtl(L"battery full-once");
    EXPECT_EQ(once.exitCode, 3u);
    EXPECT_EQ(once.output, "KivoChargeCtl: the driver did not accept the value.\r\n");
    EXPECT_FALSE(ReadBytes(FullChargeOnceFile()));
    ExpectSessionsClosed(3);

    // Another program's request holds the driver longer than a call waits.
    HANDLE driverLock = CreateMutexW(nullptr, TRUE, L"hMutexDriver");
    ASSERT_NE(driverLock, nullptr);
    const CtlRun busy = ChargeCtl(L"usb on");
    ReleaseMutex(driverLock);
    CloseHandle(driverLock);
    EXPECT_EQ(busy.exitCode, 6u);
    EXPECT_EQ(busy.output, "KivoChargeCtl: the battery controller did not answer in time; another program may be "
                           "using it. A change may still take effect.\r\n");

    // The EC's own values when the file does not take precedence; a value
    // no word exists for is shown as it is.
    ASSERT_TRUE(WriteValue(L"ReferenceFlag", L"0"));
    ASSERT_TRUE(panel_.setEc(7, 9));
    const CtlRun raw = ChargeCtl(L"status");
    EXPECT_EQ(raw.exitCode, 0u);
    EXPECT_EQ(raw.output, "battery limit: unknown value 9\r\nUSB charging while off: unknown value 7\r\n");
    ASSERT_TRUE(panel_.setEc(0, 0));

    panel_ = kvfbsim::Panel();
    ASSERT_TRUE(kivotest::RemoveSimDevice());
    const CtlRun missing = ChargeCtl(L"battery 80");
    EXPECT_EQ(missing.exitCode, 2u);
    EXPECT_EQ(missing.output, "KivoChargeCtl: the function button driver is not available.\r\n");
    ASSERT_TRUE(kivotest::InstallSimDevice());
    ASSERT_TRUE(panel_.open());
}

TEST_F(ChargeCtlTest, JapaneseTexts)
{
    if (std::getenv("KIVO_CHARGECTL_JAPANESE") == nullptr)
        GTEST_SKIP() << "runs as charge_control_test_japanese, under a Japanese user interface";
    const CtlRun run = ChargeCtl(L"status");
    EXPECT_EQ(run.exitCode, 0u);
    EXPECT_EQ(run.output, "\xE3\x83\x90\xE3\x83\x83\xE3\x83\x86\xE3\x83\xAA\xE3\x83\xBC\xE5\x85\x85\xE9\x9B\xBB"
                          "\xE4\xB8\x8A\xE9\x99\x90 100 %\r\n"
                          "\xE9\x9B\xBB\xE6\xBA\x90\xE3\x82\xAA\xE3\x83\x95\xE6\x99\x82\xE3\x81\xAE" "USB"
                          "\xE5\x85\x85\xE9\x9B\xBB: \xE3\x82\xAA\xE3\x83\x95\r\n");
    ASSERT_TRUE(WriteValue(L"BatteryChargeLimit", L"1"));
    ASSERT_TRUE(panel_.setEc(0, 1));
    const CtlRun once = ChargeCtl(L"battery full-once");
    EXPECT_EQ(once.exitCode, 0u);
    EXPECT_EQ(once.output, "\xE3\x83\x90\xE3\x83\x83\xE3\x83\x86\xE3\x83\xAA\xE3\x83\xBC\xE5\x85\x85"
                           "\xE9\x9B\xBB\xE4\xB8\x8A\xE9\x99\x90 100 % (\xE4\xB8\x80\xE5\xBA\xA6\xE3\x81\xA0"
                           "\xE3\x81\x91\xE3\x80\x82\xE9\x9B\xBB\xE6\xBA\x90\xE3\x82\x92\xE5\xA4\x96\xE3\x81\x99"
                           "\xE3\x81\xA8 80 % \xE3\x81\xAB\xE6\x88\xBB\xE3\x82\x8A\xE3\x81\xBE\xE3\x81\x99)\r\n");
}

} // namespace
} // namespace kvftest
