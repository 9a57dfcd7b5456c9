// Start-up of the host program: one instance per session, "-setting", the
// boxes of setting errors and warnings, and a missing or busy driver.
#include <gtest/gtest.h>

#include <windows.h>

#include <functional>
#include <string>

#include "KivoFCtrl.h"
#include "host_app_fixture.h"
#include "sim_device.h"

namespace hosttest {
namespace {

struct StartRow {
    const char *label;
    std::wstring arguments;
    std::function<void(IniText &)> change;
    // The box shown at start-up, empty for none.
    std::wstring box;
    bool keepsRunning;
    bool dialog;
};

class Startup : public HostAppTest {};

TEST_F(Startup, EachSettingsFileAndCommandLine)
{
    const StartRow rows[] = {
        {"plain start", L"", nullptr, L"", true, false},
        {"-setting opens the dialog", L"-setting", nullptr, L"", true, true},
        {"other letter case", L"-Setting", nullptr, L"", true, false},
        {"longer word", L"-settings", nullptr, L"", true, false},
        {"further words", L"-setting x", nullptr, L"", true, false},
        {"fatal setting error", L"-setting", [](IniText &i) { i.Set(L"Setting", L"ButtonAction", L"2"); },
         L"Button Action Setting Error.", false, false},
        {"fatal item error", L"", [](IniText &i) { i.Set(IniText::ItemSection(2), L"ItemPathInfo", L"6"); },
         L"Item Path Infomation Setting Error.", false, false},
        {"button 1 cannot act", L"", [](IniText &i) { Unresolvable(i, 2); },
         L"Function button 1 is not working.Please check Function Button Setting.", true, false},
        {"neither button can act", L"", [](IniText &i) { Unresolvable(i, 2), Unresolvable(i, 3); },
         L"Function button 1/2 are not working. Please check Function Button Setting.", true, false},
    };
    for (const StartRow &row : rows) {
        SCOPED_TRACE(row.label);
        PrepareRow(row.change);

        HostApp host;
        ASSERT_TRUE(host.Start(row.arguments));
        const HWND main = host.WaitMainWindow();
        ASSERT_NE(main, nullptr);
        if (!row.box.empty()) {
            std::string icon;
            EXPECT_EQ(TakeBox(host, &icon), row.box);
            EXPECT_EQ(icon, row.keepsRunning ? "exclamation" : "stop");
            // Shown once.
            EXPECT_EQ(host.WaitWindow(kErrorCaption, 1000), nullptr);
        }
        if (!row.keepsRunning) {
            EXPECT_EQ(host.WaitExit(), std::optional<DWORD>(0));
            EXPECT_FALSE(TrayIconPresent(main));
            // The ended program's handle reaches the driver's close a moment later.
            EXPECT_EQ(SettledStatus([](const KVFBSIM_STATUS &s) { return s.OpenHandles == 0; }).OpenHandles, 0u);
            continue;
        }
        ASSERT_TRUE(WaitPending(1)) << "notification runs";
        EXPECT_TRUE(TrayIconPresent(main));
        if (row.dialog) {
            EXPECT_NE(host.WaitWindow(kDialogCaption), nullptr);
        } else {
            Sleep(500);
            EXPECT_TRUE(WindowsOfProcess(host.id(), kDialogCaption).empty());
        }
        EXPECT_TRUE(host.Running());
        host.Stop();
        EXPECT_EQ(host.WaitExit(), std::optional<DWORD>(0));
        EXPECT_FALSE(TrayIconPresent(main));
    }
}

TEST_F(Startup, ASecondStartEndsSilently)
{
    HostApp first;
    ASSERT_TRUE(StartRunning(first));
    for (const wchar_t *arguments : {L"", L"-setting"}) {
        HostApp second;
        ASSERT_TRUE(second.Start(arguments));
        EXPECT_EQ(second.WaitExit(), std::optional<DWORD>(0));
        EXPECT_TRUE(WindowsOfProcess(second.id(), kMainWindowTitle).empty());
    }
    EXPECT_TRUE(WindowsOfProcess(first.id(), kDialogCaption).empty());
    EXPECT_EQ(Status().Opens, 1u);
}

TEST_F(Startup, ADriverThatCannotServeEndsTheProgram)
{
    // Another registration in this session holds the notification.
    ASSERT_EQ(KVFOpen(), 0);
    ASSERT_EQ(KVFSetCallbackFunc([](uint32_t) {}), 0);
    {
        HostApp host;
        ASSERT_TRUE(host.Start());
        EXPECT_EQ(TakeBox(host), L"Already executing.");
        EXPECT_EQ(host.WaitExit(), std::optional<DWORD>(0));
    }
    KVFClose();

    // No driver at all.
    panel_ = kvfbsim::Panel();
    ASSERT_TRUE(kivotest::RemoveSimDevice());
    {
        HostApp host;
        ASSERT_TRUE(host.Start());
        std::string icon;
        EXPECT_EQ(TakeBox(host, &icon), L"Can not open Function Button Driver.");
        EXPECT_EQ(icon, "stop");
        EXPECT_EQ(host.WaitExit(), std::optional<DWORD>(0));
    }
    ASSERT_TRUE(kivotest::InstallSimDevice());
    ASSERT_TRUE(panel_.open());
}

} // namespace
} // namespace hosttest
