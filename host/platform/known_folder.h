// Paths of the shell's known folders.
#pragma once

#include <windows.h>
#include <shlobj.h>

#include <string>

// The folder's current path (redirections included), whether or not the
// folder exists. False when the shell cannot name it.
bool GetKnownFolder(REFKNOWNFOLDERID id, std::wstring &path);
