// ZRCaptureTool: stand-in for the pen application's capture tool, the program
// whose window shows that the pen application was brought up.
//
// Log (ZRCaptureTool.log):
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
    setup.className = L"ZRCaptureToolStandInWindow";
    setup.title = L"ZRCaptureTool";
    return standin::RunWindow(setup);
}
