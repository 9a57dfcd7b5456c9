// One notification registration: the thread that waits for button reports
// and calls the registered callback, with everything that thread touches.
//
// Each registration owns its own events, stop flag and callback. The
// library and the thread each hold a reference; whoever lets go last frees
// it. So a thread that outlives KVFClose's wait (its callback still running)
// never touches a later registration's objects, never calls its callback
// again once stopped, and never waits on a handle that was closed under it.
#pragma once

#include <windows.h>

#include <atomic>

#include "KivoFCtrl.h"
#include "unique_handle.h"

namespace kvf {

class NotificationRegistration {
public:
    // Null when the completion event could not be created.
    static NotificationRegistration *Create(KVF_BUTTON_CALLBACK callback);

    // Starts the notification thread; its handle, or null (last error set).
    HANDLE StartThread();

    // Tells the thread to stop: sets the stop flag, wakes its wait for a
    // report and its pause after a callback.
    void Stop();

    // Gives up one reference (the library's, or the thread's at its end).
    void Release();

private:
    explicit NotificationRegistration(KVF_BUTTON_CALLBACK callback, HANDLE notifyEvent,
                                      HANDLE stopEvent);
    static DWORD WINAPI NotifyThreadProc(LPVOID parameter);
    void Run();

    const KVF_BUTTON_CALLBACK callback_;
    // Completion event of the pending button request (auto-reset); the stop
    // signal sets it too.
    UniqueHandle notifyEvent_;
    // Set once by Stop (manual reset): ends the pause between requests.
    UniqueHandle stopEvent_;
    std::atomic<bool> stop_{false};
    std::atomic<int> references_{1};
};

} // namespace kvf
