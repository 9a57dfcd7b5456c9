// Starts the tray program again for the users whose program the setup
// closed, each in their own session with their own rights.
#pragma once

#include <windows.h>

#include <string>

// The sessions of sessionsFile, and this process's own session when
// withOwnSession (the user who ran the setup). Each start, or why not, is
// said on standard output. 0 when every start worked, 1 when a session
// gets the program only at its next logon (the Run key).
int StartHosts(const std::wstring &program, const std::wstring &sessionsFile, bool withOwnSession);
