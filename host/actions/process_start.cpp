#include "actions/process_start.h"

#include <strsafe.h>

#include "actions/foreground.h"
#include "actions/process_search.h"
#include "actions/started_program.h"
#include "platform/user_process_start.h"
#include "win32/unique_handle.h"

namespace {

// Every start shows the program's window normally and hands over nothing
// but the host's environment and current directory; never the host's UI
// access.
BOOL StartProcess(WCHAR *command, PROCESS_INFORMATION *info) noexcept
{
    STARTUPINFOW startup{};
    static_assert(sizeof(startup) == 104);
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_SHOWNORMAL;
    return UserProcessStart::Start(command, startup, info);
}

bool Unresolved(const WCHAR *command) noexcept
{
    return command == nullptr || command[0] == L'\0' || command[0] == L' ';
}

// Started, and handed to a follower for what comes once it is idle; FALSE
// with CreateProcessW's error when it could not be started.
BOOL StartAndFollow(WCHAR *command, AfterIdle afterIdle) noexcept
{
    PROCESS_INFORMATION info{};
    if (!StartProcess(command, &info))
        return FALSE;
    const UniqueHandle thread(info.hThread);
    FollowStartedProgram(info.hProcess, info.dwProcessId, afterIdle);
    return TRUE;
}

void BringStartedProgramToFront(DWORD processId) noexcept
{
    BringToFront(processId, true);
}

// The launcher hands over to the capture tool, which is then looked for.
void RaiseCaptureTool(DWORD) noexcept
{
    Search_process(szPenProc);
}

// "<folder>\<tail>"; empty when the folder cannot be named or the command
// does not fit (the action then does nothing).
_ariveExec MakeAriveExec(UINT (WINAPI *folder)(LPWSTR, UINT), const WCHAR *tail) noexcept
{
    _ariveExec e{};
    WCHAR path[MAX_PATH] = {};
    const UINT length = folder(path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH ||
        FAILED(StringCchPrintfW(e.szCommand, kAriveCommandChars, L"%s\\%s", path, tail)))
        e.szCommand[0] = L'\0';
    return e;
}

} // namespace

_ariveExec gAltTab =
    MakeAriveExec(GetWindowsDirectoryW, L"explorer.exe shell:::{3080F90E-D7AD-11D9-BD98-0000947B0257}");
_ariveExec gSecondary = MakeAriveExec(GetSystemDirectoryW, L"DisplaySwitch.exe");

BOOL executeFullPath(WCHAR *command) noexcept
{
    if (Unresolved(command))
        return TRUE;
    return StartAndFollow(command, BringStartedProgramToFront);
}

BOOL executeInkrun(WCHAR *command) noexcept
{
    if (!Unresolved(command) && StartAndFollow(command, RaiseCaptureTool))
        return TRUE;
    // No launcher to wait for: a capture tool that runs already comes to the
    // front now. The search must not hide why a start failed.
    const DWORD error = GetLastError();
    RaiseCaptureTool(0);
    SetLastError(error);
    return Unresolved(command) ? TRUE : FALSE;
}

BOOL executeAriveType(_ariveExec *e) noexcept
{
    e->pi = PROCESS_INFORMATION{};
    if (e->szCommand[0] == L'\0')
        return TRUE;
    if (!StartProcess(e->szCommand, &e->pi))
        return FALSE;
    CloseHandle(e->pi.hThread);
    CloseHandle(e->pi.hProcess);
    OutputDebugStringW(L"AriveProcess ON\n");
    return TRUE;
}
