// Finding the outside programs the actions wake: the pen application's
// capture tool and the companion settings application.
#pragma once

#include <windows.h>

extern const WCHAR szPenProc[];
extern const WCHAR szVelmoProc[];

// The first running process whose first module's base name is name (exact
// case) gets its first window brought to the front. TRUE when one was found.
BOOL Search_process(const WCHAR *name) noexcept;

// Wakes the companion: starts the command (the companion's executable file)
// through the shell (under the desktop shell, without the host's UI access,
// when the host has it) unless a companion runs in this Windows session
// already, then broadcasts "VELMO STARTUPMESSAGE". FALSE when it is not
// running here and cannot be started; the last error then says why.
BOOL CheckTargetProcess(const WCHAR *command) noexcept;
