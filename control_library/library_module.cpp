#include "library_module.h"

#include "export_bound.h"
#include "win32/local_descriptor.h"

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

// The one-time full charge belongs to the machine, so its lock is shared by
// every session: it lives in the global namespace, and its descriptor lets
// every authenticated user wait for it and release it (a lock made with the
// default descriptor of its first user would shut every other user out).
// The handle asks for just those rights, which is all a lock needs.
constexpr wchar_t kFullChargeOnceLock[] = L"Global\\hMutexFullChargeOnce";
constexpr wchar_t kFullChargeOnceLockDescriptor[] =
    L"D:(A;;0x1f0001;;;SY)(A;;0x1f0001;;;BA)(A;;0x00100001;;;AU)";

HANDLE CreateMachineLock(DWORD &error)
{
    const LocalDescriptor descriptor(kFullChargeOnceLockDescriptor);
    if (descriptor.get() == nullptr) {
        error = GetLastError() != ERROR_SUCCESS ? GetLastError() : ERROR_GEN_FAILURE;
        return nullptr;
    }
    SECURITY_ATTRIBUTES attributes = descriptor.attributes();
    HANDLE mutex = CreateMutexExW(&attributes, kFullChargeOnceLock, 0, SYNCHRONIZE | MUTEX_MODIFY_STATE);
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
    // Every change of the one-time full charge (and of what the machine
    // policy wrote, and the battery setter, which ends it) takes this lock
    // first, then the file lock, then the driver lock; never in the other
    // order.
    hMutexFullChargeOnce = CreateMachineLock(fullChargeOnceError);
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
