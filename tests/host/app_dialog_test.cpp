// The settings dialog of the running host: opened from the tray icon, its
// lists and texts, Default, OK, Cancel and the close box, and what OK does
// to the file and to the buttons.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "button_road_fixture.h"
#include "file_bytes.h"
#include "handle_count.h"
#include "host_app_fixture.h"
#include "process_memory.h"
#include "resource.h"
#include "wait_until.h"

namespace hosttest {
namespace {

std::vector<std::wstring> ComboItems(HWND combo)
{
    std::vector<std::wstring> items;
    const LRESULT count = SendMessageW(combo, CB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; ++i) {
        wchar_t text[260] = {};
        SendMessageW(combo, CB_GETLBTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(text));
        items.push_back(text);
    }
    return items;
}

int Selected(HWND dialog, int combo)
{
    return static_cast<int>(SendDlgItemMessageW(dialog, combo, CB_GETCURSEL, 0, 0));
}

void Click(HWND dialog, int id)
{
    PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

class SettingsDialog : public HostAppTest {
protected:
    // Opens the dialog the way a user does: a right click on the tray icon.
    HWND OpenDialog(HostApp &host)
    {
        PostMessageW(host.mainWindow, kTrayCallback, kTrayIconId, WM_RBUTTONUP);
        return host.WaitWindow(kDialogCaption);
    }
};

TEST_F(SettingsDialog, ARightClickOnTheIconOpensOneDialog)
{
    HostApp host;
    ASSERT_TRUE(StartRunning(host));
    // A left click, or a click on another icon of the window, does nothing.
    PostMessageW(host.mainWindow, kTrayCallback, kTrayIconId, WM_LBUTTONUP);
    PostMessageW(host.mainWindow, kTrayCallback, kTrayIconId + 1, WM_RBUTTONUP);
    Sleep(500);
    EXPECT_TRUE(WindowsOfProcess(host.id(), kDialogCaption).empty());

    const HWND dialog = OpenDialog(host);
    ASSERT_NE(dialog, nullptr);
    SendDlgItemMessageW(dialog, IDC_COMBO_BUTTON_A, CB_SETCURSEL, 2, 0);
    PostMessageW(host.mainWindow, kTrayCallback, kTrayIconId, WM_RBUTTONUP);
    Sleep(500);
    EXPECT_EQ(WindowsOfProcess(host.id(), kDialogCaption), std::vector<HWND>{dialog});
    EXPECT_EQ(Selected(dialog, IDC_COMBO_BUTTON_A), 2) << "the open dialog is left as it is";

    // Listed in item order although the names are in reverse order.
    const std::vector<std::wstring> names{L"Zulu", L"Yankee", L"X-ray"};
    EXPECT_EQ(ComboItems(GetDlgItem(dialog, IDC_COMBO_BUTTON_A)), names);
    EXPECT_EQ(ComboItems(GetDlgItem(dialog, IDC_COMBO_BUTTON_B)), names);
    const std::pair<int, const wchar_t *> texts[] = {
        {IDC_GROUP_BUTTON_A, L"Function button 1"}, {IDC_GROUP_BUTTON_B, L"Function button 2"},
        {IDC_SELECT_BUTTON_A, L"Select items"},     {IDC_SELECT_BUTTON_B, L"Select items"},
        {IDC_DEFAULT_BUTTON_A, L"Default"},         {IDC_DEFAULT_BUTTON_B, L"Default"},
        {IDC_VERSION, L"1.0.0.0"},                  {IDOK, L"OK"},
        {IDCANCEL, L"CANCEL"},
    };
    for (const auto &[id, text] : texts)
        EXPECT_EQ(ItemText(dialog, id), text) << id;
}

struct DialogRow {
    const char *label;
    std::function<void(IniText &)> change;  // of the settings file before start
    int pickA;                              // list positions chosen, -1 none
    int pickB;
    int closeWith;                          // IDOK, IDCANCEL or WM_CLOSE
    bool lockFile;                          // the settings file cannot be written
    std::vector<std::wstring> boxes;        // shown after OK, in order
    int savedA;                             // ids in the file afterwards, 0: unchanged
    int savedB;
    std::string press;                      // recorder line of a press of A
};

TEST_F(SettingsDialog, OkCancelAndCloseOverSettingsFiles)
{
    const std::wstring notWorking1 = L"Function button 1 is not working.Please check Function Button Setting.";
    const std::wstring notWorking12 =
        L"Function button 1/2 are not working. Please check Function Button Setting.";
    const DialogRow rows[] = {
        {"Default then Cancel", nullptr, -2, -2, IDCANCEL, false, {}, 0, 0, "start item2"},
        {"choice then close box", nullptr, 0, 0, WM_CLOSE, false, {}, 0, 0, "start item2"},
        {"OK with two choices", nullptr, 0, 1, IDOK, false, {}, 1, 2, "start item1"},
        {"OK untouched", nullptr, -1, -1, IDOK, false, {}, 2, 3, "start item2"},
        {"OK with button 1 unresolvable", [](IniText &i) { Unresolvable(i, 1); }, 0, -1, IDOK, false,
         {notWorking1}, 1, 3, ""},
        {"OK with neither resolvable", [](IniText &i) { Unresolvable(i, 1); }, 0, 0, IDOK, false,
         {notWorking12}, 1, 1, ""},
        {"OK with the file locked", nullptr, 2, -1, IDOK, true,
         {L"Function Button Setting could not be saved."}, 0, 0, "start item3"},
    };
    for (const DialogRow &row : rows) {
        SCOPED_TRACE(row.label);
        const IniText ini = PrepareRow(row.change);
        const std::string before = SettingsBytes();

        HostApp host;
        ASSERT_TRUE(StartRunning(host));
        const HWND dialog = OpenDialog(host);
        ASSERT_NE(dialog, nullptr);
        EXPECT_EQ(Selected(dialog, IDC_COMBO_BUTTON_A), 1);
        EXPECT_EQ(Selected(dialog, IDC_COMBO_BUTTON_B), 2);
        if (row.pickA == -2) {
            SendDlgItemMessageW(dialog, IDC_COMBO_BUTTON_A, CB_SETCURSEL, 2, 0);
            SendDlgItemMessageW(dialog, IDC_COMBO_BUTTON_B, CB_SETCURSEL, 0, 0);
            Click(dialog, IDC_DEFAULT_BUTTON_A);
            Click(dialog, IDC_DEFAULT_BUTTON_B);
            // The clicks are posted; a read sent now would overtake them.
            kivotest::WaitUntil([&] {
                return Selected(dialog, IDC_COMBO_BUTTON_A) == 0 && Selected(dialog, IDC_COMBO_BUTTON_B) == 2;
            });
            EXPECT_EQ(Selected(dialog, IDC_COMBO_BUTTON_A), 0);
            EXPECT_EQ(Selected(dialog, IDC_COMBO_BUTTON_B), 2);
        }
        if (row.pickA >= 0)
            SendDlgItemMessageW(dialog, IDC_COMBO_BUTTON_A, CB_SETCURSEL, static_cast<WPARAM>(row.pickA), 0);
        if (row.pickB >= 0)
            SendDlgItemMessageW(dialog, IDC_COMBO_BUTTON_B, CB_SETCURSEL, static_cast<WPARAM>(row.pickB), 0);

        HANDLE lock = INVALID_HANDLE_VALUE;
        if (row.lockFile)
            lock = CreateFileW(settings_.userFile().c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        if (row.closeWith == WM_CLOSE)
            PostMessageW(dialog, WM_CLOSE, 0, 0);
        else
            Click(dialog, row.closeWith);
        for (const std::wstring &box : row.boxes)
            EXPECT_EQ(TakeBox(host), box);
        EXPECT_TRUE(host.WaitNoWindow(kDialogCaption));
        EXPECT_EQ(host.WaitWindow(kErrorCaption, 500), nullptr) << "no further box";
        if (lock != INVALID_HANDLE_VALUE)
            CloseHandle(lock);

        IniText expected = ini;
        if (row.savedA != 0) {
            expected.Set(L"Setting", L"ButtonASettingId", std::to_wstring(row.savedA));
            expected.Set(L"Setting", L"ButtonBSettingId", std::to_wstring(row.savedB));
        }
        EXPECT_EQ(SettingsBytes(), row.savedA != 0 ? AsciiBytes(expected.Text()) : before);

        // The buttons use what OK applied (ButtonAction 1: a press acts).
        ASSERT_TRUE(panel_.injectReport(0));
        ASSERT_TRUE(panel_.injectReport(1));
        ASSERT_TRUE(WaitPending(1));
        // The started recorder writes its line when it runs; none must come
        // when the press does nothing.
        if (row.press.empty())
            Sleep(200);
        const std::vector<std::string> ran =
            WaitLogLines(logs_.File(L"CommandRecorder.log"), row.press.empty() ? 0 : 1);
        EXPECT_EQ(ran, row.press.empty() ? std::vector<std::string>{} : std::vector<std::string>{row.press});

        // Reopened, the dialog shows what was applied last.
        const HWND again = OpenDialog(host);
        ASSERT_NE(again, nullptr);
        const int shownA = row.closeWith == IDOK && row.pickA >= 0 ? row.pickA : 1;
        EXPECT_EQ(Selected(again, IDC_COMBO_BUTTON_A), shownA);
        Click(again, IDCANCEL);
        EXPECT_TRUE(host.WaitNoWindow(kDialogCaption));
    }
}

// Opening and closing the dialog again and again leaves nothing behind:
// windows and GDI objects, handles and memory come back to where they were.
// KIVO_DIALOG_CYCLES sets the length (40 by default; the benchmark script
// runs 500).
TEST_F(SettingsDialog, ManyOpenAndCloseCyclesLeaveNothingBehind)
{
    const char *lengthText = std::getenv("KIVO_DIALOG_CYCLES");
    const int cycles = lengthText != nullptr ? std::atoi(lengthText) : 40;
    HostApp host;
    ASSERT_TRUE(StartRunning(host));
    // OK with a choice, OK untouched, Cancel with a choice.
    const auto cycle = [&](int n) {
        const HWND dialog = OpenDialog(host);
        if (dialog == nullptr)
            return false;
        if (n % 3 != 1)
            SendDlgItemMessageW(dialog, IDC_COMBO_BUTTON_A, CB_SETCURSEL, static_cast<WPARAM>(n % 3), 0);
        Click(dialog, n % 3 == 2 ? IDCANCEL : IDOK);
        return host.WaitNoWindow(kDialogCaption);
    };
    // What the first opening allocates for good is in the baseline.
    ASSERT_TRUE(cycle(0));
    const auto gui = kivotest::CountGuiObjects(host.id());
    const auto handles = kivotest::CountProcessHandles(host.id());
    const auto memory = kivotest::PrivateBytes(host.id());
    ASSERT_TRUE(gui && handles && memory);
    for (int n = 1; n <= cycles; ++n)
        ASSERT_TRUE(cycle(n)) << "cycle " << n;
    const auto guiAfter = kivotest::CountGuiObjects(host.id());
    ASSERT_TRUE(guiAfter);
    EXPECT_EQ(guiAfter->user, gui->user);
    EXPECT_EQ(guiAfter->gdi, gui->gdi);
    EXPECT_EQ(kivotest::CountProcessHandles(host.id()), handles);
    // The heap may keep a few pages after so many allocations; a leak of one
    // dialog's worth (its controls, lists and font) per cycle would not fit.
    const auto memoryAfter = kivotest::PrivateBytes(host.id());
    ASSERT_TRUE(memoryAfter);
    std::printf("dialog cycles: %d, USER %lu -> %lu, GDI %lu -> %lu, private %zu -> %zu KiB\n", cycles, gui->user,
                guiAfter->user, gui->gdi, guiAfter->gdi, *memory / 1024, *memoryAfter / 1024);
    EXPECT_LE(*memoryAfter, *memory + kMemorySlack);
    EXPECT_TRUE(host.Running());
}

} // namespace
} // namespace hosttest
