// Bringing a started program's window to the front, and closing the Start
// menu when nothing came to the front. The notification thread and the
// threads that follow started programs both do it: BringToFront takes
// them one at a time, and it is the only user of the two flags below.
#pragma once

#include <windows.h>

// 1: a bring-to-front that finds no window closes the Start menu. The pen
// and companion actions clear it for their own bring-to-front.
extern DWORD gSend5BFWnd;
// Set by the enumeration when a window of the wanted process came to the
// front.
extern DWORD gNotSetFWnd;

// One bring-to-front at a time: gSend5BFWnd is 1 with the Start-menu
// fallback, 0 without, and 1 again afterwards.
void BringToFront(DWORD pid, bool startMenuFallback) noexcept;

// Tries the process's first visible, unowned top-level window (its main
// window, not a hidden helper or an owned popup that comes first in the
// windows' order); only when it has none, its first top-level window
// (a companion that is woken while its window is still hidden). Only under
// BringToFront.
void SetProcIDtoForegroundWindow(DWORD pid) noexcept;

// What the enumeration looks for and what it found.
struct WindowSearch {
    DWORD pid;
    bool mainWindowsOnly;
    bool found;
};
BOOL CALLBACK EnumWindowsProc(HWND hwnd, LPARAM search);

// Presses and releases the left Windows key when the foreground window is
// the Start menu (its title is string 300 of the program's resources).
void hideMetroMenu() noexcept;
