// Velmo: stand-in for the companion settings application.
//
// It is told that the function buttons are ready by the broadcast of the
// registered window message "VELMO STARTUPMESSAGE"; it sits in a hidden
// top-level window so that it receives such broadcasts without showing up.
//
// Log (Velmo.log):
//   start               started without arguments
//   start <arguments>   else; the command line after the program name and
//                       the blanks following it, verbatim
//   message <n>         the n-th "VELMO STARTUPMESSAGE" received, n = 1, 2, ...
//   exit                WM_CLOSE received; the exit code is then 0
#include <windows.h>

#include <string>

#include "command_tail.h"
#include "standin_log.h"
#include "standin_window.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int)
{
    standin::AppendLogLine(standin::WordAndText(L"start", standin::OwnCommandTail()));

    const UINT startupMessage = RegisterWindowMessageW(L"VELMO STARTUPMESSAGE");
    if (startupMessage == 0) {
        standin::AppendLogLine(L"register failed " + std::to_wstring(GetLastError()));
        return 1;
    }

    unsigned received = 0;
    standin::WindowSetup setup;
    setup.className = L"VelmoStandInWindow";
    setup.title = L"Velmo";
    setup.visible = false;
    setup.onMessage = [&](HWND, UINT message, WPARAM, LPARAM) -> std::optional<LRESULT> {
        if (message != startupMessage)
            return std::nullopt;
        ++received;
        standin::AppendLogLine(L"message " + std::to_wstring(received));
        return 0;
    };
    return standin::RunWindow(setup);
}
