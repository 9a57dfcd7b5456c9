// PlainWindow: an ordinary windowed program, the target of "start a program"
// actions.
//
// Log (PlainWindow.log, or "<name>.log" for a copy renamed "<name>.exe"):
//   start               started without arguments
//   start <arguments>   else; the command line after the program name and
//                       the blanks following it, verbatim
//   exit                WM_CLOSE received; the exit code is then 0
#include <windows.h>

#include "command_tail.h"
#include "standin_log.h"
#include "standin_window.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int)
{
    standin::AppendLogLine(standin::WordAndText(L"start", standin::OwnCommandTail()));

    standin::WindowSetup setup;
    setup.className = L"PlainWindowStandInWindow";
    setup.title = L"Plain Window";
    return standin::RunWindow(setup);
}
