// What the library's entry point prepares: its own module handle (to find
// the embedded default settings text) and the settings-file write lock
// "hMutexIniWrite".
#pragma once

#include <windows.h>

namespace kvf {

HMODULE LibraryModule();
HANDLE IniWriteMutex();

// Process attach and detach of the library.
void AttachLibrary(HMODULE module);
void DetachLibrary();

} // namespace kvf
