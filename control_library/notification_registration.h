// One notification registration: the thread that waits for button reports
// and calls the registered callback, with everything that thread touches.
//
// Each registration owns its own events, stop flag, callback and handle of
// the driver lock. The library and the thread each hold a reference;
// whoever lets go last frees it. So a thread that outlives KVFClose's wait
// (its callback still running, or waiting for the driver lock) never touches
// a later registration's objects, never calls its callback again once
// stopped, and never waits on a handle that was closed under it. The thread
// also holds a reference to the library's module, so that a caller that
// unloads the library after KVFClose does not pull the code from under it.
#pragma once

#include <windows.h>

#include <atomic>

#include "KivoFCtrl.h"
#include "win32/unique_handle.h"

namespace kvf {

class NotificationRegistration {
public:
    // Null when an event or the driver lock handle could not be created.
    static NotificationRegistration *Create(KVF_BUTTON_CALLBACK callback);

    // Starts the notification thread; its handle, or null (last error set).
    HANDLE StartThread();

    // Tells the thread to stop: sets the stop flag, wakes its wait for a
    // report and its pause after a callback.
    void Stop();

    // Gives up one reference (the library's, or the thread's at its end).
    void Release();

private:
    explicit NotificationRegistration(KVF_BUTTON_CALLBACK callback);
    static DWORD WINAPI NotifyThreadProc(LPVOID parameter);
    void Run();

    const KVF_BUTTON_CALLBACK callback_;
    // Completion event of the pending button request (auto-reset); the stop
    // signal sets it too.
    UniqueHandle notifyEvent_;
    // Set once by Stop (manual reset): ends the pause between requests and
    // the wait for a report, and keeps the thread from issuing another.
    UniqueHandle stopEvent_;
    // The thread's own handle of "hMutexDriver".
    UniqueHandle driverLock_;
    std::atomic<bool> stop_{false};
    // The library's module, referenced for the thread's lifetime (null when
    // the code is not in a library of its own, as in the tests).
    HMODULE module_ = nullptr;
    std::atomic<int> references_{1};
};

} // namespace kvf
