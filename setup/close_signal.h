// The machine-wide signal that asks every running tray program, in every
// session, to close: "Global\KivoFunctionButtonClose", a manual-reset
// event. The tray programs of all users wait on it; only SYSTEM and
// administrators may set it.
#pragma once

#include <windows.h>

#include "win32/unique_handle.h"

// Opens the signal with the rights to set and reset it, making it when no
// tray program made it yet. Empty when neither worked (GetLastError says
// why).
UniqueHandle OpenCloseSignal() noexcept;

// Resets the signal if there is one; true also when there is none.
bool ResetCloseSignal() noexcept;

// The setup keeps the signal alive until it ends: a copy of the handle goes
// to its process, so a tray program started meanwhile still sees the
// signal set, even after all others have closed theirs.
bool HandCloseSignalTo(HANDLE signal, DWORD processId) noexcept;
