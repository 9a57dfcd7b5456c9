#include "button_road_fixture.h"

#include <strsafe.h>

#include "callback/notify_callback.h"
#include "errors/error_manager.h"
#include "file_text.h"
#include "standin_process.h"
#include "test_paths.h"
#include "wait_until.h"

namespace hosttest {

_Param MakeParam(DWORD kind, const std::wstring &command, DWORD preEvent)
{
    _Param param{};
    param.dwPreEvent = preEvent;
    param.dwPathInfo = kind;
    StringCchCopyW(param.szCommand, kCommandChars, command.c_str());
    return param;
}

std::vector<std::string> LogLines(const std::wstring &logFile)
{
    std::vector<std::string> lines;
    const std::string text = standintest::ReadFileBytes(logFile).value_or("");
    for (std::size_t start = 0; start < text.size();) {
        const std::size_t end = text.find("\r\n", start);
        if (end == std::string::npos) {
            lines.push_back(text.substr(start));
            break;
        }
        lines.push_back(text.substr(start, end - start));
        start = end + 2;
    }
    return lines;
}

std::vector<std::string> WaitLogLines(const std::wstring &logFile, std::size_t count, DWORD timeoutMs)
{
    std::vector<std::string> lines;
    kivotest::WaitUntil(
        [&] {
            lines = LogLines(logFile);
            return lines.size() >= count;
        },
        timeoutMs);
    return lines;
}

HWND WaitForWindowOfClass(const wchar_t *className, DWORD timeoutMs)
{
    HWND window = nullptr;
    if (!kivotest::WaitUntil([&] { return (window = FindWindowW(className, nullptr)) != nullptr; }, timeoutMs))
        return nullptr;
    standintest::WaitForMessageLoop(window);
    return window;
}

void CloseStandIns(const wchar_t *className)
{
    while (HWND window = FindWindowW(className, nullptr)) {
        DWORD pid = 0;
        GetWindowThreadProcessId(window, &pid);
        standintest::StandInProcess process;
        if (!process.Attach(pid) || !process.CloseAndWait(window))
            break;
    }
}

void ButtonRoadTest::SetUp()
{
    ASSERT_FALSE(logs_.path().empty());
    window_ = CreateWindowExW(0, L"STATIC", L"button road test", 0, 0, 0, 0, 0, HWND_MESSAGE,
                              nullptr, nullptr, nullptr);
    ASSERT_NE(window_, nullptr);
    ASSERT_TRUE(InitializeCallBackFunction(window_));
    const _Param none{};
    SetParameter(BUTTON_A, &none);
    SetParameter(BUTTON_B, &none);
    SetButtonAction(1);
    gdwButtonStatusA = 1;
    gdwButtonStatusB = 3;
    SetError(KVF_ERROR_NONE);
}

void ButtonRoadTest::TearDown()
{
    const _Param none{};
    SetParameter(BUTTON_A, &none);
    SetParameter(BUTTON_B, &none);
    SetError(KVF_ERROR_NONE);
    gCallBackParameter.hWnd = nullptr;
    if (window_ != nullptr)
        DestroyWindow(window_);
}

std::wstring ButtonRoadTest::RecorderCommand(const std::wstring &arguments)
{
    return kivotest::BinFile(L"CommandRecorder.exe") + L" " + arguments;
}

int ButtonRoadTest::TakeErrorMessages()
{
    int count = 0;
    MSG message;
    while (PeekMessageW(&message, window_, WM_KIVO_BUTTON_ERROR, WM_KIVO_BUTTON_ERROR, PM_REMOVE))
        ++count;
    return count;
}

} // namespace hosttest
