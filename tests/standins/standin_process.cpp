#include "standin_process.h"

#include <vector>

namespace standintest {

namespace {

constexpr DWORD kPollMs = 50;

HWND FindWindowOfProcess(const std::wstring &className, DWORD processId)
{
    HWND window = nullptr;
    while ((window = FindWindowExW(nullptr, window, className.c_str(), nullptr)) != nullptr) {
        DWORD owner = 0;
        GetWindowThreadProcessId(window, &owner);
        if (owner == processId)
            return window;
    }
    return nullptr;
}

} // namespace

StandInProcess::~StandInProcess()
{
    if (started_.process && WaitForSingleObject(started_.process.get(), 0) == WAIT_TIMEOUT) {
        TerminateProcess(started_.process.get(), 0xDEAD);
        WaitForSingleObject(started_.process.get(), kPatienceMs);
    }
}

bool StandInProcess::Start(const std::wstring &commandLine)
{
    auto started = kivotest::StartProcess(commandLine);
    if (!started)
        return false;
    started_ = std::move(*started);
    return true;
}

bool StandInProcess::Attach(DWORD processId)
{
    const HANDLE process = OpenProcess(
        SYNCHRONIZE | PROCESS_TERMINATE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, processId);
    if (process == nullptr)
        return false;
    started_.process.reset(process);
    started_.id = processId;
    return true;
}

HWND StandInProcess::WaitForWindow(const std::wstring &className) const
{
    for (DWORD waited = 0; waited < kPatienceMs; waited += kPollMs) {
        if (HWND window = FindWindowOfProcess(className, started_.id)) {
            WaitForMessageLoop(window);
            return window;
        }
        // A stand-in that ended will never show its window.
        if (WaitForSingleObject(started_.process.get(), kPollMs) == WAIT_OBJECT_0)
            return FindWindowOfProcess(className, started_.id);
    }
    return nullptr;
}

std::optional<DWORD> StandInProcess::WaitExit()
{
    if (!started_.process)
        return std::nullopt;
    return kivotest::WaitExitCode(started_, kPatienceMs);
}

std::optional<DWORD> StandInProcess::CloseAndWait(HWND window)
{
    if (!PostMessageW(window, WM_CLOSE, 0, 0))
        return std::nullopt;
    return WaitExit();
}

bool WaitForMessageLoop(HWND window)
{
    // A message sent to another thread is taken only while that thread
    // waits for messages.
    DWORD_PTR ignored = 0;
    return SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_BLOCK, kPatienceMs, &ignored) != 0;
}

std::wstring CommandLineOf(const std::wstring &program, const std::wstring &arguments,
                           bool quoteProgram)
{
    std::wstring line = quoteProgram ? L"\"" + program + L"\"" : kivotest::Quote(program);
    if (!arguments.empty())
        line += L" " + arguments;
    return line;
}

std::wstring WindowTitle(HWND window)
{
    std::vector<wchar_t> buffer(256);
    const int length = GetWindowTextW(window, buffer.data(), static_cast<int>(buffer.size()));
    return std::wstring(buffer.data(), length > 0 ? static_cast<size_t>(length) : 0);
}

} // namespace standintest
