#include "notification_registration.h"

#include <new>

#include "driver_channel.h"

namespace kvf {

namespace {

// Between a report and the next request: reports arriving meanwhile wait in
// the driver.
constexpr DWORD kPauseAfterReportMs = 100;

} // namespace

NotificationRegistration::NotificationRegistration(KVF_BUTTON_CALLBACK callback,
                                                   HANDLE notifyEvent, HANDLE stopEvent)
    : callback_(callback), notifyEvent_(notifyEvent), stopEvent_(stopEvent)
{
}

NotificationRegistration *NotificationRegistration::Create(KVF_BUTTON_CALLBACK callback)
{
    UniqueHandle notifyEvent(CreateEventW(nullptr, FALSE, FALSE, nullptr));
    if (!notifyEvent)
        return nullptr;
    UniqueHandle stopEvent(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    if (!stopEvent)
        return nullptr;
    auto *registration = new (std::nothrow) NotificationRegistration(callback, nullptr, nullptr);
    if (registration == nullptr)
        return nullptr;
    registration->notifyEvent_ = std::move(notifyEvent);
    registration->stopEvent_ = std::move(stopEvent);
    return registration;
}

HANDLE NotificationRegistration::StartThread()
{
    references_.fetch_add(1);
    HANDLE thread = CreateThread(nullptr, 0, NotifyThreadProc, this, 0, nullptr);
    if (thread == nullptr) {
        const DWORD error = GetLastError();
        references_.fetch_sub(1);
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
    registration->Release();
    return 0;
}

void NotificationRegistration::Run()
{
    while (!stop_.load()) {
        uint32_t report = 0;
        if (!WaitButtonReport(notifyEvent_.get(), report))
            break; // the driver failed the request: callbacks simply stop
        if (!stop_.load())
            callback_(report);
        // The pause keeps the spacing of requests, but a stop ends it at once.
        WaitForSingleObject(stopEvent_.get(), kPauseAfterReportMs);
    }
}

} // namespace kvf
