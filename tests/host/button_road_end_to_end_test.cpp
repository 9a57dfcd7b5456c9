// The whole road of a press: the simulated driver's report, the real
// control library's notification thread, the callback and the action that a
// real settings file chose.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "KivoFCtrl.h"
#include "button_road_fixture.h"
#include "callback/notify_callback.h"
#include "file_bytes.h"
#include "ini_text.h"
#include "panel.h"
#include "parameter/function_button_parameter.h"
#include "settled_status.h"
#include "test_paths.h"
#include "user_settings_guard.h"

namespace hosttest {
namespace {

bool NoRows(IWbemServices *, const wchar_t *, const wchar_t *, std::size_t, std::vector<UniqueVariant> &)
{
    return true;
}

class EndToEnd : public ButtonRoadTest {
protected:
    void SetUp() override
    {
        ButtonRoadTest::SetUp();
        ASSERT_TRUE(panel_.open()) << "control panel missing, error " << GetLastError();
        ASSERT_TRUE(panel_.reset());
    }
    void TearDown() override
    {
        KVFClose();
        if (panel_.isOpen()) {
            EXPECT_TRUE(panel_.reset());
        }
        ButtonRoadTest::TearDown();
    }
    bool WaitPending()
    {
        return kivotest::SettledStatus(panel_, [](const KVFBSIM_STATUS &s) { return s.PendingNow == 1; })
                   .PendingNow == 1;
    }

    UserSettingsGuard settings_;
    kvfbsim::Panel panel_;
};

TEST_F(EndToEnd, InjectedReportsRunTheChosenItems)
{
    IniText ini = IniText::Valid(3);
    for (int n : {1, 2, 3}) {
        ini.Set(IniText::ItemSection(n), L"ItemPath", kivotest::BinFile(L"CommandRecorder.exe"));
        ini.Set(IniText::ItemSection(n), L"ItemOption", L"item" + std::to_wstring(n));
    }
    ini.Set(L"Setting", L"ButtonASettingId", L"3");
    ini.Set(L"Setting", L"ButtonBSettingId", L"1");
    ini.Set(L"Setting", L"ButtonAction", L"1");
    ASSERT_TRUE(settings_.WriteUserFile(AsciiBytes(ini.Text())));

    CFunctionButtonParameter parameter(NoRows);
    ASSERT_EQ(parameter.Load(window_), TRUE);
    ASSERT_EQ(parameter.SetCallBackParameter(), 0);
    ASSERT_TRUE(InitializeCallBackFunction(window_));
    ASSERT_EQ(KVFOpen(), 0);
    ASSERT_EQ(KVFSetCallbackFunc(Notify_CallBack), 0);

    // Press and release each button; with ButtonAction 1 the presses act.
    for (const uint32_t report : {0u, 1u, 0u, 2u, 3u, 2u})
        ASSERT_TRUE(panel_.injectReport(report));
    EXPECT_EQ(WaitLogLines(RecorderLog(), 2), (std::vector<std::string>{"start item3", "start item1"}));

    // Every report taken: the thread waits in a new request.
    ASSERT_TRUE(WaitPending());

    // A request the driver fails is no report: with ButtonAction 0 and
    // button A's state at 1, a phantom 0 would run A's item.
    SetButtonAction(0);
    ASSERT_TRUE(panel_.injectReport(1));
    ASSERT_TRUE(WaitPending());
    ASSERT_TRUE(panel_.failButton(0xC0000185));
    Sleep(500);
    EXPECT_EQ(LogLines(RecorderLog()), (std::vector<std::string>{"start item3", "start item1"}));
    EXPECT_EQ(TakeErrorMessages(), 0);
}

} // namespace
} // namespace hosttest
