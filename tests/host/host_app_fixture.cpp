#include "host_app_fixture.h"

#include "button_road_fixture.h"
#include "file_bytes.h"
#include "settled_status.h"
#include "test_paths.h"

namespace hosttest {

void HostAppTest::SetUp()
{
    if (kivotest::HeapCheckRequested()) {
        heapCheck_.emplace(L"KivoFunctionButtonApl.exe");
        ASSERT_TRUE(heapCheck_->active());
    }
    ASSERT_FALSE(logs_.path().empty());
    ASSERT_TRUE(panel_.open()) << "control panel missing, error " << GetLastError();
    ASSERT_TRUE(panel_.reset());
    WriteSettings(RecorderItems());
}

void HostAppTest::TearDown()
{
    if (panel_.isOpen()) {
        EXPECT_TRUE(panel_.reset());
    }
}

IniText HostAppTest::RecorderItems()
{
    IniText ini = IniText::Valid(3);
    const wchar_t *names[] = {L"Zulu", L"Yankee", L"X-ray"};
    for (int n = 1; n <= 3; ++n) {
        const std::wstring section = IniText::ItemSection(n);
        ini.Set(section, L"ItemName", names[n - 1]);
        ini.Set(section, L"ItemPath", kivotest::BinFile(L"CommandRecorder.exe"));
        ini.Set(section, L"ItemOption", L"item" + std::to_wstring(n));
    }
    return ini;
}

void HostAppTest::Unresolvable(IniText &ini, int item)
{
    ini.Set(IniText::ItemSection(item), L"ItemPathInfo", L"5");
    ini.Set(IniText::ItemSection(item), L"ItemPath", L"HKEY_CURRENT_USER\\Software\\KivoNoSuchKey,Path");
}

void HostAppTest::WriteSettings(const IniText &ini)
{
    ASSERT_TRUE(settings_.WriteUserFile(AsciiBytes(ini.Text())));
}

IniText HostAppTest::PrepareRow(const std::function<void(IniText &)> &change)
{
    IniText ini = RecorderItems();
    if (change)
        change(ini);
    WriteSettings(ini);
    EXPECT_TRUE(panel_.reset());
    DeleteFileW(logs_.File(L"CommandRecorder.log").c_str());
    return ini;
}

std::string HostAppTest::SettingsBytes() const
{
    return ReadFileBytes(settings_.userFile()).value_or("<no file>");
}

KVFBSIM_STATUS HostAppTest::Status()
{
    KVFBSIM_STATUS s{};
    EXPECT_TRUE(panel_.getStatus(s));
    return s;
}

KVFBSIM_STATUS HostAppTest::SettledStatus(const std::function<bool(const KVFBSIM_STATUS &)> &settled)
{
    return kivotest::SettledStatus(panel_, settled, kHostPatienceMs);
}

bool HostAppTest::WaitPending(unsigned long n)
{
    return SettledStatus([n](const KVFBSIM_STATUS &s) { return s.PendingNow == n; }).PendingNow == n;
}

bool HostAppTest::StartRunning(HostApp &host, const std::wstring &arguments)
{
    return host.Start(arguments) && host.WaitMainWindow() != nullptr && WaitPending(1) &&
           SendMessageTimeoutW(host.mainWindow, WM_NULL, 0, 0, SMTO_NORMAL, kHostPatienceMs, nullptr) != 0;
}

std::wstring HostAppTest::TakeBox(HostApp &host, std::string *icon)
{
    const HWND box = host.WaitWindow(kErrorCaption);
    if (box == nullptr)
        return L"<no box>";
    const std::wstring text = MessageBoxText(box);
    if (icon != nullptr) {
        Sleep(300); // drawn
        *icon = MessageBoxIcon(box);
    }
    PostMessageW(box, WM_COMMAND, IDOK, 0);
    host.WaitNoWindow(kErrorCaption);
    return text;
}

std::vector<std::string> HostAppTest::RecorderLines() const
{
    return LogLines(logs_.File(L"CommandRecorder.log"));
}

} // namespace hosttest
