#include "actions/foreground.h"

#include <cwchar>

#include "actions/key_input.h"
#include "win32/srw_lock.h"
#include "resource.h"

DWORD gSend5BFWnd = 1;
DWORD gNotSetFWnd = 0;

namespace {

constexpr int kTitleChars = 260;

SRWLOCK foregroundLock = SRWLOCK_INIT;

} // namespace

void BringToFront(DWORD pid, bool startMenuFallback) noexcept
{
    const SrwExclusiveLock lock(foregroundLock);
    gSend5BFWnd = startMenuFallback ? 1 : 0;
    SetProcIDtoForegroundWindow(pid);
    gSend5BFWnd = 1;
}

BOOL CALLBACK EnumWindowsProc(HWND hwnd, LPARAM search)
{
    auto &wanted = *reinterpret_cast<WindowSearch *>(search);
    DWORD owner = 0;
    GetWindowThreadProcessId(hwnd, &owner);
    if (owner != wanted.pid)
        return TRUE;
    if (wanted.mainWindowsOnly && (!IsWindowVisible(hwnd) || GetWindow(hwnd, GW_OWNER) != nullptr))
        return TRUE;
    wanted.found = true;
    if (SetForegroundWindow(hwnd))
        gNotSetFWnd = 1;
    return FALSE;
}

void SetProcIDtoForegroundWindow(DWORD pid) noexcept
{
    gNotSetFWnd = 0;
    WindowSearch search{pid, true, false};
    EnumWindows(EnumWindowsProc, reinterpret_cast<LPARAM>(&search));
    if (!search.found) {
        search.mainWindowsOnly = false;
        EnumWindows(EnumWindowsProc, reinterpret_cast<LPARAM>(&search));
    }
    if (gSend5BFWnd == 1) {
        if (gNotSetFWnd == 0)
            hideMetroMenu();
        else
            gNotSetFWnd = 0;
    } else {
        gSend5BFWnd = 1;
    }
}

void hideMetroMenu() noexcept
{
    WCHAR startMenu[kTitleChars] = {};
    // Without the text there is nothing to compare with: an untitled
    // foreground window is not the Start menu.
    if (LoadStringW(GetModuleHandleW(nullptr), IDS_START_MENU, startMenu, kTitleChars) <= 0)
        return;
    WCHAR title[kTitleChars] = {};
    GetWindowTextW(GetForegroundWindow(), title, kTitleChars);
    if (wcscmp(title, startMenu) == 0)
        KeyAction(VK_LWIN, FALSE);
}
