#include "actions/process_search.h"

#include <psapi.h>
#include <shellapi.h>
#include <strsafe.h>
#include <tlhelp32.h>

#include <cwchar>

#include "actions/foreground.h"
#include "actions/velmo_assistant.h"
#include "platform/com_apartment.h"
#include "platform/user_process_start.h"
#include "win32/unique_handle.h"

const WCHAR szPenProc[] = L"ZRCaptureTool.exe";
const WCHAR szVelmoProc[] = L"Velmo.exe";

namespace {

constexpr DWORD kMaxProcesses = 2048;
constexpr int kNameChars = 260;
constexpr WCHAR kCompanionName[] = L"Velmo";
constexpr UINT kBroadcastTimeoutMs = 100;

// The base name of the process's first module, or false.
bool FirstModuleName(HANDLE process, WCHAR (&name)[kNameChars]) noexcept
{
    HMODULE module = nullptr;
    DWORD needed = 0;
    if (!K32EnumProcessModules(process, &module, sizeof(module), &needed))
        return false;
    return K32GetModuleBaseNameW(process, module, name, kNameChars) != 0;
}

// The image name without a trailing ".exe", compared without regard to case.
bool IsCompanionImage(const WCHAR *image) noexcept
{
    const size_t length = wcslen(image);
    size_t stem = length;
    if (length >= 4 && _wcsicmp(image + length - 4, L".exe") == 0)
        stem = length - 4;
    return stem == wcslen(kCompanionName) && _wcsnicmp(image, kCompanionName, stem) == 0;
}

bool CompanionRunsInThisSession() noexcept
{
    DWORD ownSession = 0;
    if (!ProcessIdToSessionId(GetCurrentProcessId(), &ownSession))
        return false;
    const UniqueHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    if (!snapshot)
        return false;
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof(entry);
    for (BOOL more = Process32FirstW(snapshot.get(), &entry); more;
         more = Process32NextW(snapshot.get(), &entry)) {
        DWORD session = 0;
        if (IsCompanionImage(entry.szExeFile) &&
            ProcessIdToSessionId(entry.th32ProcessID, &session) && session == ownSession)
            return true;
    }
    return false;
}

bool StartCompanionWithoutUiAccess(const WCHAR *path) noexcept
{
    WCHAR command[kNameChars + 2] = {};
    if (FAILED(StringCchPrintfW(command, ARRAYSIZE(command), L"\"%s\"", path))) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return false;
    }
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_SHOWNORMAL;
    PROCESS_INFORMATION info{};
    if (!UserProcessStart::Start(command, startup, &info))
        return false;
    const UniqueHandle process(info.hProcess);
    const UniqueHandle thread(info.hThread);
    return true;
}

// The command names the companion's file; blanks at its end do not count.
bool StartCompanion(const WCHAR *command) noexcept
{
    WCHAR path[kNameChars] = {};
    if (FAILED(StringCchCopyW(path, kNameChars, command))) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return false;
    }
    for (size_t length = wcslen(path); length > 0 && path[length - 1] == L' '; --length)
        path[length - 1] = L'\0';
    const DWORD attributes = GetFileAttributesW(path);
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return false;
    if (attributes & FILE_ATTRIBUTE_DIRECTORY) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return false;
    }
    // The shell would start the companion with the host's token, UI access
    // included; then it is started under the desktop shell like any other
    // program.
    if (UserProcessStart::Route() != StartRoute::Direct)
        return StartCompanionWithoutUiAccess(path);
    // The shell may hand the file to an extension that needs COM.
    const ComApartment apartment(COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
    SHELLEXECUTEINFOW info{};
    info.cbSize = sizeof(info);
    info.fMask = SEE_MASK_FLAG_NO_UI;
    info.lpFile = path;
    info.nShow = SW_SHOWNORMAL;
    return ShellExecuteExW(&info) != FALSE;
}

} // namespace

BOOL Search_process(const WCHAR *name) noexcept
{
    DWORD ids[kMaxProcesses] = {};
    DWORD bytes = 0;
    if (!K32EnumProcesses(ids, sizeof(ids), &bytes))
        return FALSE;
    const DWORD count = bytes / sizeof(DWORD);
    for (DWORD i = 0; i < count; ++i) {
        const UniqueHandle process(
            OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, ids[i]));
        if (!process)
            continue;
        WCHAR baseName[kNameChars] = {};
        if (FirstModuleName(process.get(), baseName) && wcscmp(baseName, name) == 0) {
            // The programs looked for here are woken, not started by this
            // press: no Start-menu fallback.
            BringToFront(GetProcessId(process.get()), false);
            return TRUE;
        }
    }
    return FALSE;
}

BOOL CheckTargetProcess(const WCHAR *command) noexcept
{
    if (!CompanionRunsInThisSession() && !StartCompanion(command))
        return FALSE;
    SendMessageTimeoutW(HWND_BROADCAST, s_uiMessageId, 0, 0, SMTO_NORMAL, kBroadcastTimeoutMs,
                        nullptr);
    return TRUE;
}
