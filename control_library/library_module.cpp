#include "library_module.h"

#include "export_bound.h"

namespace kvf {

namespace {

HMODULE hModule = nullptr;
HANDLE hMutexIniWrite = nullptr;
HANDLE hMutexFullChargeOnce = nullptr;
// Before the entry point ran, there is no lock to take.
DWORD iniWriteError = ERROR_INVALID_HANDLE;
DWORD fullChargeOnceError = ERROR_INVALID_HANDLE;

// Creates (or opens, when another process of the logon session made it
// first) a named lock; the error of a failure is kept for every operation
// that then refuses to run.
HANDLE CreateLock(const wchar_t *name, DWORD &error)
{
    HANDLE mutex = CreateMutexW(nullptr, FALSE, name);
    error = mutex != nullptr ? ERROR_SUCCESS : GetLastError();
    if (mutex == nullptr && error == ERROR_SUCCESS)
        error = ERROR_GEN_FAILURE;
    return mutex;
}

} // namespace

HMODULE LibraryModule() { return hModule; }
// Within the export's bound: the other process that holds a file lock may be
// one whose own request is held up at the driver.
MutexLock LockIniWrite() { return MutexLock(hMutexIniWrite, iniWriteError, RemainingWaitMs()); }
MutexLock LockFullChargeOnce()
{
    return MutexLock(hMutexFullChargeOnce, fullChargeOnceError, RemainingWaitMs());
}

void AttachLibrary(HMODULE module)
{
    hModule = module;
    // Without a lock, what needs it fails rather than runs unlocked: another
    // process of the session may hold the name (and change the file) all the
    // while.
    hMutexIniWrite = CreateLock(L"hMutexIniWrite", iniWriteError);
    // Every change of the one-time full charge (and the battery setter,
    // which ends it) takes this lock first, then the file lock, then the
    // driver lock; never in the other order.
    hMutexFullChargeOnce = CreateLock(L"hMutexFullChargeOnce", fullChargeOnceError);
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
