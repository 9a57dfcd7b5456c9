// Carrying out a button's action on the notification thread, synchronously.
#pragma once

#include <windows.h>

#include "callback/callback_parameter.h"

// The optional Print Screen pre-event, then the action of the record's
// kind. FALSE when the program could not be started; GetLastError() then
// holds the start's error (740: elevation required).
BOOL executer(const _Param *p) noexcept;

// The action of one kind; command is the record's, writable.
BOOL execute(DWORD kind, WCHAR *command) noexcept;
