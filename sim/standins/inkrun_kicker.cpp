// InkrunKicker: stand-in for the pen application's launcher. Like the real
// launcher it only hands over to the capture tool beside it and ends at once,
// without a window and without waiting, so whoever started it must look for
// the capture tool's window rather than for this process.
//
// Log (InkrunKicker.log):
//   start               started without arguments
//   start <arguments>   else; the command line after the program name and
//                       the blanks following it, verbatim
//   launched <pid>      ZRCaptureTool.exe started; its process id, decimal
//   launch failed <e>   CreateProcessW failed with GetLastError() e, decimal
//
// Exit code 0 when the capture tool was started, else 1.
#include <windows.h>

#include <string>
#include <vector>

#include "command_tail.h"
#include "module_path.h"
#include "standin_log.h"
#include "win32/unique_handle.h"

namespace {

constexpr int kLaunched = 0;
constexpr int kFailed = 1;

} // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int)
{
    standin::AppendLogLine(standin::WordAndText(L"start", standin::OwnCommandTail()));

    const std::wstring captureTool = standin::FolderOf(standin::OwnExePath()) + L"\\ZRCaptureTool.exe";
    // CreateProcessW may write into the command line, so it gets its own copy.
    const std::wstring quoted = L"\"" + captureTool + L"\"";
    std::vector<wchar_t> commandLine(quoted.begin(), quoted.end());
    commandLine.push_back(L'\0');

    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info{};
    if (!CreateProcessW(captureTool.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0,
                        nullptr, nullptr, &startup, &info)) {
        standin::AppendLogLine(L"launch failed " + std::to_wstring(GetLastError()));
        return kFailed;
    }
    const UniqueHandle process(info.hProcess);
    const UniqueHandle thread(info.hThread);
    standin::AppendLogLine(L"launched " + std::to_wstring(info.dwProcessId));
    return kLaunched;
}
