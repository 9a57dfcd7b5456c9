// StartAsDesktopUser: starts a program with the rights of the desktop's
// user, not with those of its caller. The setup package runs elevated; the
// tray program it starts at the end must not inherit that: it gets a copy
// of the token of the desktop shell (the process behind the shell window,
// or Explorer of this session).
//
// Usage: StartAsDesktopUser <program> [arguments]
// Exit code 0 when started, 1 when no desktop shell was found or the start
// failed (the program is then not started at all, never with the caller's
// rights), 2 for a usage error.
#include <windows.h>
#include <tlhelp32.h>

#include <cwchar>
#include <string>

#include "win32/unique_handle.h"

namespace {

// The shell's process: the owner of the shell window, else Explorer running
// in this Windows session.
DWORD ShellProcessId() noexcept
{
    DWORD pid = 0;
    if (HWND shell = GetShellWindow())
        GetWindowThreadProcessId(shell, &pid);
    if (pid != 0)
        return pid;
    DWORD ownSession = 0;
    ProcessIdToSessionId(GetCurrentProcessId(), &ownSession);
    const UniqueHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    if (!snapshot)
        return 0;
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof(entry);
    for (BOOL more = Process32FirstW(snapshot.get(), &entry); more; more = Process32NextW(snapshot.get(), &entry)) {
        DWORD session = 0;
        if (_wcsicmp(entry.szExeFile, L"explorer.exe") == 0 &&
            ProcessIdToSessionId(entry.th32ProcessID, &session) && session == ownSession)
            return entry.th32ProcessID;
    }
    return 0;
}

} // namespace

int wmain(int argc, wchar_t **argv)
{
    if (argc < 2)
        return 2;
    std::wstring commandLine = L"\"" + std::wstring(argv[1]) + L"\"";
    for (int i = 2; i < argc; ++i)
        commandLine += std::wstring(L" ") + argv[i];

    const DWORD shell = ShellProcessId();
    if (shell == 0)
        return 1;
    const UniqueHandle process(OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, shell));
    UniqueHandle shellToken;
    if (!process || !OpenProcessToken(process.get(), TOKEN_DUPLICATE, shellToken.put()))
        return 1;
    UniqueHandle token;
    if (!DuplicateTokenEx(shellToken.get(), TOKEN_QUERY | TOKEN_DUPLICATE | TOKEN_ASSIGN_PRIMARY |
                                                TOKEN_ADJUST_DEFAULT | TOKEN_ADJUST_SESSIONID,
                          nullptr, SecurityImpersonation, TokenPrimary, token.put()))
        return 1;

    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info{};
    if (!CreateProcessWithTokenW(token.get(), 0, nullptr, commandLine.data(), 0, nullptr, nullptr, &startup, &info))
        return 1;
    CloseHandle(info.hThread);
    CloseHandle(info.hProcess);
    return 0;
}
