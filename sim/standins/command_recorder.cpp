// CommandRecorder: a program that only notes that it was started, and with
// what, then ends at once. Copies of it under other names stand for the
// programs an action starts (a button's program, the window and display
// switchers), so a test can count the starts and read their command lines.
//
// Log (CommandRecorder.log, or "<name>.log" for a copy renamed "<name>.exe"):
//   start               started without arguments
//   start <arguments>   else; the command line after the program name and
//                       the blanks following it, verbatim
//
// Exit code 0.
#include <windows.h>

#include "command_tail.h"
#include "standin_log.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int)
{
    standin::AppendLogLine(standin::WordAndText(L"start", standin::OwnCommandTail()));
    return 0;
}
