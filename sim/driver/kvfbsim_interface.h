/*
 * Interface of the simulated function button driver.
 *
 * Two devices:
 *   \\.\KVFB     the function button device as the control library sees it:
 *                exactly the button request and the charge request.
 *   \\.\KVFBSIM  the test control panel: inject reports and failures, switch
 *                the completion modes of button and charge requests, read
 *                and reset the counters, set the embedded controller's raw
 *                values.
 *
 * Shared by the kernel driver (C), the kvfbsim console tool and the tests.
 */
#ifndef KVFBSIM_INTERFACE_H
#define KVFBSIM_INTERFACE_H

#ifndef CTL_CODE
#error "include <windows.h>/<winioctl.h> or <ntddk.h> first"
#endif

/* ---- \\.\KVFB: the driver interface the control library speaks ---- */

#define KVFB_DEVICE_PATH L"\\\\.\\KVFB"
#define KVFB_NT_DEVICE_NAME L"\\Device\\KVFB"
#define KVFB_DOS_DEVICE_NAME L"\\DosDevices\\KVFB"

/* The device interface class the device announces while it is started, so
 * that programs hear of its arrival and removal:
 * {1d55a0a0-d318-4d30-bf09-30cf8d08cf52}. */
#define KVFB_INTERFACE_GUID_INIT \
    {0x1d55a0a0, 0xd318, 0x4d30, {0xbf, 0x09, 0x30, 0xcf, 0x8d, 0x08, 0xcf, 0x52}}

/* 0x226628: pending until a report exists, 4-byte report as output. */
#define KVFB_IOCTL_WAIT_BUTTON_EVENT \
    CTL_CODE(FILE_DEVICE_UNKNOWN, 0x98A, METHOD_BUFFERED, FILE_READ_ACCESS)
/* 0x22662C: 12-byte charge record in and out; completes at once, or after a
 * delay when the panel asks for one (KVFBSIM_IOCTL_SET_CHARGE_DELAY). */
#define KVFB_IOCTL_CHARGE_REQUEST \
    CTL_CODE(FILE_DEVICE_UNKNOWN, 0x98B, METHOD_BUFFERED, FILE_READ_ACCESS)

typedef struct KVFB_CHARGE_RECORD {
    unsigned long dwCommand;
    unsigned long dwValue;
    unsigned long dwStatus;
} KVFB_CHARGE_RECORD;

#define KVFB_CMD_GET_USB_CHARGE 0u
#define KVFB_CMD_SET_USB_CHARGE 1u
#define KVFB_CMD_GET_BATTERY_LIMIT 2u
#define KVFB_CMD_SET_BATTERY_LIMIT 3u

/* dwStatus values of the simulated embedded controller (0 is success). */
#define KVFB_EC_STATUS_UNKNOWN_COMMAND 0xE001u
#define KVFB_EC_STATUS_VALUE_OUT_OF_RANGE 0xE002u

/* Highest value the embedded controller accepts for each option. */
#define KVFB_USB_CHARGE_MAX 1u
#define KVFB_BATTERY_LIMIT_MAX 2u

/* Reports waiting for a button request; further ones are dropped. */
#define KVFB_REPORT_QUEUE_LENGTH 64u

/* ---- \\.\KVFBSIM: the test control panel ---- */

#define KVFBSIM_DEVICE_PATH L"\\\\.\\KVFBSIM"
#define KVFBSIM_NT_DEVICE_NAME L"\\Device\\KVFBSIM"
#define KVFBSIM_DOS_DEVICE_NAME L"\\DosDevices\\KVFBSIM"

#define KVFBSIM_CTL(fn) CTL_CODE(FILE_DEVICE_UNKNOWN, (fn), METHOD_BUFFERED, FILE_ANY_ACCESS)

/* in: unsigned long report. Completes the oldest pending button request,
 * or queues the report when none is pending. */
