// What the library's entry point prepares: its own module handle (to find
// the embedded default settings text), the settings-file write lock
// "hMutexIniWrite" and the lock of the one-time full charge
// "hMutexFullChargeOnce".
#pragma once

#include <windows.h>

namespace kvf {

HMODULE LibraryModule();
HANDLE IniWriteMutex();
HANDLE FullChargeOnceMutex();

// Process attach and detach of the library.
void AttachLibrary(HMODULE module);
void DetachLibrary();

} // namespace kvf
