// Bringing a started program's window to the front, and closing the Start
// menu when nothing came to the front. Notification thread only.
#pragma once

#include <windows.h>

// 1: a bring-to-front that finds no window closes the Start menu. The pen
// and companion actions clear it for their own bring-to-front.
extern DWORD gSend5BFWnd;
// Set by the enumeration when a window of the wanted process came to the
// front.
extern DWORD gNotSetFWnd;

// Tries the first top-level window of the process (enumeration order,
// visible or not).
void SetProcIDtoForegroundWindow(DWORD pid) noexcept;
BOOL CALLBACK EnumWindowsProc(HWND hwnd, LPARAM pid);

// Presses and releases the left Windows key when the foreground window is
// the Start menu (its title is string 300 of the program's resources).
void hideMetroMenu() noexcept;
