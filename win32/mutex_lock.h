// Holds a mutex (one the owner of the handle keeps open) for a scope: waits
// without time-out, takes a mutex abandoned by a process that died while
// holding it all the same, and releases it at the end of the scope. A null
// handle (the mutex could not be made) makes the scope run without the
// lock, as does a wait that fails.
#pragma once

#include <windows.h>

class MutexLock {
public:
    explicit MutexLock(HANDLE mutex) noexcept : mutex_(mutex)
    {
        if (mutex_ != nullptr) {
            const DWORD result = WaitForSingleObject(mutex_, INFINITE);
            owned_ = result == WAIT_OBJECT_0 || result == WAIT_ABANDONED;
        }
    }
    ~MutexLock()
    {
        if (owned_)
            ReleaseMutex(mutex_);
    }
    MutexLock(const MutexLock &) = delete;
    MutexLock &operator=(const MutexLock &) = delete;

private:
    HANDLE mutex_;
    bool owned_ = false;
};
