#include "process.h"

#include <tlhelp32.h>

#include <cstdio>
#include <vector>

#include "wait_until.h"

namespace kivotest {

std::wstring Quote(const std::wstring &argument)
{
    if (argument.find_first_of(L" \t") == std::wstring::npos && !argument.empty())
        return argument;
    return L"\"" + argument + L"\"";
}

namespace {

std::optional<StartedProcess> Launch(const std::wstring &commandLine, STARTUPINFOW &startup,
                                     BOOL inheritHandles)
{
    std::vector<wchar_t> buffer(commandLine.begin(), commandLine.end());
    buffer.push_back(L'\0');
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info{};
    if (!CreateProcessW(nullptr, buffer.data(), nullptr, nullptr, inheritHandles, 0, nullptr,
                        nullptr, &startup, &info)) {
        // Rare under load in Wine: name it, so that a failing test says why.
        const DWORD error = GetLastError();
        std::fwprintf(stderr, L"could not start %ls: error %lu\n", commandLine.c_str(), error);
        SetLastError(error);
        return std::nullopt;
    }
    CloseHandle(info.hThread);
    StartedProcess started;
    started.process.reset(info.hProcess);
    started.id = info.dwProcessId;
    return started;
}

} // namespace

std::optional<StartedProcess> StartProcess(const std::wstring &commandLine, const wchar_t *desktop)
{
    STARTUPINFOW startup{};
    startup.lpDesktop = const_cast<wchar_t *>(desktop);
    return Launch(commandLine, startup, FALSE);
}

std::optional<DWORD> WaitExitCode(StartedProcess &started, DWORD timeoutMs)
{
    if (WaitForSingleObject(started.process.get(), timeoutMs) != WAIT_OBJECT_0) {
        TerminateProcess(started.process.get(), 0xDEAD);
        WaitForSingleObject(started.process.get(), 5000);
        return std::nullopt;
    }
    DWORD code = 0;
    if (!GetExitCodeProcess(started.process.get(), &code))
        return std::nullopt;
    return code;
}

namespace {

// The ids of the running processes of that image file name.
std::vector<DWORD> ProcessesOf(const std::wstring &imageName)
{
    std::vector<DWORD> ids;
    const UniqueHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    if (!snapshot)
        return ids;
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof(entry);
    for (BOOL more = Process32FirstW(snapshot.get(), &entry); more; more = Process32NextW(snapshot.get(), &entry)) {
        if (_wcsicmp(entry.szExeFile, imageName.c_str()) == 0)
            ids.push_back(entry.th32ProcessID);
    }
    return ids;
}

} // namespace

void EndProcessesOf(const std::wstring &imageName)
{
    for (const DWORD id : ProcessesOf(imageName)) {
        const UniqueHandle process(OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, id));
        if (process && TerminateProcess(process.get(), 0xDEAD))
            WaitForSingleObject(process.get(), 5000);
    }
}

bool WaitProcessesEnded(const std::wstring &imageName, DWORD timeoutMs)
{
    return WaitUntil([&] { return ProcessesOf(imageName).empty(); }, timeoutMs);
}

std::optional<DWORD> RunProcess(const std::wstring &commandLine, DWORD timeoutMs)
{
    auto started = StartProcess(commandLine);
    if (!started)
        return std::nullopt;
    return WaitExitCode(*started, timeoutMs);
}

std::optional<DWORD> RunProcessCapture(const std::wstring &commandLine, std::string &output,
                                       DWORD timeoutMs)
{
    output.clear();
    SECURITY_ATTRIBUTES inherit{sizeof(inherit), nullptr, TRUE};
    HANDLE readEnd = nullptr;
    HANDLE writeEnd = nullptr;
    if (!CreatePipe(&readEnd, &writeEnd, &inherit, 0))
        return std::nullopt;
    UniqueHandle reader(readEnd);
    UniqueHandle writer(writeEnd);
    SetHandleInformation(reader.get(), HANDLE_FLAG_INHERIT, 0);

    STARTUPINFOW startup{};
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = writer.get();
    startup.hStdError = writer.get();
    auto started = Launch(commandLine, startup, TRUE);
    if (!started)
        return std::nullopt;
    // Only the child holds the write end now: the reads end with it.
    writer.reset();

    char chunk[4096];
    DWORD read = 0;
    while (ReadFile(reader.get(), chunk, sizeof(chunk), &read, nullptr) && read > 0)
        output.append(chunk, read);
    return WaitExitCode(*started, timeoutMs);
}

} // namespace kivotest
