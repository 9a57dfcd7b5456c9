// DesktopShell: owns the shell window of the test bed's desktop, as Explorer
// does in every Windows session; Wine's desktop has none.
//
//   DesktopShell          starts "DesktopShell serve" and ends once a shell
//                         window is there: exit 0, or 1 after 30 s without.
//   DesktopShell serve    makes its window the shell window and keeps it
//                         until the prefix ends.
#include <windows.h>

#include <string>

#include "module_path.h"

extern "C" __declspec(dllimport) BOOL WINAPI SetShellWindow(HWND window);

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR arguments, int)
{
    if (std::wstring(arguments) == L"serve") {
        const HWND window = CreateWindowExW(0, L"STATIC", L"Test bed desktop shell", 0, 0, 0, 0, 0, nullptr,
                                            nullptr, nullptr, nullptr);
        if (window == nullptr || !SetShellWindow(window))
            return 1;
        MSG message;
        while (GetMessageW(&message, nullptr, 0, 0) > 0)
            DispatchMessageW(&message);
        return 0;
    }
    std::wstring command = L"\"" + standin::OwnExePath() + L"\" serve";
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION started{};
    if (GetShellWindow() == nullptr && CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE,
                                                      DETACHED_PROCESS, nullptr, nullptr, &startup, &started)) {
        CloseHandle(started.hThread);
        CloseHandle(started.hProcess);
    }
    for (int poll = 0; poll < 300 && GetShellWindow() == nullptr; ++poll)
        Sleep(100);
    return GetShellWindow() != nullptr ? 0 : 1;
}
