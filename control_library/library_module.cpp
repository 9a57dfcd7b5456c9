#include "library_module.h"

namespace kvf {

namespace {

HMODULE hModule = nullptr;
HANDLE hMutexIniWrite = nullptr;
HANDLE hMutexFullChargeOnce = nullptr;

} // namespace

HMODULE LibraryModule() { return hModule; }
HANDLE IniWriteMutex() { return hMutexIniWrite; }
HANDLE FullChargeOnceMutex() { return hMutexFullChargeOnce; }

void AttachLibrary(HMODULE module)
{
    hModule = module;
    // Without the lock, writes to the settings file simply run unlocked.
    hMutexIniWrite = CreateMutexW(nullptr, FALSE, L"hMutexIniWrite");
    // Every change of the one-time full charge (and the battery setter,
    // which ends it) takes this lock first, then the file lock, then the
    // driver lock; never in the other order.
    hMutexFullChargeOnce = CreateMutexW(nullptr, FALSE, L"hMutexFullChargeOnce");
}

void DetachLibrary()
{
    if (hMutexIniWrite != nullptr) {
        CloseHandle(hMutexIniWrite);
        hMutexIniWrite = nullptr;
    }
    if (hMutexFullChargeOnce != nullptr) {
        CloseHandle(hMutexFullChargeOnce);
        hMutexFullChargeOnce = nullptr;
    }
    hModule = nullptr;
}

} // namespace kvf
