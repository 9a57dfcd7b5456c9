// Starts a program for the user of a Windows session, with that user's
// rights and never with those of the setup (elevated, or SYSTEM).
#pragma once

#include <windows.h>

#include <string>

// The session this process runs in.
DWORD OwnSession() noexcept;

// In this process's own session: with a copy of the token of the desktop
// shell (the process behind the shell window, or Explorer of this
// session). 0 when started, else the Windows error.
DWORD StartAsShellUser(std::wstring commandLine);

// In another session, as SYSTEM may: the session user's token
// (WTSQueryUserToken), that user's environment, on "winsta0\default".
// 0 when started, else the Windows error (an administrator who is not
// SYSTEM gets ERROR_PRIVILEGE_NOT_HELD, 1314).
DWORD StartAsSessionUser(DWORD session, std::wstring commandLine);
