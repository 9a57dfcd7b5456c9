// The charge items on the function buttons of the running host, as a user
// meets them: what the embedded controller holds, what the stored files
// say, and what the user sees (a balloon at the tray icon, or a box).
#include "host_app_fixture.h"

#include <optional>
#include <string>

#include "kvf_test_fixture.h"
#include "power_supply.h"
#include "process.h"
#include "test_paths.h"
#include "win32/unique_handle.h"

namespace hosttest {
namespace {

constexpr int kNone = -1;

// The limit a running one-time full charge has recorded to come back.
int RecordedLimit()
{
    const std::wstring record = kvftest::FullChargeOnceFile();
    if (GetFileAttributesW(record.c_str()) == INVALID_FILE_ATTRIBUTES)
        return kNone;
    return static_cast<int>(GetPrivateProfileIntW(L"FullChargeOnce", L"Limit", -2, record.c_str()));
}

class ChargeButtons : public HostAppTest {
protected:
    void SetUp() override
    {
        HostAppTest::SetUp();
        savedLibrary_ = kvftest::ReadBytes(kvftest::SettingsFile());
        DeleteFileW(kvftest::FullChargeOnceFile().c_str());
        DeleteFileW(kvftest::PolicyWrittenFile().c_str());
        ASSERT_TRUE(power_.available());
        ASSERT_TRUE(power_.SetAc(kivotest::AcState::Online) && power_.SetBatteryPercent(60));
        ASSERT_TRUE(kvftest::WriteSettingsBytes(kvftest::DefaultTextBytes()));
        ASSERT_TRUE(kvftest::WriteValue(L"BatteryChargeLimit", L"1")); // 80 %
        ASSERT_TRUE(panel_.setEc(0, 1));
    }

    void TearDown() override
    {
        DeleteFileW(kvftest::FullChargeOnceFile().c_str());
        DeleteFileW(kvftest::PolicyWrittenFile().c_str());
        kvftest::RemovePolicies();
        power_.Reset();
        if (savedLibrary_)
            kvftest::WriteSettingsBytes(*savedLibrary_);
        else
            DeleteFileW(kvftest::SettingsFile().c_str());
        HostAppTest::TearDown();
    }

    // Button A runs the item of kind kindA, button B a full charge once.
    bool StartWith(HostApp &host, int kindA)
    {
        IniText ini = RecorderItems();
        ini.Set(IniText::ItemSection(2), L"ItemPathInfo", std::to_wstring(kindA));
        ini.Set(IniText::ItemSection(3), L"ItemPathInfo", L"200");
        WriteSettings(ini);
        return StartRunning(host);
    }

    void Press(bool buttonB)
    {
        ASSERT_TRUE(panel_.injectReport(kvfbsim::ButtonReport(buttonB, false)));
        ASSERT_TRUE(panel_.injectReport(kvfbsim::ButtonReport(buttonB, true)));
    }

    // The power source changes, and Windows tells the programs.
    void SwitchPower(HostApp &host, kivotest::AcState ac)
    {
        ASSERT_TRUE(power_.SetAc(ac));
        SendMessageW(host.mainWindow, WM_POWERBROADCAST, PBT_APMPOWERSTATUSCHANGE, 0);
    }

