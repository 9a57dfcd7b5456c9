#include "driver_channel.h"

#include <dbt.h>

#include "charge_request_worker.h"
#include "driver_interface.h"
#include "export_bound.h"
#include "win32/mutex_lock.h"

namespace kvf {

namespace {

// Process-wide channel state: the device is open exactly between a
// successful OpenDriverDevice and the next CloseDriverDevice.
HANDLE hDevice = nullptr;
HANDLE hMutexDriver = nullptr;

constexpr wchar_t kDriverMutexName[] = L"hMutexDriver";

// One charge request, within what is left of the export's bound:
// ERROR_SUCCESS, or the system error of the failed request (also the last
// error then), ERROR_TIMEOUT among them. Never sent unlocked: another
// process's request could be the one the controller answers. The worker
// takes the lock and keeps it until the driver has completed the request.
DWORD ChargeRequest(KVF_CHARGE_REQUEST &record)
{
    const DWORD error = RunChargeRequest(hDevice, record, RemainingWaitMs());
    if (error != ERROR_SUCCESS)
        SetLastError(error);
    return error;
}

} // namespace

int OpenDriverDevice()
{
    if (hDevice != nullptr)
        return 0;
    // Another process of the logon session may have created the lock first;
    // opening it is just as good. A lock kept from an earlier failed opening
    // is used again rather than leaked.
    if (hMutexDriver == nullptr)
        hMutexDriver = CreateMutexW(nullptr, FALSE, kDriverMutexName);
    if (hMutexDriver == nullptr)
        return 0; // with the creation's error
    const MutexLock lock(hMutexDriver, ERROR_INVALID_HANDLE, RemainingWaitMs());
    if (!lock.owned()) {
        SetLastError(lock.error());
        return 0;
    }
    HANDLE device = CreateFileW(kDevicePath, GENERIC_READ | GENERIC_WRITE,
                                FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                FILE_FLAG_OVERLAPPED, nullptr);
    if (device == INVALID_HANDLE_VALUE)
        return 0;
    hDevice = device;
    return 1;
}

void CloseDriverDevice()
{
    {
        // The lock keeps the close from falling into a request this process
        // is issuing. When another's pended request keeps it beyond the
        // bound, no such request can be running here (a stopped notification
        // thread issues none, and a charge request that is still out has its
        // own handle of the device), so the handle is closed all the same.
        MutexLock lock(hMutexDriver, ERROR_INVALID_HANDLE, RemainingWaitMs());
        if (hDevice != nullptr) {
            CloseHandle(hDevice);
            hDevice = nullptr;
        }
    }
    if (hMutexDriver != nullptr) {
        CloseHandle(hMutexDriver);
        hMutexDriver = nullptr;
    }
}

bool IsDriverDeviceOpen() { return hDevice != nullptr; }

HDEVNOTIFY RegisterDeviceHandleNotification(HWND window)
{
    // Only the caller's thread opens and closes the device, so the handle
    // cannot change under this call.
    if (hDevice == nullptr) {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    DEV_BROADCAST_HANDLE filter{};
    filter.dbch_size = sizeof(filter);
    filter.dbch_devicetype = DBT_DEVTYP_HANDLE;
    filter.dbch_handle = hDevice;
    return RegisterDeviceNotificationW(window, &filter, DEVICE_NOTIFY_WINDOW_HANDLE);
}

uint32_t SendChargeCommand(uint32_t command, uint32_t value)
{
    if (hDevice == nullptr)
        return 1;
    if (command != KVF_CMD_SET_USB_CHARGE && command != KVF_CMD_SET_BATTERY_LIMIT)
        return ERROR_INVALID_PARAMETER;
    KVF_CHARGE_REQUEST record{command, value, 0};
    const DWORD error = ChargeRequest(record);
    if (error != ERROR_SUCCESS) {
        // Said in the last error too, so that a caller several steps up
        // (a session's start) can tell an unanswered request from a refusal.
        SetLastError(error);
        return error;
    }
    return record.dwStatus;
}

bool QueryChargeValue(uint32_t command, uint32_t &value)
{
    KVF_CHARGE_REQUEST record{command, 0, 0};
    if (ChargeRequest(record) != ERROR_SUCCESS || record.dwStatus != 0)
        return false;
    value = record.dwValue;
    return true;
}

HANDLE OpenDriverLock() { return CreateMutexW(nullptr, FALSE, kDriverMutexName); }

bool WaitButtonReport(HANDLE driverLock, HANDLE event, HANDLE stopEvent, uint32_t &report)
{
    OVERLAPPED overlapped{};
    uint32_t buffer = 0;
    DWORD returned = 0;
    // A request that completed at once left the event signalled.
    ResetEvent(event);
    overlapped.hEvent = event;

    HANDLE device;
    BOOL ok;
    DWORD error;
    {
        // Held only while the request is issued, never while it is pending,
        // so charge commands go through while a button request waits.
        const MutexLock lock(driverLock);
        if (!lock.owned())
            return false;
        // A stop that came while this thread waited for the lock (another
        // process's charge command holds it) must not be answered with a
        // new request; under the lock, the session's close cannot have
        // closed the device yet, or it has closed it for good.
        if (WaitForSingleObject(stopEvent, 0) == WAIT_OBJECT_0)
            return false;
        device = hDevice;
        ok = DeviceIoControl(device, IOCTL_KVF_WAIT_BUTTON_EVENT, nullptr, 0, &buffer,
                             sizeof(buffer), &returned, &overlapped);
        error = GetLastError();
    }
    if (ok) {
        report = buffer;
        return true;
    }
    if (error != ERROR_IO_PENDING)
        return false;

    OutputDebugStringW(L"DeviceIoControl - PENDING!!!!!!!!!!!!!!!!\n");
    // The stop event stays set once set, so a stop that came just before the
    // request started (which cleared the completion event) still ends this.
    const HANDLE waits[] = {event, stopEvent};
    const DWORD wait = WaitForMultipleObjects(2, waits, FALSE, INFINITE);
    if (!HasOverlappedIoCompleted(&overlapped)) {
        // Woken by the stop, not by the driver: the request must end before
        // its buffers go away with this frame.
        CancelIoEx(device, &overlapped);
        while (!HasOverlappedIoCompleted(&overlapped))
            WaitForSingleObject(event, INFINITE);
    }
    if (wait != WAIT_OBJECT_0 && wait != WAIT_OBJECT_0 + 1)
        return false;
    // A request the driver completed with an error carries no report: its
    // buffer still holds 0, which a receiver would read as a release of
    // button A. The final status decides (a cancelled request fails too).
    if (!GetOverlappedResult(device, &overlapped, &returned, FALSE))
        return false;
    report = buffer;
    return true;
}

} // namespace kvf
