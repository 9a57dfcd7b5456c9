// The locks a change of the charge options holds from its first read to its
// last write or command, in the library's lock order: the one-time full
// charge's lock (for what touches the battery limit), then the settings
// file's; the driver's lock comes last, taken by each request. Holding the
// file lock across the command and a rollback keeps the file and the
// controller in step when two processes of the session change the same
// option: no one reads the file's value between another's write and its
// rollback.
#pragma once

#include <windows.h>

#include "library_module.h"
#include "win32/mutex_lock.h"

namespace kvf {

class ChargeLocks {
public:
    enum Scope { kSettingsFile, kFullChargeOnceAndSettingsFile };

    explicit ChargeLocks(Scope scope)
        : needFullChargeOnce_(scope == kFullChargeOnceAndSettingsFile),
          fullChargeOnce_(LockFullChargeOnceIf(needFullChargeOnce_)), settingsFile_(LockIniWrite())
    {
    }
    ChargeLocks(const ChargeLocks &) = delete;
    ChargeLocks &operator=(const ChargeLocks &) = delete;

    // True when every lock of the scope is held; otherwise false, with the
    // last error set to why the first missing one is missing. The change
    // must then neither write nor send anything.
    bool Held() const
    {
        const MutexLock &missing =
            needFullChargeOnce_ && !fullChargeOnce_.owned() ? fullChargeOnce_ : settingsFile_;
        if (missing.owned())
            return true;
        SetLastError(missing.error());
        return false;
    }

private:
    static MutexLock LockFullChargeOnceIf(bool needed)
    {
        if (needed)
            return LockFullChargeOnce();
        return MutexLock(nullptr);
    }

    // In this order: the members are made, so the locks taken, top down.
    bool needFullChargeOnce_;
    MutexLock fullChargeOnce_;
    MutexLock settingsFile_;
};

} // namespace kvf
