#include "host_app.h"

#include <shellapi.h>

#include "test_paths.h"
#include "wait_until.h"

namespace hosttest {

namespace {

struct WindowSearch {
    DWORD processId;
    const wchar_t *title;
    std::vector<HWND> found;
};

BOOL CALLBACK CollectWindow(HWND window, LPARAM lParam)
{
    auto *search = reinterpret_cast<WindowSearch *>(lParam);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner == search->processId) {
        wchar_t title[256] = {};
        InternalGetWindowText(window, title, 256);
        if (wcscmp(title, search->title) == 0)
            search->found.push_back(window);
    }
    return TRUE;
}

} // namespace

std::vector<HWND> WindowsOfProcess(DWORD processId, const wchar_t *title, HDESK desktop)
{
    WindowSearch search{processId, title, {}};
    EnumDesktopWindows(desktop, CollectWindow, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

bool TrayIconPresent(HWND owner)
{
    NOTIFYICONDATAW data{};
    data.cbSize = sizeof(data);
    data.hWnd = owner;
    data.uID = kTrayIconId;
    data.uFlags = 0;
    return Shell_NotifyIconW(NIM_MODIFY, &data) != FALSE;
}

std::wstring ItemText(HWND dialog, int id)
{
    wchar_t text[512] = {};
    GetDlgItemTextW(dialog, id, text, 512);
    return text;
}

std::wstring MessageBoxText(HWND box)
{
    // The message is the box's static text control (id 0xFFFF).
    return ItemText(box, 0xFFFF);
}

namespace {

struct BalloonSearch {
    const std::wstring *text;
    bool found;
};

BOOL CALLBACK FindBalloon(HWND window, LPARAM lParam)
{
    auto *search = reinterpret_cast<BalloonSearch *>(lParam);
    wchar_t className[32] = {};
    GetClassNameW(window, className, 32);
    if (wcscmp(className, L"tooltips_class32") != 0 || !IsWindowVisible(window))
        return TRUE;
    // A tooltip answers WM_GETTEXT with the tip it shows.
    wchar_t shown[512] = {};
    DWORD_PTR result = 0;
    SendMessageTimeoutW(window, WM_GETTEXT, 512, reinterpret_cast<LPARAM>(shown), SMTO_ABORTIFHUNG, 1000,
                        &result);
    search->found = *search->text == shown;
    return search->found ? FALSE : TRUE;
}

BOOL CALLBACK FindIconControl(HWND child, LPARAM lParam)
{
    if ((GetWindowLongW(child, GWL_STYLE) & SS_TYPEMASK) != SS_ICON)
        return TRUE;
    *reinterpret_cast<HWND *>(lParam) = child;
    return FALSE;
}

} // namespace

bool WaitBalloon(const std::wstring &text, DWORD timeoutMs)
{
    return kivotest::WaitUntil(
        [&] {
            BalloonSearch search{&text, false};
            EnumWindows(FindBalloon, reinterpret_cast<LPARAM>(&search));
            return search.found;
        },
        timeoutMs);
}

std::string MessageBoxIcon(HWND box)
{
    HWND icon = nullptr;
    EnumChildWindows(box, FindIconControl, reinterpret_cast<LPARAM>(&icon));
    RECT rect{};
    if (icon == nullptr || !GetWindowRect(icon, &rect))
        return "none";
    // The box is the newest window on top; its icon is on the screen.
    const HDC screen = GetDC(nullptr);
    int red = 0;
    int yellow = 0;
    for (LONG y = rect.top; y < rect.bottom; ++y) {
        for (LONG x = rect.left; x < rect.right; ++x) {
            const COLORREF c = GetPixel(screen, x, y);
            const int r = GetRValue(c), g = GetGValue(c), b = GetBValue(c);
            if (r > 160 && g < 90 && b < 90)
                ++red;
            else if (r > 160 && g > 140 && b < 100)
                ++yellow;
        }
    }
    ReleaseDC(nullptr, screen);
    if (red > 50 && red > yellow)
        return "stop";
    if (yellow > 50)
        return "exclamation";
    return "none";
}

HostApp::~HostApp()
{
    Stop();
}

bool HostApp::Start(const std::wstring &arguments, const wchar_t *desktop)
{
    std::wstring command = kivotest::DistFile(L"KivoFunctionButtonApl.exe");
    if (!arguments.empty())
        command += L" " + arguments;
    auto started = kivotest::StartProcess(command, desktop);
    if (!started)
        return false;
    process_ = std::move(*started);
    return true;
}

bool HostApp::Running() const
{
    return process_.process && WaitForSingleObject(process_.process.get(), 0) == WAIT_TIMEOUT;
}

HWND HostApp::WaitWindow(const wchar_t *title, DWORD timeoutMs)
{
    HWND found = nullptr;
    kivotest::WaitUntil(
        [&] {
            const std::vector<HWND> windows = WindowsOfProcess(process_.id, title, desktop);
            found = windows.empty() ? nullptr : windows.front();
            return found != nullptr || !Running();
        },
        timeoutMs);
    return found;
}

bool HostApp::WaitNoWindow(const wchar_t *title, DWORD timeoutMs)
{
    return kivotest::WaitUntil([&] { return WindowsOfProcess(process_.id, title).empty(); }, timeoutMs);
}

HWND HostApp::WaitMainWindow()
{
    mainWindow = WaitWindow(kMainWindowTitle);
    return mainWindow;
}

std::optional<DWORD> HostApp::WaitExit(DWORD timeoutMs)
{
    if (!process_.process)
        return std::nullopt;
    if (WaitForSingleObject(process_.process.get(), timeoutMs) != WAIT_OBJECT_0)
        return std::nullopt;
    DWORD code = 0;
    GetExitCodeProcess(process_.process.get(), &code);
    return code;
}

bool HostApp::Kill()
{
    return process_.process && TerminateProcess(process_.process.get(), 9) &&
           WaitForSingleObject(process_.process.get(), kHostPatienceMs) == WAIT_OBJECT_0;
}

void HostApp::Stop()
{
    if (!Running())
        return;
    // Boxes first: a host waiting in a message box closes after it.
    for (HWND box : WindowsOfProcess(process_.id, kErrorCaption))
        PostMessageW(box, WM_COMMAND, IDOK, 0);
    for (HWND window : WindowsOfProcess(process_.id, kMainWindowTitle))
        PostMessageW(window, WM_CLOSE, 0, 0);
    if (!WaitExit(10000)) {
        TerminateProcess(process_.process.get(), 1);
        WaitForSingleObject(process_.process.get(), 10000);
    }
}

} // namespace hosttest
