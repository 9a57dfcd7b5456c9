// Closes the tray program in every session before its files are replaced.
#pragma once

#include <windows.h>

#include <string>

// Sets the close signal (and leaves a handle of it with the setup's
// process), closes the tray program of this desktop by its window as
// well (a program that predates the signal), then waits at most
// waitSeconds until no process of the program file runs. The sessions
// whose program closed go to sessionsFile. Each step is said on standard
// output, a line each. 0 when none runs any more, 1 when some still run.
int CloseHosts(const std::wstring &program, DWORD waitSeconds, const std::wstring &sessionsFile, DWORD setupProcess);
