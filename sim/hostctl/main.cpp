// hostctl: does to the running host program what a user does, for the demo
// and for people trying things by hand: clicks on its tray icon, picks items
// in the settings dialog, answers its message boxes, ends it.
//
//   hostctl wait                     until the host's window exists (30 s)
//   hostctl tray right|left          a click on the tray icon
//   hostctl select A|B <item name>   picks an item in the settings dialog
//   hostctl ok | cancel              presses OK or Cancel in the dialog
//   hostctl box                      prints the message box shown, if any
//   hostctl box-ok                   closes the message box shown
//   hostctl quit                     closes the host and waits for its end
//   hostctl power                    tells the host that the power state
//                                    changed (PBT_APMPOWERSTATUSCHANGE), as
//                                    Windows does and Wine does not
//   hostctl power battery|source|display <value>
//                                    tells the host a power setting's new
//                                    value as Windows tells a window that
//                                    registered for it (Wine does not): the
//                                    battery's percentage, the power source
//                                    (0 AC, 1 battery, 2 UPS) or the
//                                    display's state (0 off, 1 on, 2 dim);
//                                    prints the host's answer
//   hostctl device query-remove | query-failed | remove-complete
//                                    sends what Windows sends to the holder
//                                    of the device's handle before and after
//                                    it disables, updates or removes the
//                                    device (Wine sends nothing); prints the
//                                    host's answer (1 lets the removal go on)
//
// Exit code 0 when done, 1 when what was asked for is not there, 2 for a
// usage error.
#include <windows.h>
#include <dbt.h>

#include <cstdio>
#include <cwchar>
#include <string>

#include "power_setting_message.h"

namespace {

constexpr wchar_t kMainTitle[] = L"KIVO_FUNCTION";
// The message text of a message box.
constexpr int kBoxText = 0xFFFF;
constexpr UINT kTrayCallback = WM_USER + 100;
constexpr UINT kTrayIconId = 100;
constexpr int kComboA = 1000;
constexpr int kComboB = 1001;

// The power settings' GUIDs, as the platform's headers name them.
constexpr GUID kBatteryPercentage = {0xa7ad8041, 0xb45a, 0x4cae, {0x87, 0xa3, 0xee, 0xcb, 0xb4, 0x68, 0xa9, 0xe1}};
constexpr GUID kPowerSource = {0x5d3e9a59, 0xe9d5, 0x4b00, {0xa6, 0xbd, 0xff, 0x34, 0xff, 0x51, 0x65, 0x48}};
constexpr GUID kDisplayState = {0x6fe69556, 0x704a, 0x47a0, {0x8f, 0x24, 0xc2, 0x8d, 0x93, 0x6f, 0xda, 0x47}};

int Usage()
{
    std::fputs("usage: hostctl wait | tray right|left | select A|B <item> | ok | cancel | box | box-ok | quit | power"
               " | power battery|source|display <value> | device query-remove|query-failed|remove-complete\n",
               stderr);
    return 2;
}

HWND WaitWindow(const wchar_t *title, DWORD timeoutMs)
{
    for (DWORD waited = 0;; waited += 50) {
        if (HWND window = FindWindowW(nullptr, title))
            return window;
        if (waited >= timeoutMs)
            return nullptr;
        Sleep(50);
    }
}

DWORD HostProcessId()
{
    DWORD host = 0;
    GetWindowThreadProcessId(FindWindowW(nullptr, kMainTitle), &host);
    return host;
}

// A dialog-class window of the host's process: the settings dialog (the one
// with the item lists) or a message box (the one with a message text).
HWND FindHostDialog(bool settings)
{
    const DWORD host = HostProcessId();
    for (HWND window = FindWindowW(L"#32770", nullptr); window != nullptr;
         window = FindWindowExW(nullptr, window, L"#32770", nullptr)) {
        DWORD owner = 0;
        GetWindowThreadProcessId(window, &owner);
        if (owner != host || host == 0)
            continue;
        if (settings ? GetDlgItem(window, kComboA) != nullptr : GetDlgItem(window, kBoxText) != nullptr)
            return window;
    }
    return nullptr;
}

HWND FindDialog()
{
    return FindHostDialog(true);
}

// Texts go out as UTF-8, whatever the console's code page.
void PrintLine(const std::wstring &text)
{
    const int bytes = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr);
    if (bytes <= 1)
        return;
    std::string utf8(static_cast<std::size_t>(bytes - 1), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, utf8.data(), bytes, nullptr, nullptr);
    utf8 += '\n';
    std::fwrite(utf8.data(), 1, utf8.size(), stdout);
    std::fflush(stdout);
}