    kivotest::PowerSupply power_;
    std::optional<std::string> savedLibrary_;
};

// One host through a user's day: the limit stepped down, a full charge once
// that survives a restart of the host on AC, ends when the battery is full
// on AC and, started again, when the charger is unplugged, one started on
// battery and ended by a second press, one the driver refuses, a press while
// another program's request holds the driver, a machine policy that arrives
// while the host runs, and a policy value the controller refuses (the
// session stays open: the user is told, and the buttons work).
TEST_F(ChargeButtons, APressChangesTheControllerAndTheBalloonSaysHow)
{
    enum class Step {
        PressA, PressB, RestartWithUsbOnA, Unplug, RefusedPressB, HeldUpPressA, PolicyRefreshed,
        RefusedPolicyRefreshed, FullOnAc
    };
    const struct {
        const char *label;
        Step step;
        const wchar_t *shown; // the balloon's text; a box's with RefusedPressB and HeldUpPressA
        unsigned long ecLimit;
        unsigned long ecUsb;
        int fileLimit;
        int recordedLimit;
        const wchar_t *setting = nullptr; // with FullOnAc: what Windows tells (hostctl power ...)
    } rows[] = {
        {"next limit: 80 -> 50 %", Step::PressA, L"Battery charge limit: 50 %", 2, 0, 2, kNone},
        {"full charge once", Step::PressB,
         L"Charging to 100 % once. The limit of 50 % comes back when you unplug.", 0, 0, 2, 2},
        {"a host restart on AC keeps it", Step::RestartWithUsbOnA, nullptr, 0, 0, 2, 2},
        {"USB charging while off", Step::PressA, L"USB charging while off: on", 0, 1, 2, 2},
        {"full on AC, another setting changes", Step::FullOnAc, nullptr, 0, 1, 2, 2, L"display 1"},
        {"full on AC, the battery said 99 %", Step::FullOnAc, nullptr, 0, 1, 2, 2, L"battery 99"},
        {"full on AC, the battery says 100 %", Step::FullOnAc, L"The battery charge limit is 50 % again.", 2, 1, 2,
         kNone, L"battery 100"},
        {"full charge once again", Step::PressB,
         L"Charging to 100 % once. The limit of 50 % comes back when you unplug.", 0, 1, 2, 2},
        {"unplugged: the limit comes back", Step::Unplug, L"The battery charge limit is 50 % again.", 2, 1, 2,
         kNone},
        {"started on battery", Step::PressB,
         L"Charging to 100 % once. The limit of 50 % comes back when you unplug.", 0, 1, 2, 2},
        {"a second press ends it", Step::PressB, L"The battery charge limit is 50 % again.", 2, 1, 2, kNone},
        {"the driver refuses 100 %", Step::RefusedPressB, L"The charge option could not be changed.", 2, 1, 2,
         kNone},
        {"USB charging while another program's request holds the driver", Step::HeldUpPressA,
         L"The battery controller did not answer in time; another program may be using it. Try again in a "
         L"moment. The change may still take effect.",
         2, 1, 2, kNone},
        {"a refreshed machine policy: 80 %, no full charge once", Step::PolicyRefreshed, nullptr, 1, 1, 2, kNone},
        {"a press the policy forbids", Step::PressB, L"This charge option is set by your organization.", 1, 1, 2,
         kNone},
        {"a policy value the controller refuses", Step::RefusedPolicyRefreshed,
         L"The battery did not accept the charge setting your organization set. It is tried again at the next start.",
         2, 1, 2, kNone},
        {"the buttons work after it", Step::PressB, L"This charge option is set by your organization.", 2, 1, 2,
         kNone},
    };
    HostApp host;
    ASSERT_TRUE(StartWith(host, 201));
    for (const auto &row : rows) {
        SCOPED_TRACE(row.label);
        switch (row.step) {
        case Step::PressA:
        case Step::PressB:
            Press(row.step == Step::PressB);
            EXPECT_TRUE(WaitBalloon(row.shown));
            break;
        case Step::RestartWithUsbOnA:
            host.Stop();
            ASSERT_TRUE(StartWith(host, 202));
            break;
        case Step::Unplug:
            SwitchPower(host, kivotest::AcState::Offline);
            EXPECT_TRUE(WaitBalloon(row.shown));
            break;
        case Step::FullOnAc:
            ASSERT_TRUE(power_.SetBatteryPercent(100));
            EXPECT_EQ(0u, kivotest::RunProcess(kivotest::BinFile(L"hostctl.exe") + L" power " + row.setting));
            if (row.shown != nullptr) {
                EXPECT_TRUE(WaitBalloon(row.shown));
            }
            break;
        case Step::RefusedPressB:
            ASSERT_TRUE(panel_.failCharge(KVFBSIM_FAIL_DW_STATUS, 1));
            Press(true);
            EXPECT_EQ(row.shown, TakeBox(host));
            break;
        case Step::HeldUpPressA: {
            // The host's button request is out before the lock is taken:
            // the next one waits for it.
            const unsigned long requests = Status().ButtonRequests;
            ASSERT_TRUE(panel_.injectReport(kvfbsim::ButtonReport(false, false)));
            SettledStatus(
                [&](const KVFBSIM_STATUS &s) { return s.ButtonRequests == requests + 1 && s.PendingNow == 1; });
            const UniqueHandle driverLock(CreateMutexW(nullptr, FALSE, L"hMutexDriver"));
            EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(driverLock.get(), 0));
            EXPECT_TRUE(panel_.injectReport(kvfbsim::ButtonReport(false, true)));
            EXPECT_EQ(row.shown, TakeBox(host));
            DWORD_PTR answer = 0;
            EXPECT_NE(0, SendMessageTimeoutW(host.mainWindow, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 5000, &answer))
                << "the window hangs";
            ReleaseMutex(driverLock.get());
            break;
        }
        case Step::PolicyRefreshed:
            ASSERT_TRUE(kvftest::WritePolicyDword(L"BatteryChargeLimit", 1));
            ASSERT_TRUE(kvftest::WritePolicyDword(L"AllowFullChargeOnce", 0));
            SendMessageW(host.mainWindow, WM_SETTINGCHANGE, 0, reinterpret_cast<LPARAM>(L"Policy"));
            SettledStatus([&](const KVFBSIM_STATUS &s) { return s.Ec.BatteryLimit == row.ecLimit; });
            break;
        case Step::RefusedPolicyRefreshed:
            ASSERT_TRUE(panel_.setEc(1, 2));
            ASSERT_TRUE(panel_.failCharge(KVFBSIM_FAIL_DW_STATUS, 5));
            SendMessageW(host.mainWindow, WM_SETTINGCHANGE, 0, reinterpret_cast<LPARAM>(L"Policy"));
            EXPECT_TRUE(WaitBalloon(row.shown));
            break;
        }
        const KVFBSIM_STATUS status = Status();
        EXPECT_EQ(row.ecLimit, status.Ec.BatteryLimit);
        EXPECT_EQ(row.ecUsb, status.Ec.UsbCharge);
        EXPECT_EQ(row.fileLimit, kvftest::ReadInt(L"BatteryChargeLimit"));
        EXPECT_EQ(row.recordedLimit, RecordedLimit());
    }
}

} // namespace
} // namespace hosttest
