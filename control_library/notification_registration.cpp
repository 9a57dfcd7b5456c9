#include "notification_registration.h"

#include <new>

#include "driver_channel.h"
#include "library_module.h"
#include "win32/srw_lock.h"

namespace kvf {

namespace {

// Between a report and the next request: reports arriving meanwhile wait in
// the driver.
constexpr DWORD kPauseAfterReportMs = 100;

// Calls of the callback never overlap, not even across registrations: a
// thread that outlived KVFClose's wait (its callback still running) ends
// its call before the next registration's thread makes one.
SRWLOCK callbackLock = SRWLOCK_INIT;

} // namespace

NotificationRegistration::NotificationRegistration(KVF_BUTTON_CALLBACK callback)
    : callback_(callback)
{
}

NotificationRegistration *NotificationRegistration::Create(KVF_BUTTON_CALLBACK callback)
{
    auto *registration = new (std::nothrow) NotificationRegistration(callback);
    if (registration == nullptr)
        return nullptr;
    registration->notifyEvent_.reset(CreateEventW(nullptr, FALSE, FALSE, nullptr));
    registration->stopEvent_.reset(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    registration->driverLock_.reset(OpenDriverLock());
    if (!registration->notifyEvent_ || !registration->stopEvent_ || !registration->driverLock_) {
        delete registration;
        return nullptr;
    }
    return registration;
}

HANDLE NotificationRegistration::StartThread()
{
    references_.fetch_add(1);
    // The thread keeps the library loaded until its very end.
    HMODULE module = nullptr;
    if (LibraryModule() != nullptr)
        GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS,
                           reinterpret_cast<LPCWSTR>(&NotifyThreadProc), &module);
    module_ = module;
    HANDLE thread = CreateThread(nullptr, 0, NotifyThreadProc, this, 0, nullptr);
    if (thread == nullptr) {
        const DWORD error = GetLastError();
        references_.fetch_sub(1);
        if (module != nullptr)
            FreeLibrary(module);
        SetLastError(error);
    }
    return thread;
}

void NotificationRegistration::Stop()
{
    stop_.store(true);
    SetEvent(stopEvent_.get());
    SetEvent(notifyEvent_.get());
}

void NotificationRegistration::Release()
{
    if (references_.fetch_sub(1) == 1)
        delete this;
}

DWORD WINAPI NotificationRegistration::NotifyThreadProc(LPVOID parameter)
{
    auto *registration = static_cast<NotificationRegistration *>(parameter);
    registration->Run();
    HMODULE module = registration->module_;
    registration->Release(); // may free the registration: nothing of it after this
    if (module != nullptr)
        FreeLibraryAndExitThread(module, 0);
    return 0;
}

void NotificationRegistration::Run()
{
    while (!stop_.load()) {
        uint32_t report = 0;
        if (!WaitButtonReport(driverLock_.get(), notifyEvent_.get(), stopEvent_.get(), report))
            break; // stopped, or the driver refused the request: callbacks simply stop
        {
            const SrwExclusiveLock turn(callbackLock);
            // A stop that came while an older thread's call ran wins.
            if (!stop_.load())
                callback_(report);
        }
        // The pause keeps the spacing of requests, but a stop ends it at once.
        WaitForSingleObject(stopEvent_.get(), kPauseAfterReportMs);
    }
}

} // namespace kvf