int Select(const std::wstring &button, const std::wstring &name)
{
    const HWND dialog = FindDialog();
    if (dialog == nullptr || (button != L"A" && button != L"B"))
        return dialog == nullptr ? 1 : Usage();
    const HWND combo = GetDlgItem(dialog, button == L"A" ? kComboA : kComboB);
    const LRESULT index = SendMessageW(combo, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                       reinterpret_cast<LPARAM>(name.c_str()));
    if (index == CB_ERR)
        return 1;
    SendMessageW(combo, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
    return 0;
}

int Press(int id)
{
    const HWND dialog = FindDialog();
    if (dialog == nullptr)
        return 1;
    PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
    return 0;
}

int Box(bool close)
{
    HWND box = nullptr;
    for (int waited = 0; box == nullptr && waited < 3000; waited += 50) {
        box = FindHostDialog(false);
        if (box == nullptr)
            Sleep(50);
    }
    if (box == nullptr) {
        PrintLine(L"no message box");
        return 1;
    }
    wchar_t caption[256] = {};
    wchar_t text[512] = {};
    GetWindowTextW(box, caption, 256);
    GetDlgItemTextW(box, kBoxText, text, 512);
    PrintLine(std::wstring(caption) + L": " + text);
    if (close)
        PostMessageW(box, WM_COMMAND, IDOK, 0);
    return 0;
}

int Quit()
{
    const HWND main = FindWindowW(nullptr, kMainTitle);
    if (main == nullptr)
        return 1;
    DWORD id = 0;
    GetWindowThreadProcessId(main, &id);
    const HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, id);
    PostMessageW(main, WM_CLOSE, 0, 0);
    const bool ended = process != nullptr && WaitForSingleObject(process, 30000) == WAIT_OBJECT_0;
    if (process != nullptr)
        CloseHandle(process);
    return ended ? 0 : 1;
}

// A handle record as Windows sends it to the window registered on the
// device's handle. Which handle and registration are the host's own it
// cannot know: the host takes any while it holds its registration.
int SendDeviceHandleEvent(WPARAM code)
{
    const HWND main = FindWindowW(nullptr, kMainTitle);
    if (main == nullptr)
        return 1;
    DEV_BROADCAST_HANDLE record{};
    record.dbch_size = sizeof(record);
    record.dbch_devicetype = DBT_DEVTYP_HANDLE;
    DWORD_PTR answer = 0;
    if (SendMessageTimeoutW(main, WM_DEVICECHANGE, code, reinterpret_cast<LPARAM>(&record), SMTO_NORMAL,
                            10000, &answer) == 0)
        return 1;
    std::printf("%lu\n", static_cast<unsigned long>(answer));
    return 0;
}

int SendPowerSettingTo(const std::wstring &name, const std::wstring &number)
{
    const GUID *setting = name == L"battery"   ? &kBatteryPercentage
                          : name == L"source"  ? &kPowerSource
                          : name == L"display" ? &kDisplayState
                                               : nullptr;
    wchar_t *end = nullptr;
    const unsigned long value = std::wcstoul(number.c_str(), &end, 10);
    if (setting == nullptr || number.empty() || *end != L'\0')
        return Usage();
    const std::optional<LRESULT> answer =
        SendPowerSetting(FindWindowW(nullptr, kMainTitle), *setting, static_cast<DWORD>(value));
    if (!answer)
        return 1;
    std::printf("%ld\n", static_cast<long>(*answer));
    return 0;
}

} // namespace

int wmain(int argc, wchar_t **argv)
{
    if (argc < 2)
        return Usage();
    const std::wstring command = argv[1];
    if (command == L"wait" && argc == 2)
        return WaitWindow(kMainTitle, 30000) != nullptr ? 0 : 1;
    if (command == L"tray" && argc == 3) {
        const std::wstring side = argv[2];
        if (side != L"right" && side != L"left")
            return Usage();
        const HWND main = FindWindowW(nullptr, kMainTitle);
        return main != nullptr && PostMessageW(main, kTrayCallback, kTrayIconId,
                                               side == L"right" ? WM_RBUTTONUP : WM_LBUTTONUP)
                   ? 0
                   : 1;
    }
    if (command == L"select" && argc == 4)
        return Select(argv[2], argv[3]);
    if (command == L"ok" && argc == 2)
        return Press(IDOK);
    if (command == L"cancel" && argc == 2)
        return Press(IDCANCEL);
    if (command == L"box" && argc == 2)
        return Box(false);
    if (command == L"box-ok" && argc == 2)
        return Box(true);
    if (command == L"quit" && argc == 2)
        return Quit();
    if (command == L"power" && argc == 2) {
        const HWND main = FindWindowW(nullptr, kMainTitle);
        return main != nullptr &&
                       SendMessageTimeoutW(main, WM_POWERBROADCAST, PBT_APMPOWERSTATUSCHANGE, 0, SMTO_NORMAL,
                                           10000, nullptr) != 0
                   ? 0
                   : 1;
    }
    if (command == L"power" && argc == 4)
        return SendPowerSettingTo(argv[2], argv[3]);
    if (command == L"device" && argc == 3) {
        const std::wstring event = argv[2];
        const WPARAM code = event == L"query-remove"      ? DBT_DEVICEQUERYREMOVE
                            : event == L"query-failed"    ? DBT_DEVICEQUERYREMOVEFAILED
                            : event == L"remove-complete" ? DBT_DEVICEREMOVECOMPLETE
                                                          : 0;
        if (code == 0)
            return Usage();
        return SendDeviceHandleEvent(code);
    }
    return Usage();
}
