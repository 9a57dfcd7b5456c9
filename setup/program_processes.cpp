#include "program_processes.h"

#include <tlhelp32.h>

#include "win32/unique_handle.h"

namespace {

bool SamePath(const std::wstring &a, const std::wstring &b) noexcept
{
    return CompareStringOrdinal(a.c_str(), static_cast<int>(a.size()), b.c_str(), static_cast<int>(b.size()), TRUE) ==
           CSTR_EQUAL;
}

std::wstring ImagePath(DWORD processId)
{
    const UniqueHandle process(OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, processId));
    if (!process)
        return {};
    std::wstring path(32768, L'\0');
    DWORD size = static_cast<DWORD>(path.size());
    if (!QueryFullProcessImageNameW(process.get(), 0, path.data(), &size))
        return {};
    path.resize(size);
    return path;
}

} // namespace

std::wstring FullPath(const std::wstring &path)
{
    const DWORD needed = GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
    if (needed == 0)
        return path;
    std::wstring full(needed, L'\0');
    const DWORD written = GetFullPathNameW(path.c_str(), needed, full.data(), nullptr);
    if (written == 0 || written >= needed)
        return path;
    full.resize(written);
    return full;
}

std::vector<ProgramProcess> ProgramProcesses(const std::wstring &fullProgramPath)
{
    std::vector<ProgramProcess> found;
    const UniqueHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    if (!snapshot)
        return found;
    // The file name first: most processes are told apart without opening them.
    const std::wstring name = fullProgramPath.substr(fullProgramPath.find_last_of(L'\\') + 1);
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof(entry);
    for (BOOL more = Process32FirstW(snapshot.get(), &entry); more; more = Process32NextW(snapshot.get(), &entry)) {
        if (!SamePath(entry.szExeFile, name) || !SamePath(ImagePath(entry.th32ProcessID), fullProgramPath))
            continue;
        ProgramProcess process;
        process.id = entry.th32ProcessID;
        process.sessionKnown = ProcessIdToSessionId(process.id, &process.session) != FALSE;
        found.push_back(process);
    }
    return found;
}
