// TokenReporter: stands for a program a button starts and says what it was
// given: its parent process and its own token's UI access and integrity, then
// ends at once.
//
// Log (TokenReporter.log): "parent <pid> uiaccess <0|1> integrity <rid>",
// the integrity level's RID in hexadecimal (0x2000 medium, 0x3000 high);
// a value that cannot be read is -1.
#include <windows.h>

#include <strsafe.h>
#include <tlhelp32.h>

#include <string>

#include "standin_log.h"

namespace {

long ParentId()
{
    const HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE)
        return -1;
    long parent = -1;
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof(entry);
    for (BOOL more = Process32FirstW(snapshot, &entry); more; more = Process32NextW(snapshot, &entry))
        if (entry.th32ProcessID == GetCurrentProcessId())
            parent = static_cast<long>(entry.th32ParentProcessID);
    CloseHandle(snapshot);
    return parent;
}

std::wstring TokenFacts()
{
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token))
        return L"uiaccess -1 integrity -1";
    DWORD uiAccess = 0;
    DWORD length = 0;
    const bool uiKnown = GetTokenInformation(token, TokenUIAccess, &uiAccess, sizeof(uiAccess), &length) != FALSE;
    alignas(TOKEN_MANDATORY_LABEL) BYTE label[64] = {};
    wchar_t integrity[16] = L"-1";
    if (GetTokenInformation(token, TokenIntegrityLevel, label, sizeof(label), &length)) {
        const PSID sid = reinterpret_cast<TOKEN_MANDATORY_LABEL *>(label)->Label.Sid;
        const DWORD rid = *GetSidSubAuthority(sid, *GetSidSubAuthorityCount(sid) - 1);
        StringCchPrintfW(integrity, ARRAYSIZE(integrity), L"0x%lx", rid);
    }
    CloseHandle(token);
    return L"uiaccess " + std::wstring(uiKnown ? (uiAccess != 0 ? L"1" : L"0") : L"-1") + L" integrity " + integrity;
}

} // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int)
{
    standin::AppendLogLine(L"parent " + std::to_wstring(ParentId()) + L" " + TokenFacts());
    return 0;
}
