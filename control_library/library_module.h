// What the library's entry point prepares: its own module handle (to find
// the embedded default settings text), the settings-file write lock
// "hMutexIniWrite" (one logon session's) and the machine's lock of the
// one-time full charge "Global\hMutexFullChargeOnce".
#pragma once

#include <windows.h>

#include "win32/mutex_lock.h"

namespace kvf {

HMODULE LibraryModule();

// The two locks, taken for the caller's scope. A lock the entry point could
// not create is not owned, and its error() is the one its creation gave
// (ERROR_INVALID_HANDLE when an object of another type holds the name,
// ERROR_ACCESS_DENIED when its descriptor shuts this user out).
MutexLock LockIniWrite();
MutexLock LockFullChargeOnce();

// Process attach and detach of the library.
void AttachLibrary(HMODULE module);
void DetachLibrary();

} // namespace kvf
