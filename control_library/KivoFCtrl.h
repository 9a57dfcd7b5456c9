// Public interface of the function button control library KivoFCtrl.dll.
//
// Results: 0 success, -1 failure, -2 a notification registration exists
// already in this logon session; the charge getters return the value or -1.
//
// Locks: the processes of a logon session share the named mutexes
// "hMutexDriver" (every driver request) and "hMutexIniWrite" (the settings
// file; the setters hold it from their first read to their last write,
// across the command they send); every process of the machine shares
// "Global\hMutexFullChargeOnce" (the one-time full charge's record, what
// the machine policy wrote, and the battery limit). They are always taken
// in the order "Global\hMutexFullChargeOnce", "hMutexIniWrite",
// "hMutexDriver". When a lock cannot be created (another object of the
// session holds its name, or its descriptor denies this user) or taken,
// what needs it writes and sends nothing and fails: -1 with GetLastError()
// the error Windows gave, such as ERROR_INVALID_HANDLE (6, another type of
// object holds the name) or ERROR_ACCESS_DENIED (5). KVFOpen fails so when
// "hMutexDriver" is missing; without either of the two others it opens the
// session but leaves out its start-up step for the charge options (the
// buttons work, the next KVFOpen tries again); the setters fail when
// "hMutexIniWrite" is missing; the battery setter and
// the one-time full charge's exports when either the machine's
// "Global\hMutexFullChargeOnce" or "hMutexIniWrite" is. The getters of the
// two options need neither file lock.
//
// Time: no export waits without end for what another process holds. Each
// waits for these locks and for the driver's answer to a charge request at
// most 2 s in all (one bound per call, short of the 5 s after which Windows
// takes a window whose thread does not answer for hung); past it the call
// fails with -1 and GetLastError() = ERROR_TIMEOUT (1460). A charge request
// that was sent and is still pending then is not cancelled: the controller
// may still take it, it keeps "hMutexDriver" until the driver completes it,
// and the call's settings file write stays (a setter does not roll it back,
// a one-time full charge stays recorded, so its limit comes back). One that
// did not get the lock in time is never sent. KVFClose also waits at most
// the bound and always closes this process's session and returns 0 (a
// request still out keeps its own handle of the device until it completes).
#pragma once

#include <stdint.h>
#include <windows.h>

#ifdef KIVOFCTRL_BUILD
#define KVF_API
#else
#define KVF_API __declspec(dllimport)
#endif

