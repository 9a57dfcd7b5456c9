// The channel to the function button driver: one device handle per process,
// and the driver lock "hMutexDriver" that serialises every request of every
// process of the logon session.
#pragma once

#include <windows.h>

#include <cstdint>

namespace kvf {

// 1 when this call opened the device; 0 when a device is open already in
// this process, or (with the last error set) when the driver lock could not
// be created or taken within the bound (ERROR_TIMEOUT), or the device could
// not be opened.
int OpenDriverDevice();
// Waits for the driver lock within the bound, and closes the device even
// without it.
void CloseDriverDevice();
bool IsDriverDeviceOpen();

// Registers the window for the notifications Windows sends to the holders of
// the open device handle before the device is disabled, updated or removed
// (DBT_DEVTYP_HANDLE records of WM_DEVICECHANGE). The caller owns the
// registration and ends it with UnregisterDeviceNotification. Null with
// ERROR_INVALID_HANDLE when no device is open in this process, or with the
// system's error when it refuses.
HDEVNOTIFY RegisterDeviceHandleNotification(HWND window);

// Charge requests wait for the driver lock and for the driver's completion
// at most for what is left of the running export's bound (export_bound.h).
// A request still out then gives ERROR_TIMEOUT, is not cancelled, and keeps
// the lock until the driver completes it (charge_request_worker.h); one that
// did not get the lock in time is not sent at all.
//
// Sends a set command (1 or 3). Returns 0 on success, 1 with no device
// open, ERROR_INVALID_PARAMETER for another command, the system error of a
// failed request or of a driver lock that could not be taken (nothing is
// sent then), ERROR_TIMEOUT as above, or the driver's nonzero status. A
// system error is the last error as well.
uint32_t SendChargeCommand(uint32_t command, uint32_t value);

// Reads a value with a get command (0 or 2); false when the request fails
// (the last error says why, ERROR_TIMEOUT among the reasons) or the driver
// reports a nonzero status. Callers check for a device first.
bool QueryChargeValue(uint32_t command, uint32_t &value);

// A handle of its own to the driver lock, for a thread that must not depend
// on the channel's handle (which the session closes); null on failure.
HANDLE OpenDriverLock();

// Issues one button request and waits for its completion; false when the
// request failed (at once, or later with its final status), was cancelled,
// or when the driver lock could not be taken or the stop event is set
// before the request is issued (nothing is issued then). driverLock is the caller's own handle of
// the driver lock, event the completion event. A request that is still
// pending when the wait ends (the stop event, or the stop signal on the
// completion event) is cancelled, and its completion awaited, before this
// returns: no completion ever writes into the caller's buffers after that.
bool WaitButtonReport(HANDLE driverLock, HANDLE event, HANDLE stopEvent, uint32_t &report);

} // namespace kvf
