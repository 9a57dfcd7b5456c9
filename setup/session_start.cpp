#include "session_start.h"

#include <tlhelp32.h>
#include <userenv.h>
#include <wtsapi32.h>

#include <cwchar>

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
    const DWORD ownSession = OwnSession();
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

class EnvironmentBlock {
public:
    EnvironmentBlock(HANDLE token) noexcept
    {
        if (!CreateEnvironmentBlock(&m_block, token, FALSE))
            m_block = nullptr;
    }
    ~EnvironmentBlock()
    {
        if (m_block != nullptr)
            DestroyEnvironmentBlock(m_block);
    }
    EnvironmentBlock(const EnvironmentBlock &) = delete;
    EnvironmentBlock &operator=(const EnvironmentBlock &) = delete;
    void *get() const noexcept { return m_block; }

private:
    void *m_block = nullptr;
};

DWORD Started(PROCESS_INFORMATION &info) noexcept
{
    CloseHandle(info.hThread);
    CloseHandle(info.hProcess);
    return ERROR_SUCCESS;
}

} // namespace

DWORD OwnSession() noexcept
{
    DWORD session = 0;
    ProcessIdToSessionId(GetCurrentProcessId(), &session);
    return session;
}

DWORD StartAsShellUser(std::wstring commandLine)
{
    const DWORD shell = ShellProcessId();
    if (shell == 0)
        return ERROR_NOT_FOUND;
    const UniqueHandle process(OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, shell));
    UniqueHandle shellToken;
    if (!process || !OpenProcessToken(process.get(), TOKEN_DUPLICATE, shellToken.put()))
        return GetLastError();
    UniqueHandle token;
    if (!DuplicateTokenEx(shellToken.get(), TOKEN_QUERY | TOKEN_DUPLICATE | TOKEN_ASSIGN_PRIMARY |
                                                TOKEN_ADJUST_DEFAULT | TOKEN_ADJUST_SESSIONID,
                          nullptr, SecurityImpersonation, TokenPrimary, token.put()))
        return GetLastError();

    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info{};
    if (!CreateProcessWithTokenW(token.get(), 0, nullptr, commandLine.data(), 0, nullptr, nullptr, &startup, &info))
        return GetLastError();
    return Started(info);
}

DWORD StartAsSessionUser(DWORD session, std::wstring commandLine)
{
    UniqueHandle token;
    if (!WTSQueryUserToken(session, token.put()))
        return GetLastError();
    const EnvironmentBlock environment(token.get());
    if (environment.get() == nullptr)
        return GetLastError();
    wchar_t desktop[] = L"winsta0\\default";
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    startup.lpDesktop = desktop;
    PROCESS_INFORMATION info{};
    if (!CreateProcessAsUserW(token.get(), nullptr, commandLine.data(), nullptr, nullptr, FALSE,
                              CREATE_UNICODE_ENVIRONMENT, environment.get(), nullptr, &startup, &info))
        return GetLastError();
    return Started(info);
}
