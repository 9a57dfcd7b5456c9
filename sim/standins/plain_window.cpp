// PlainWindow: an ordinary windowed program, the target of "start a program"
// actions.
//
// Log (PlainWindow.log, or "<name>.log" for a copy renamed "<name>.exe"):
//   start               started without arguments
//   start <arguments>   else; the command line after the program name and
//                       the blanks following it, verbatim
//   exit                WM_CLOSE received; the exit code is then 0
//
// Started with "hang" it never waits for input (it sleeps until it is
// ended); with "die" it ends at once, as a program that crashes at its
// start (exit code 0xC0000005), without a window.
#include <windows.h>

#include <string>

#include "command_tail.h"
#include "standin_log.h"
#include "standin_window.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int)
{
    const std::wstring tail = standin::OwnCommandTail();
    standin::AppendLogLine(standin::WordAndText(L"start", tail));
    if (tail == L"hang")
        Sleep(INFINITE);
    if (tail == L"die")
        TerminateProcess(GetCurrentProcess(), 0xC0000005);

    standin::WindowSetup setup;
    setup.className = L"PlainWindowStandInWindow";
    setup.title = L"Plain Window";
    return standin::RunWindow(setup);
}
