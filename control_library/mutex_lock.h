// Holds one of the library's named mutexes for a scope. Every wait is
// without time-out; a mutex abandoned by a process that died while holding
// it is owned all the same. A null handle (the mutex could not be created)
// makes the scope run without the lock.
#pragma once

#include <windows.h>

namespace kvf {

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

} // namespace kvf
