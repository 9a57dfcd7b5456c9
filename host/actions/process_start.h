// Starting the programs of the actions.
#pragma once

#include <windows.h>

constexpr int kAriveCommandChars = 260;

// A fixed command and the process information of its last start (both
// handles already closed).
struct _ariveExec {
    PROCESS_INFORMATION pi;
    WCHAR szCommand[kAriveCommandChars];
};

// The shell's window switcher and the display switcher, named from the
// Windows and system folders of this machine.
extern _ariveExec gAltTab;
extern _ariveExec gSecondary;

// Starts the command; once the program waits for input (within
// kInputIdleBoundMs, on a thread of its own) its first window comes to the
// front. An empty command, or one beginning with a blank (an unresolved
// module), does nothing and succeeds. FALSE when the start fails, with
// CreateProcessW's error kept (kErrorNoShellToStartUnder when the host has
// UI access and no desktop shell runs: see platform/user_process_start.h).
BOOL executeFullPath(WCHAR *command) noexcept;

// Starts the pen application's launcher; once it is idle the capture tool
// comes to the front (at once when there is no launcher to wait for).
BOOL executeInkrun(WCHAR *command) noexcept;

// Starts the record's command without waiting.
BOOL executeAriveType(_ariveExec *e) noexcept;
