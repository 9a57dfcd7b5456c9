// The button handler the host registers with the control library. It runs
// on the library's notification thread, one report at a time.
#pragma once

#include <windows.h>

#include <cstdint>

// The last state value seen for each button (A: 0 or 1, B: 2 or 3); both
// start with the state bit set. Used only on the notification thread.
extern DWORD gdwButtonStatusA;
extern DWORD gdwButtonStatusB;

// v is the report masked with 3. Due: v is the trigger value for the action
// (1 / 3 when action is 1, else 0 / 2) and the stored state is the other
// state of the same button. Updates the stored state when v is this
// button's.
BOOL isOnButtonA(DWORD v, DWORD action) noexcept;
BOOL isOnButtonB(DWORD v, DWORD action) noexcept;

// Runs the due button's action; a failure sets error 14 (elevation
// required), 12 (A) or 13 (B) and posts 0x046E to the stored window. Never
// shows a window itself and always returns.
void Notify_CallBack(uint32_t value);

// How many reports the callback has received since the program started; the
// main window tells a working driver session from one that fails at once.
unsigned long ReportsReceived() noexcept;
