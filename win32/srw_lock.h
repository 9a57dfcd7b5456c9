// Holds a slim reader/writer lock exclusively for a scope. Such a lock holds
// no kernel handle, so code under a handle count can take it.
#pragma once

#include <windows.h>

class SrwExclusiveLock {
public:
    explicit SrwExclusiveLock(SRWLOCK &lock) noexcept : lock_(lock) { AcquireSRWLockExclusive(&lock_); }
    ~SrwExclusiveLock() { ReleaseSRWLockExclusive(&lock_); }
    SrwExclusiveLock(const SrwExclusiveLock &) = delete;
    SrwExclusiveLock &operator=(const SrwExclusiveLock &) = delete;

private:
    SRWLOCK &lock_;
};
