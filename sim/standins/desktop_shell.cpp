// DesktopShell: owns the shell window of the test bed's desktop, as Explorer
// does in every Windows session. Wine's desktop has none, and the tray
// program starts the buttons' programs under the shell window's process.
//
//   DesktopShell          starts "DesktopShell serve" and ends once that
//                         copy owns the shell window: exit 0, or 1 when it
//                         did not within 30 s. A shell window there already:
//                         exit 0 at once.
//   DesktopShell serve    makes a window, makes it the shell window and
//                         keeps it until the prefix ends.
#include <windows.h>

#include <string>

#include "module_path.h"

extern "C" __declspec(dllimport) BOOL WINAPI SetShellWindow(HWND window);

namespace {

constexpr wchar_t kReadyEvent[] = L"KivoTestBedDesktopShellReady";
constexpr DWORD kReadyBoundMs = 30000;

int Serve(HANDLE ready)
{
    const HWND window = CreateWindowExW(0, L"STATIC", L"Test bed desktop shell", 0, 0, 0, 0, 0, nullptr,
                                        nullptr, nullptr, nullptr);
    if (window == nullptr || !SetShellWindow(window))
        return 1;
    SetEvent(ready);
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0)
        DispatchMessageW(&message);
    return 0;
}

} // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR arguments, int)
{
    const HANDLE ready = CreateEventW(nullptr, TRUE, FALSE, kReadyEvent);
    if (ready == nullptr)
        return 1;
    if (std::wstring(arguments) == L"serve")
        return Serve(ready);
    if (GetShellWindow() != nullptr)
        return 0;
    std::wstring command = L"\"" + standin::OwnExePath() + L"\" serve";
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION started{};
    if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, DETACHED_PROCESS, nullptr, nullptr,
                        &startup, &started))
        return 1;
    CloseHandle(started.hThread);
    CloseHandle(started.hProcess);
    return WaitForSingleObject(ready, kReadyBoundMs) == WAIT_OBJECT_0 ? 0 : 1;
}