#ifdef __cplusplus
extern "C" {
#endif

// The device interface class that the function button device announces while
// it is started, {1d55a0a0-d318-4d30-bf09-30cf8d08cf52}: callers that follow
// the device's removal and return register for it (RegisterDeviceNotification).
#define KVF_DEVICE_INTERFACE_GUID_INIT \
    {0x1d55a0a0, 0xd318, 0x4d30, {0xbf, 0x09, 0x30, 0xcf, 0x8d, 0x08, 0xcf, 0x52}}

// Called on the library's notification thread with each 4-byte button report.
typedef void (*KVF_BUTTON_CALLBACK)(uint32_t report);

KVF_API int32_t KVFOpen(void);                                  // ordinal 1
KVF_API int32_t KVFClose(void);                                 // ordinal 2
KVF_API int32_t KVFSetCallbackFunc(KVF_BUTTON_CALLBACK callback); // ordinal 3
KVF_API int32_t KVFGetUSBChargeStat(void);                      // ordinal 4
KVF_API int32_t KVFGetButteryChargeLimitStat(void);             // ordinal 5
KVF_API int32_t KVFSetUSBChargeStat(uint32_t value);            // ordinal 6
KVF_API int32_t KVFSetButteryChargeLimitStat(uint32_t value);   // ordinal 7
// 1 while this process's notification thread runs; 0 before a registration,
// after KVFClose, and once the thread has ended on a failed driver request
// (the callbacks have stopped: close and open again to resume).
KVF_API int32_t KVFIsNotifying(void);                           // ordinal 8

// One-time full charge: the embedded controller charges to 100 % once while
// the battery charge limit the user chose stays stored; a limit is written
// back when the charger is unplugged, when the battery is full on AC, or when
// a user ends it. The override belongs to the machine: its record is kept
// in %ProgramData%\zerin\KivoFCtrl, so every user's session sees it (and
// puts 100 % back on a controller that lost it), nothing of it roams, and a
// program that ends or a machine that shuts down meanwhile loses nothing.
// The limit that comes back is decided at the end: the machine policy's,
// else the ending user's (the settings file's, or with "ReferenceFlag" 0 the
// controller's from before the override). Starting, ending and following
// need an open session.
//
// Starts it: 0 started (100 % is sent whenever the controller is not at
// 100 %), also when it runs already, or when the controller is at 100 %
// already (then nothing is recorded); -1 no device, the policy does not
// allow it (1260), the driver refused 100 % or the override could not be
// recorded (nothing changed).
KVF_API int32_t KVFStartFullChargeOnce(void);                   // ordinal 9
// Ends it and writes the limit back: 0 ended or none was running; -1 no
// device, the driver refused the limit (the override stays recorded as
// ending; the next session's start, follow or end completes it) or the
// record could not be removed.
KVF_API int32_t KVFEndFullChargeOnce(void);                     // ordinal 10
// The limit that would come back for the calling user (0 = 100 %, 1 = 80 %,
// 2 = 50 %; the machine policy's when it fixes one) while an override runs;
// -1 when none runs.
// Needs no session.
KVF_API int32_t KVFGetFullChargeOnceStat(void);                 // ordinal 11
// Follows the power state Windows reports (GetSystemPowerStatus): on AC the
// override notes that the charger was seen and ends once the battery is
// full; on battery it ends once the charger had been seen; an unknown state
// changes nothing. 1 ended now (the limit is back), 0 nothing ended, -1 no
// device or the driver refused the limit (the override stays recorded).
KVF_API int32_t KVFFollowFullChargeOnce(void);                  // ordinal 12

// The machine policy (HKLM\SOFTWARE\Policies\Zerin\KivoFunctionButton):
// which charge options it fixes for every user. A setter asked for another
// value than the policy's, and a full charge once the policy does not
// allow, fail with -1 and GetLastError() = ERROR_ACCESS_DISABLED_BY_POLICY
// (1260), changing nothing; the getters of a fixed option report what the
// controller holds. Needs no session.
#define KVF_POLICY_BATTERY_LIMIT 0x1     // "BatteryChargeLimit" is fixed
#define KVF_POLICY_USB_CHARGE 0x2        // "USBCharge" is fixed
#define KVF_POLICY_NO_FULL_CHARGE_ONCE 0x4 // "AllowFullChargeOnce" is 0
// The last KVFOpen of this process found a value the policy fixes refused by
// the controller. The session opened all the same, and the next KVFOpen
// tries the value again.
#define KVF_POLICY_REFUSED 0x8
KVF_API int32_t KVFGetChargePolicy(void);                       // ordinal 13

// Windows asks every holder of a device handle that registered for it
// before it disables, updates or removes the device; a handle whose holder
// did not register keeps the device, and the change then needs a restart.
// This registers the window for the WM_DEVICECHANGE records of type
// DBT_DEVTYP_HANDLE about the device this process's session holds open.
// The registration belongs to the caller, who ends it with
// UnregisterDeviceNotification; the device handle stays the library's.
// Null when no session is open in this process (GetLastError() =
// ERROR_INVALID_HANDLE, 6) or when Windows refuses the registration.
//
// The caller follows Microsoft's pattern: on DBT_DEVICEQUERYREMOVE it calls
// KVFClose (the handle is closed before its window procedure answers TRUE)
// and keeps the registration; on DBT_DEVICEQUERYREMOVEFAILED it ends the
// registration, opens the session again and registers anew; on
// DBT_DEVICEREMOVEPENDING or DBT_DEVICEREMOVECOMPLETE it closes what is
// still open and ends the registration. Records arrive only at the
// registered window, on its thread, so KVFClose is called from the thread
// that opened the session, as always.
KVF_API HDEVNOTIFY KVFRegisterDeviceNotification(HWND window);  // ordinal 14

#ifdef __cplusplus
}
#endif
