// TokenReporter: stands for a program a button starts and says what it was
// given, then ends at once.
//
// Log (TokenReporter.log): "parent <pid> " and the token facts of
// token_facts.h; the parent is -1 when it cannot be read.
#include <windows.h>

#include <tlhelp32.h>

#include <string>

#include "standin_log.h"
#include "token_facts.h"

namespace {

long ParentId()
{
    const HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    long parent = -1;
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof(entry);
    for (BOOL more = Process32FirstW(snapshot, &entry); more; more = Process32NextW(snapshot, &entry))
        if (entry.th32ProcessID == GetCurrentProcessId())
            parent = static_cast<long>(entry.th32ParentProcessID);
    CloseHandle(snapshot);
    return parent;
}

} // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int)
{
    const std::string facts = standin::TokenFacts(GetCurrentProcess());
    standin::AppendLogLine(L"parent " + std::to_wstring(ParentId()) + L" " + std::wstring(facts.begin(), facts.end()));
    return 0;
}
