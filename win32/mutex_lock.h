// Holds a mutex (one the owner of the handle keeps open) for a scope: waits
// without time-out unless given one, takes a mutex abandoned by a process that died while
// holding it all the same (Windows gives the waiter its ownership), and
// releases it at the end of the scope.
//
// A null handle (the mutex could not be made) or a wait that fails leaves
// the scope without the lock: owned() says so, and error() gives the reason
// (the error the mutex's creation gave, as the owner of the handle passes
// it, or the wait's). Code whose work must not run unlocked asks owned()
// before it starts.
#pragma once

#include <windows.h>

class MutexLock {
public:
    explicit MutexLock(HANDLE mutex, DWORD missingError = ERROR_INVALID_HANDLE,
                       DWORD timeoutMs = INFINITE) noexcept
        : mutex_(mutex), error_(missingError)
    {
        if (mutex_ == nullptr)
            return;
        const DWORD result = WaitForSingleObject(mutex_, timeoutMs);
        owned_ = result == WAIT_OBJECT_0 || result == WAIT_ABANDONED;
        if (result == WAIT_TIMEOUT) {
            error_ = ERROR_TIMEOUT;
        } else if (!owned_) {
            const DWORD error = GetLastError();
            error_ = error != ERROR_SUCCESS ? error : ERROR_GEN_FAILURE;
        }
    }
    ~MutexLock()
    {
        if (owned_)
            ReleaseMutex(mutex_);
    }
    MutexLock(const MutexLock &) = delete;
    MutexLock &operator=(const MutexLock &) = delete;

    bool owned() const noexcept { return owned_; }
    // Why the lock is not held; meaningful only when owned() is false.
    DWORD error() const noexcept { return error_; }

private:
    HANDLE mutex_;
    DWORD error_;
    bool owned_ = false;
};
