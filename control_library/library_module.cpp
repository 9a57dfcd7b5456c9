#include "library_module.h"

namespace kvf {

namespace {

HMODULE hModule = nullptr;
HANDLE hMutexIniWrite = nullptr;

} // namespace

HMODULE LibraryModule() { return hModule; }
HANDLE IniWriteMutex() { return hMutexIniWrite; }

void AttachLibrary(HMODULE module)
{
    hModule = module;
    // Without the lock, writes to the settings file simply run unlocked.
    hMutexIniWrite = CreateMutexW(nullptr, FALSE, L"hMutexIniWrite");
}

void DetachLibrary()
{
    if (hMutexIniWrite != nullptr) {
        CloseHandle(hMutexIniWrite);
        hMutexIniWrite = nullptr;
    }
    hModule = nullptr;
}

} // namespace kvf
