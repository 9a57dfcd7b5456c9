// The session exports: open the driver channel, register the one callback of
// the logon session, close again.
#include "KivoFCtrl.h"

#include <windows.h>

#include "charge_settings.h"
#include "driver_channel.h"
#include "export_bound.h"
#include "machine_policy.h"
#include "notification_registration.h"

namespace kvf {
namespace {

// Process-wide session state. The exports are called from one thread at a
// time; only the registration's own objects are shared with its thread.
HANDLE hMutexThread = nullptr; // marks the one registration of the session
NotificationRegistration *registration = nullptr;
HANDLE hNotifyThread = nullptr;

constexpr wchar_t kThreadMutexName[] = L"hMutexThread";
constexpr DWORD kThreadStopWaitMs = 500;

// Creates the registration mutex and the registration: 0, -1 or -2.
int32_t CreateNotifyObjects(KVF_BUTTON_CALLBACK callback)
{
    HANDLE mutex = CreateMutexW(nullptr, FALSE, kThreadMutexName);
    if (mutex != nullptr && GetLastError() == ERROR_ALREADY_EXISTS) {
        // Another registration runs in this logon session (maybe in this
        // very process): leave it undisturbed.
        CloseHandle(mutex);
        return -2;
    }
    if (mutex == nullptr)
        return -1;
    hMutexThread = mutex;
    registration = NotificationRegistration::Create(callback);
    return registration != nullptr ? 0 : -1;
}

void StopNotification()
{
    if (registration != nullptr) {
        registration->Stop();
        if (hNotifyThread != nullptr)
            WaitForSingleObject(hNotifyThread, kThreadStopWaitMs);
        // Within the bound: a close must not hang on another process that
        // keeps the registration's lock; the objects here are this
        // process's own and go either way.
        const DWORD held = WaitForSingleObject(hMutexThread, RemainingWaitMs());
        // A thread still in its callback keeps its own reference and frees
        // the registration when it ends.
        registration->Release();
        registration = nullptr;
        if (hNotifyThread != nullptr) {
            CloseHandle(hNotifyThread);
            hNotifyThread = nullptr;
        }
        if (held == WAIT_OBJECT_0 || held == WAIT_ABANDONED)
            ReleaseMutex(hMutexThread);
    }
    if (hMutexThread != nullptr) {
        CloseHandle(hMutexThread);
        hMutexThread = nullptr;
    }
}

} // namespace
} // namespace kvf

extern "C" {

int32_t KVFOpen(void)
{
    const kvf::ExportBound bound;
    kvf::SetPolicyRefusedAtOpen(false);
    if (kvf::OpenDriverDevice() != 1)
        return -1;
    // A refusal leaves the device open; KVFClose closes it. A policy value
    // the controller refused is reported, not failed: the buttons work.
    bool policyRefused = false;
    const int32_t applied = kvf::ApplyStoredChargeSettings(policyRefused);
    kvf::SetPolicyRefusedAtOpen(policyRefused);
    return applied;
}

int32_t KVFClose(void)
{
    const kvf::ExportBound bound;
    kvf::StopNotification();
    kvf::CloseDriverDevice();
    return 0;
}

int32_t KVFSetCallbackFunc(KVF_BUTTON_CALLBACK callback)
{
    if (callback == nullptr)
        return -1;
    const int32_t created = kvf::CreateNotifyObjects(callback);
    if (created != 0)
        return created;
    kvf::hNotifyThread = kvf::registration->StartThread();
    if (kvf::hNotifyThread == nullptr)
        return GetLastError() == ERROR_ALREADY_EXISTS ? -2 : -1;
    return 0;
}

HDEVNOTIFY KVFRegisterDeviceNotification(HWND window)
{
    return kvf::RegisterDeviceHandleNotification(window);
}

int32_t KVFIsNotifying(void)
{
    return kvf::hNotifyThread != nullptr && WaitForSingleObject(kvf::hNotifyThread, 0) == WAIT_TIMEOUT ? 1 : 0;
}

} // extern "C"