#define KVFBSIM_IOCTL_INJECT_REPORT KVFBSIM_CTL(0xA01)
/* in: KVFBSIM_FAILURE. */
#define KVFBSIM_IOCTL_SET_FAILURE KVFBSIM_CTL(0xA02)
/* in: unsigned long, one of KVFBSIM_MODE_*. */
#define KVFBSIM_IOCTL_SET_MODE KVFBSIM_CTL(0xA03)
/* out: KVFBSIM_STATUS. */
#define KVFBSIM_IOCTL_GET_STATUS KVFBSIM_CTL(0xA04)
/* in: KVFBSIM_EC, stored as given (no range test) and persisted. */
#define KVFBSIM_IOCTL_SET_EC KVFBSIM_CTL(0xA05)
/* no buffers: counters to zero, report queue and failures cleared,
 * button mode back to pending, charge delay back to 0. The embedded
 * controller keeps its values, and requests pending now stay pending. */
#define KVFBSIM_IOCTL_RESET KVFBSIM_CTL(0xA06)
/* in: unsigned long, milliseconds, at most KVFBSIM_CHARGE_DELAY_MAX.
 * 0 (the default): charge requests complete at once. Otherwise each is
 * pended and carried out that long after it came, in the order they came,
 * as by a driver that waits for its controller; meanwhile it can be
 * cancelled, and it ends with its handle or the device. */
#define KVFBSIM_IOCTL_SET_CHARGE_DELAY KVFBSIM_CTL(0xA07)

#define KVFBSIM_CHARGE_DELAY_MAX 60000u
/* The delay kvfbsim's "mode charge pending" sets when given none. */
#define KVFBSIM_CHARGE_DELAY_DEFAULT 5u

/* Button requests stay pending until a report exists (as the real driver). */
#define KVFBSIM_MODE_PENDING 0u
/* Button requests complete at once: with the oldest queued report, or with
 * report 0 when none is queued. */
#define KVFBSIM_MODE_COMPLETE_AT_ONCE 1u

#define KVFBSIM_TARGET_CHARGE 0u
#define KVFBSIM_TARGET_BUTTON 1u

/* The request completes successfully with dwStatus = Value (charge only). */
#define KVFBSIM_FAIL_DW_STATUS 0u
/* The request fails with NTSTATUS Value (DeviceIoControl returns FALSE). */
#define KVFBSIM_FAIL_NTSTATUS 1u

typedef struct KVFBSIM_FAILURE {
    unsigned long Target; /* KVFBSIM_TARGET_* */
    unsigned long Kind;   /* KVFBSIM_FAIL_* */
    unsigned long Value;  /* dwStatus or NTSTATUS */
    unsigned long Count;  /* how many of the next requests fail; 0 clears */
} KVFBSIM_FAILURE;

typedef struct KVFBSIM_EC {
    unsigned long UsbCharge;
    unsigned long BatteryLimit;
} KVFBSIM_EC;

#define KVFBSIM_CHARGE_LOG_LENGTH 16u

typedef struct KVFBSIM_STATUS {
    unsigned long Opens;            /* opens of \\.\KVFB */
    unsigned long Closes;           /* closes of \\.\KVFB */
    unsigned long OpenHandles;      /* Opens - Closes */
    unsigned long PendingNow;       /* button requests pending right now */
    unsigned long ButtonRequests;   /* button requests received */
    unsigned long ButtonCompleted;  /* completed with a report */
    unsigned long ButtonCancelled;  /* cancelled (cancel, cleanup or close) */
    unsigned long ButtonCancelledOnClose; /* of those, by cleanup or close */
    unsigned long ButtonFailed;     /* failed by an injected NTSTATUS, or
                                       by the removal of the device */
    unsigned long ReportsInjected;
    unsigned long ReportsQueued;    /* in the queue right now */
    unsigned long ReportsDropped;   /* lost to a full queue */
    unsigned long ChargeRequests;   /* charge requests received */
    unsigned long ChargeFailed;     /* failed by an injected failure, or by
                                       the removal of the device */
    unsigned long ChargePendingNow; /* charge requests pending right now */
    unsigned long ChargeCancelled;  /* pending ones cancelled (cancel,
                                       cleanup or close) */
    unsigned long ChargeDelay;      /* ms a charge request pends; 0 = none */
    unsigned long UnknownRequests;  /* unknown control codes on \\.\KVFB */
    unsigned long Mode;             /* KVFBSIM_MODE_* */
    KVFBSIM_EC Ec;
    /* The last charge requests, oldest first: ChargeLogCount entries. */
    unsigned long ChargeLogCount;
    KVFB_CHARGE_RECORD ChargeLog[KVFBSIM_CHARGE_LOG_LENGTH];
} KVFBSIM_STATUS;

#endif
