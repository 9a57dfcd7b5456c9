// Starts a program as the desktop's shell would for a double-click: the
// shell (Explorer of this session, running as the desktop user) calls
// ShellExecute itself, so the program gets that user's token through the
// application information service, UI access included when its manifest
// asks for it. A token handed to CreateProcessWithTokenW or
// CreateProcessAsUserW cannot give a program UI access: for such a manifest
// those calls fail with ERROR_ELEVATION_REQUIRED (740).
#pragma once

#include <windows.h>

#include <string>

// Through IShellWindows (the desktop's window) -> IShellBrowser ->
// IShellView -> IShellFolderViewDual -> IShellDispatch2::ShellExecute, in
// the program's own folder. Only the user whose desktop shell this process
// can reach: the interactive user of this process's session. S_OK when the
// shell took the start, else the failing call's HRESULT
// (HRESULT_FROM_WIN32(ERROR_NOT_FOUND) when there is no desktop window,
// E_FAIL when the shell answered S_FALSE).
HRESULT StartThroughDesktopShell(const std::wstring &program);
