/*
 * Simulated function button driver.
 *
 * A kernel-mode PnP driver that stands in for the notebook's function button
 * driver. The PnP device answers the two control codes of the real driver;
 * a second, non-PnP device is the test control panel (see
 * kvfbsim_interface.h). The embedded controller is two numbers kept in memory
 * and saved under the service key's Parameters subkey, so that they survive a
 * driver restart as the real EC survives a reboot. When the panel asks for a
 * charge delay, a worker thread carries out the pended charge requests.
 */
#include <ntifs.h> /* ntddk.h and ZwWaitForSingleObject */

#include "kvfbsim_interface.h"

#define KVFB_POOL_TAG 'bfvK'

typedef struct SIM_STATE {
    KSPIN_LOCK Lock;
    LIST_ENTRY Pending; /* IRPs of pending button requests, oldest first */
    LIST_ENTRY ChargePending; /* IRPs of pended charge requests, oldest first */
    ULONG Queue[KVFB_REPORT_QUEUE_LENGTH];
    ULONG QueueHead;
    ULONG QueueCount;
    KVFBSIM_FAILURE ChargeFailure;
    KVFBSIM_FAILURE ButtonFailure;
    KVFBSIM_STATUS Status; /* counters, mode, EC values and charge log */
} SIM_STATE;

typedef struct FDO_EXTENSION {
    PDEVICE_OBJECT Lower;
    BOOLEAN OwnsName; /* this FDO carries \Device\KVFB and its link */
    UNICODE_STRING Interface; /* its device interface (named FDO only) */
    ULONG OpenFiles;          /* handles open on this device; state lock */
    BOOLEAN Removed;          /* IRP_MN_REMOVE_DEVICE has come */
} FDO_EXTENSION;

static const GUID g_interfaceClass = KVFB_INTERFACE_GUID_INIT;

static SIM_STATE g_sim;
static PDEVICE_OBJECT g_control;
static BOOLEAN g_nameTaken;
static UNICODE_STRING g_parametersPath;
static WCHAR g_parametersBuffer[512];

/* The worker that carries out pended charge requests. */
static HANDLE g_chargeWorker;
static KEVENT g_chargeChanged; /* synchronization event: the list changed */
static KEVENT g_chargeStop;    /* notification event: the driver unloads */

/* A pended charge request carries the time it is due (Now() units) in the
 * IRP's driver context; the list links it through Tail.Overlay.ListEntry. */
#define CHARGE_DUE(irp) ((LONGLONG)(ULONG_PTR)(irp)->Tail.Overlay.DriverContext[0])

/* The time in 100 ns units. */
static LONGLONG Now(void)
{
    LARGE_INTEGER frequency;
    const LARGE_INTEGER counter = KeQueryPerformanceCounter(&frequency);
    return counter.QuadPart / frequency.QuadPart * 10000000LL +
           counter.QuadPart % frequency.QuadPart * 10000000LL / frequency.QuadPart;
}

/* The worker looks at the list again: a request came or ended. */
static void WakeChargeWorker(void)
{
    KeSetEvent(&g_chargeChanged, IO_NO_INCREMENT, FALSE);
}

/* ---- persistence of the embedded controller ---- */

static void LoadEcValue(HANDLE key, PCWSTR name, ULONG *value)
{
    UNICODE_STRING valueName;
    UCHAR buffer[sizeof(KEY_VALUE_PARTIAL_INFORMATION) + sizeof(ULONG)];
    PKEY_VALUE_PARTIAL_INFORMATION info = (PKEY_VALUE_PARTIAL_INFORMATION)buffer;
    ULONG length = 0;

    RtlInitUnicodeString(&valueName, name);
    if (NT_SUCCESS(ZwQueryValueKey(key, &valueName, KeyValuePartialInformation, info,
                                   sizeof(buffer), &length)) &&
        info->Type == REG_DWORD && info->DataLength == sizeof(ULONG)) {
        RtlCopyMemory(value, info->Data, sizeof(ULONG));
    }
}

static NTSTATUS OpenParametersKey(HANDLE *key)
{
    OBJECT_ATTRIBUTES attributes;
    InitializeObjectAttributes(&attributes, &g_parametersPath,
                               OBJ_CASE_INSENSITIVE | OBJ_KERNEL_HANDLE, NULL, NULL);
    return ZwCreateKey(key, KEY_READ | KEY_WRITE, &attributes, 0, NULL, REG_OPTION_NON_VOLATILE,
                       NULL);
}

static void LoadEc(void)
{
    HANDLE key;
    if (NT_SUCCESS(OpenParametersKey(&key))) {
        LoadEcValue(key, L"UsbCharge", &g_sim.Status.Ec.UsbCharge);
        LoadEcValue(key, L"BatteryLimit", &g_sim.Status.Ec.BatteryLimit);
        ZwClose(key);
    }
}

/* Called at PASSIVE_LEVEL without the state lock held. */
static void SaveEc(KVFBSIM_EC ec)
{
    HANDLE key;
    UNICODE_STRING name;
    if (!NT_SUCCESS(OpenParametersKey(&key)))
        return;
    RtlInitUnicodeString(&name, L"UsbCharge");
    ZwSetValueKey(key, &name, 0, REG_DWORD, &ec.UsbCharge, sizeof(ULONG));
    RtlInitUnicodeString(&name, L"BatteryLimit");
    ZwSetValueKey(key, &name, 0, REG_DWORD, &ec.BatteryLimit, sizeof(ULONG));
    ZwClose(key);
}

/* ---- completion helpers ---- */

static NTSTATUS CompleteIrp(PIRP irp, NTSTATUS status, ULONG_PTR information)
{
    irp->IoStatus.Status = status;
    irp->IoStatus.Information = information;
    IoCompleteRequest(irp, IO_NO_INCREMENT);
    return status;
}

static void CompleteWithReport(PIRP irp, ULONG report)
{
    RtlCopyMemory(irp->AssociatedIrp.SystemBuffer, &report, sizeof(ULONG));
    CompleteIrp(irp, STATUS_SUCCESS, sizeof(ULONG));
}

/* Takes the failure for one request if one is armed. Lock held. */
static BOOLEAN TakeFailure(KVFBSIM_FAILURE *failure, KVFBSIM_FAILURE *taken)
{
    if (failure->Count == 0)
        return FALSE;
    *taken = *failure;
    failure->Count--;
    return TRUE;
}

/* Takes one IRP out of its pending list and disarms its cancel routine:
 * TRUE when that worked. Lock held. An IRP whose cancel routine already
 * runs is left to that routine (its list entry is made self-linked so the
 * removal there is harmless). */
static BOOLEAN TakePendingIrp(PIRP irp, ULONG *pendingNow)
{
    PLIST_ENTRY entry = &irp->Tail.Overlay.ListEntry;
    RemoveEntryList(entry);
    (*pendingNow)--;
    if (IoSetCancelRoutine(irp, NULL) != NULL)
        return TRUE;
    InitializeListHead(entry);
    return FALSE;
}

/* Removes the oldest IRP of a pending list whose cancel routine could still
 * be disarmed. Lock held. */
static PIRP PopPendingIrp(PLIST_ENTRY list, ULONG *pendingNow)
{
    while (!IsListEmpty(list)) {
        PIRP irp = CONTAINING_RECORD(list->Flink, IRP, Tail.Overlay.ListEntry);
        if (TakePendingIrp(irp, pendingNow))
            return irp;
    }
    return NULL;
}

/* Moves the IRPs of one file object from a pending list to another list,
 * those whose cancel routine could still be disarmed: their number. Lock
 * held. */
static ULONG TakeRequestsOfFile(PLIST_ENTRY list, ULONG *pendingNow, PFILE_OBJECT file,
                                PLIST_ENTRY taken)
{
    ULONG count = 0;
    PLIST_ENTRY entry = list->Flink;
    while (entry != list) {
        PIRP irp = CONTAINING_RECORD(entry, IRP, Tail.Overlay.ListEntry);
        PLIST_ENTRY next = entry->Flink;
        if (IoGetCurrentIrpStackLocation(irp)->FileObject == file &&
            TakePendingIrp(irp, pendingNow)) {
            InsertTailList(taken, entry);
            count++;
        }
        entry = next;
    }
    return count;
}

/* Takes a cancelled request off its queue (if still there), counts it and
 * completes it. */
static VOID CancelQueuedRequest(PIRP irp, ULONG *pendingNow, ULONG *cancelled)
{
    KIRQL irql;
    IoReleaseCancelSpinLock(irp->CancelIrql);

    KeAcquireSpinLock(&g_sim.Lock, &irql);
    if (!IsListEmpty(&irp->Tail.Overlay.ListEntry)) {
        RemoveEntryList(&irp->Tail.Overlay.ListEntry);
        (*pendingNow)--;
    }
    (*cancelled)++;
    KeReleaseSpinLock(&g_sim.Lock, irql);

    CompleteIrp(irp, STATUS_CANCELLED, 0);
}

static VOID CancelButtonRequest(PDEVICE_OBJECT device, PIRP irp)
{
    UNREFERENCED_PARAMETER(device);
    CancelQueuedRequest(irp, &g_sim.Status.PendingNow, &g_sim.Status.ButtonCancelled);
}

static VOID CancelChargeRequest(PDEVICE_OBJECT device, PIRP irp)
{
    UNREFERENCED_PARAMETER(device);
    CancelQueuedRequest(irp, &g_sim.Status.ChargePendingNow, &g_sim.Status.ChargeCancelled);
    WakeChargeWorker();
}

/* Cancels the pending button and charge requests of one file object
 * (cleanup and close; Wine sends no IRP_MJ_CLEANUP, so close does it as
 * well). */
static void CancelRequestsOfFile(PFILE_OBJECT file)
{
    LIST_ENTRY cancelled;
    KIRQL irql;
    ULONG buttons, charges;

    InitializeListHead(&cancelled);
    KeAcquireSpinLock(&g_sim.Lock, &irql);
    buttons = TakeRequestsOfFile(&g_sim.Pending, &g_sim.Status.PendingNow, file, &cancelled);
    g_sim.Status.ButtonCancelled += buttons;
    g_sim.Status.ButtonCancelledOnClose += buttons;
    charges = TakeRequestsOfFile(&g_sim.ChargePending, &g_sim.Status.ChargePendingNow, file,
                                 &cancelled);
    g_sim.Status.ChargeCancelled += charges;
    KeReleaseSpinLock(&g_sim.Lock, irql);
    if (charges > 0)
        WakeChargeWorker();

    while (!IsListEmpty(&cancelled)) {
        PIRP irp = CONTAINING_RECORD(RemoveHeadList(&cancelled), IRP, Tail.Overlay.ListEntry);
        CompleteIrp(irp, STATUS_CANCELLED, 0);
    }
}

/* The device goes away: every pending button and charge request fails (the
 * caller's wait ends, as with the real driver), and reports not yet fetched
 * are lost with the device. */
static void FailRequestsOnRemoval(void)
{
    LIST_ENTRY failed;
    KIRQL irql;
    PIRP irp;

    InitializeListHead(&failed);
    KeAcquireSpinLock(&g_sim.Lock, &irql);
    while ((irp = PopPendingIrp(&g_sim.Pending, &g_sim.Status.PendingNow)) != NULL) {
        InsertTailList(&failed, &irp->Tail.Overlay.ListEntry);
        g_sim.Status.ButtonFailed++;
    }
    while ((irp = PopPendingIrp(&g_sim.ChargePending, &g_sim.Status.ChargePendingNow)) != NULL) {
        InsertTailList(&failed, &irp->Tail.Overlay.ListEntry);
        g_sim.Status.ChargeFailed++;
    }
    g_sim.QueueHead = 0;
    g_sim.QueueCount = 0;
    g_sim.Status.ReportsQueued = 0;
    KeReleaseSpinLock(&g_sim.Lock, irql);
    WakeChargeWorker();

    while (!IsListEmpty(&failed)) {
        irp = CONTAINING_RECORD(RemoveHeadList(&failed), IRP, Tail.Overlay.ListEntry);
        CompleteIrp(irp, STATUS_DELETE_PENDING, 0);
    }
}

/* ---- \\.\KVFB ---- */

static NTSTATUS ButtonRequest(PIRP irp, PIO_STACK_LOCATION stack)
{
    KIRQL irql;
    KVFBSIM_FAILURE failure;
    ULONG report;

    if (stack->Parameters.DeviceIoControl.OutputBufferLength < sizeof(ULONG))
        return CompleteIrp(irp, STATUS_BUFFER_TOO_SMALL, 0);

    KeAcquireSpinLock(&g_sim.Lock, &irql);
    g_sim.Status.ButtonRequests++;
    if (TakeFailure(&g_sim.ButtonFailure, &failure)) {
        g_sim.Status.ButtonFailed++;
        KeReleaseSpinLock(&g_sim.Lock, irql);
        return CompleteIrp(irp, (NTSTATUS)failure.Value, 0);
    }
    if (g_sim.Status.Mode == KVFBSIM_MODE_COMPLETE_AT_ONCE) {
        report = 0;
        if (g_sim.QueueCount > 0) {
            report = g_sim.Queue[g_sim.QueueHead];
            g_sim.QueueHead = (g_sim.QueueHead + 1) % KVFB_REPORT_QUEUE_LENGTH;
            g_sim.QueueCount--;
            g_sim.Status.ReportsQueued = g_sim.QueueCount;
        }
        g_sim.Status.ButtonCompleted++;
        KeReleaseSpinLock(&g_sim.Lock, irql);
        CompleteWithReport(irp, report);
        return STATUS_SUCCESS;
    }

    /* Always pending, even with a report queued: the caller sees
     * ERROR_IO_PENDING and its event, as with the real driver. */
    IoMarkIrpPending(irp);
    if (g_sim.QueueCount > 0) {
        report = g_sim.Queue[g_sim.QueueHead];
        g_sim.QueueHead = (g_sim.QueueHead + 1) % KVFB_REPORT_QUEUE_LENGTH;
        g_sim.QueueCount--;
        g_sim.Status.ReportsQueued = g_sim.QueueCount;
        g_sim.Status.ButtonCompleted++;
        KeReleaseSpinLock(&g_sim.Lock, irql);
        CompleteWithReport(irp, report);
        return STATUS_PENDING;
    }
    IoSetCancelRoutine(irp, CancelButtonRequest);
    if (irp->Cancel && IoSetCancelRoutine(irp, NULL) != NULL) {
        g_sim.Status.ButtonCancelled++;
        KeReleaseSpinLock(&g_sim.Lock, irql);
        CompleteIrp(irp, STATUS_CANCELLED, 0);
        return STATUS_PENDING;
    }
    InsertTailList(&g_sim.Pending, &irp->Tail.Overlay.ListEntry);
    g_sim.Status.PendingNow++;
    KeReleaseSpinLock(&g_sim.Lock, irql);
    return STATUS_PENDING;
}

static ULONG RunEcCommand(KVFB_CHARGE_RECORD *record, BOOLEAN *changed)
{
    KVFBSIM_EC *ec = &g_sim.Status.Ec;
    switch (record->dwCommand) {
    case KVFB_CMD_GET_USB_CHARGE:
        record->dwValue = ec->UsbCharge;
        return 0;
    case KVFB_CMD_GET_BATTERY_LIMIT:
        record->dwValue = ec->BatteryLimit;
        return 0;
    case KVFB_CMD_SET_USB_CHARGE:
        if (record->dwValue > KVFB_USB_CHARGE_MAX)
            return KVFB_EC_STATUS_VALUE_OUT_OF_RANGE;
        ec->UsbCharge = record->dwValue;
        *changed = TRUE;
        return 0;
    case KVFB_CMD_SET_BATTERY_LIMIT:
        if (record->dwValue > KVFB_BATTERY_LIMIT_MAX)
            return KVFB_EC_STATUS_VALUE_OUT_OF_RANGE;
        ec->BatteryLimit = record->dwValue;
        *changed = TRUE;
        return 0;
    default:
        return KVFB_EC_STATUS_UNKNOWN_COMMAND;
    }
}

/* Carries out one charge request against the embedded controller and
 * completes it: an armed failure first, else the command. At PASSIVE_LEVEL
 * without the state lock (the EC's values are saved). */
static NTSTATUS CarryOutCharge(PIRP irp)
{
    KIRQL irql;
    KVFBSIM_FAILURE failure;
    KVFB_CHARGE_RECORD record;
    BOOLEAN changed = FALSE;
    KVFBSIM_EC ec;

    RtlCopyMemory(&record, irp->AssociatedIrp.SystemBuffer, sizeof(record));
    KeAcquireSpinLock(&g_sim.Lock, &irql);
    if (TakeFailure(&g_sim.ChargeFailure, &failure)) {
        g_sim.Status.ChargeFailed++;
        if (failure.Kind == KVFBSIM_FAIL_NTSTATUS) {
            KeReleaseSpinLock(&g_sim.Lock, irql);
            return CompleteIrp(irp, (NTSTATUS)failure.Value, 0);
        }
        record.dwStatus = failure.Value;
    } else {
        record.dwStatus = RunEcCommand(&record, &changed);
    }
    {
        ULONG slot = g_sim.Status.ChargeLogCount;
        if (slot == KVFBSIM_CHARGE_LOG_LENGTH) {
            RtlMoveMemory(&g_sim.Status.ChargeLog[0], &g_sim.Status.ChargeLog[1],
                          sizeof(record) * (KVFBSIM_CHARGE_LOG_LENGTH - 1));
            slot--;
        } else {
            g_sim.Status.ChargeLogCount++;
        }
        g_sim.Status.ChargeLog[slot] = record;
    }
    ec = g_sim.Status.Ec;
    KeReleaseSpinLock(&g_sim.Lock, irql);

    if (changed)
        SaveEc(ec);
    RtlCopyMemory(irp->AssociatedIrp.SystemBuffer, &record, sizeof(record));
    return CompleteIrp(irp, STATUS_SUCCESS, sizeof(record));
}

static NTSTATUS ChargeRequest(PIRP irp, PIO_STACK_LOCATION stack)
{
    KIRQL irql;
    ULONG delay;
    const LONGLONG now = Now();

    if (stack->Parameters.DeviceIoControl.InputBufferLength < sizeof(KVFB_CHARGE_RECORD) ||
        stack->Parameters.DeviceIoControl.OutputBufferLength < sizeof(KVFB_CHARGE_RECORD))
        return CompleteIrp(irp, STATUS_INVALID_PARAMETER, 0);

    KeAcquireSpinLock(&g_sim.Lock, &irql);
    g_sim.Status.ChargeRequests++;
    delay = g_sim.Status.ChargeDelay;
    if (delay == 0) {
        KeReleaseSpinLock(&g_sim.Lock, irql);
        return CarryOutCharge(irp);
    }
    /* Pended: the caller sees ERROR_IO_PENDING and its event; the worker
     * carries the request out once it is due unless it ends before. */
    IoMarkIrpPending(irp);
    irp->Tail.Overlay.DriverContext[0] = (PVOID)(ULONG_PTR)(now + 10000LL * delay);
    IoSetCancelRoutine(irp, CancelChargeRequest);
    if (irp->Cancel && IoSetCancelRoutine(irp, NULL) != NULL) {
        g_sim.Status.ChargeCancelled++;
        KeReleaseSpinLock(&g_sim.Lock, irql);
        CompleteIrp(irp, STATUS_CANCELLED, 0);
        return STATUS_PENDING;
    }
    InsertTailList(&g_sim.ChargePending, &irp->Tail.Overlay.ListEntry);
    g_sim.Status.ChargePendingNow++;
    KeReleaseSpinLock(&g_sim.Lock, irql);
    WakeChargeWorker();
    return STATUS_PENDING;
}

/* Carries out the oldest pended charge request if it is due (in the order
 * they came, so a later one never overtakes it). FALSE when there was
 * nothing to do now: then *wait is the relative time (negative, 100 ns
 * units) until the oldest is due, or 0 when none is pended. */
static BOOLEAN ServeOldestCharge(LONGLONG *wait)
{
    KIRQL irql;
    PIRP irp = NULL;
    BOOLEAN served = FALSE;
    const LONGLONG now = Now();

    *wait = 0;
    KeAcquireSpinLock(&g_sim.Lock, &irql);
    if (!IsListEmpty(&g_sim.ChargePending)) {
        PIRP oldest = CONTAINING_RECORD(g_sim.ChargePending.Flink, IRP, Tail.Overlay.ListEntry);
        if (CHARGE_DUE(oldest) > now) {
            *wait = now - CHARGE_DUE(oldest);
        } else {
            /* One whose cancel routine runs right now is left to it. */
            if (TakePendingIrp(oldest, &g_sim.Status.ChargePendingNow))
                irp = oldest;
            served = TRUE;
        }
    }
    KeReleaseSpinLock(&g_sim.Lock, irql);
    if (irp != NULL)
        CarryOutCharge(irp);
    return served;
}

/* Serves the pended charge requests as they fall due; it looks at the list
 * again whenever a request comes or ends early. */
static VOID NTAPI ChargeWorker(PVOID context)
{
    PVOID waits[2] = {&g_chargeStop, &g_chargeChanged};
    LARGE_INTEGER timeout;
    UNREFERENCED_PARAMETER(context);

    do {
        while (ServeOldestCharge(&timeout.QuadPart))
            ;
    } while (KeWaitForMultipleObjects(2, waits, WaitAny, Executive, KernelMode, FALSE,
                                      timeout.QuadPart != 0 ? &timeout : NULL,
                                      NULL) != STATUS_WAIT_0);
    PsTerminateSystemThread(STATUS_SUCCESS);
}

static NTSTATUS StartChargeWorker(void)
{
    OBJECT_ATTRIBUTES attributes;
    KeInitializeEvent(&g_chargeChanged, SynchronizationEvent, FALSE);
    KeInitializeEvent(&g_chargeStop, NotificationEvent, FALSE);
    InitializeObjectAttributes(&attributes, NULL, OBJ_KERNEL_HANDLE, NULL, NULL);
    return PsCreateSystemThread(&g_chargeWorker, THREAD_ALL_ACCESS, &attributes, NULL, NULL,
                                ChargeWorker, NULL);
}

/* Every device is gone by now, and with it every pended request. */
static void StopChargeWorker(void)
{
    if (g_chargeWorker == NULL)
        return;
    KeSetEvent(&g_chargeStop, IO_NO_INCREMENT, FALSE);
    ZwWaitForSingleObject(g_chargeWorker, FALSE, NULL);
    ZwClose(g_chargeWorker);
    g_chargeWorker = NULL;
}

static NTSTATUS ButtonDeviceControl(PIRP irp)
{
    PIO_STACK_LOCATION stack = IoGetCurrentIrpStackLocation(irp);
    KIRQL irql;

    switch (stack->Parameters.DeviceIoControl.IoControlCode) {
    case KVFB_IOCTL_WAIT_BUTTON_EVENT:
        return ButtonRequest(irp, stack);
    case KVFB_IOCTL_CHARGE_REQUEST:
        return ChargeRequest(irp, stack);
    default:
        KeAcquireSpinLock(&g_sim.Lock, &irql);
        g_sim.Status.UnknownRequests++;
        KeReleaseSpinLock(&g_sim.Lock, irql);
        return CompleteIrp(irp, STATUS_INVALID_DEVICE_REQUEST, 0);
    }
}

/* ---- \\.\KVFBSIM ---- */

static NTSTATUS InjectReport(ULONG report)
{
    KIRQL irql;
    PIRP irp;

    KeAcquireSpinLock(&g_sim.Lock, &irql);
    g_sim.Status.ReportsInjected++;
    irp = PopPendingIrp(&g_sim.Pending, &g_sim.Status.PendingNow);
    if (irp != NULL) {
        g_sim.Status.ButtonCompleted++;
        KeReleaseSpinLock(&g_sim.Lock, irql);
        CompleteWithReport(irp, report);
        return STATUS_SUCCESS;
    }
    if (g_sim.QueueCount == KVFB_REPORT_QUEUE_LENGTH) {
        g_sim.Status.ReportsDropped++;
    } else {
        g_sim.Queue[(g_sim.QueueHead + g_sim.QueueCount) % KVFB_REPORT_QUEUE_LENGTH] = report;
        g_sim.QueueCount++;
        g_sim.Status.ReportsQueued = g_sim.QueueCount;
    }
    KeReleaseSpinLock(&g_sim.Lock, irql);
    return STATUS_SUCCESS;
}

/* Arms a failure. A button failure fails a request that is pending right
 * now at once; otherwise the next requests fail as they arrive. */
static NTSTATUS SetFailure(const KVFBSIM_FAILURE *failure)
{
    KIRQL irql;
    PIRP irp = NULL;

    if (failure->Target == KVFBSIM_TARGET_BUTTON && failure->Kind != KVFBSIM_FAIL_NTSTATUS)
        return STATUS_INVALID_PARAMETER; /* a button request has no dwStatus */
    if (failure->Target != KVFBSIM_TARGET_BUTTON && failure->Target != KVFBSIM_TARGET_CHARGE)
        return STATUS_INVALID_PARAMETER;
    if (failure->Kind == KVFBSIM_FAIL_NTSTATUS && NT_SUCCESS((NTSTATUS)failure->Value) &&
        failure->Count != 0)
        return STATUS_INVALID_PARAMETER;

    KeAcquireSpinLock(&g_sim.Lock, &irql);
    if (failure->Target == KVFBSIM_TARGET_CHARGE) {
        g_sim.ChargeFailure = *failure;
    } else {
        g_sim.ButtonFailure = *failure;
        if (failure->Count > 0 &&
            (irp = PopPendingIrp(&g_sim.Pending, &g_sim.Status.PendingNow)) != NULL) {
            g_sim.ButtonFailure.Count--;
            g_sim.Status.ButtonFailed++;
        }
    }
    KeReleaseSpinLock(&g_sim.Lock, irql);
    if (irp != NULL)
        CompleteIrp(irp, (NTSTATUS)failure->Value, 0);
    return STATUS_SUCCESS;
}

static void Reset(void)
{
    KIRQL irql;
    KVFBSIM_EC ec;
    ULONG opens, closes, pending, chargePending;

    KeAcquireSpinLock(&g_sim.Lock, &irql);
    ec = g_sim.Status.Ec;
    opens = g_sim.Status.Opens;
    closes = g_sim.Status.Closes;
    pending = g_sim.Status.PendingNow;
    chargePending = g_sim.Status.ChargePendingNow;
    RtlZeroMemory(&g_sim.Status, sizeof(g_sim.Status));
    RtlZeroMemory(&g_sim.ChargeFailure, sizeof(g_sim.ChargeFailure));
    RtlZeroMemory(&g_sim.ButtonFailure, sizeof(g_sim.ButtonFailure));
    g_sim.QueueHead = 0;
    g_sim.QueueCount = 0;
    /* Handles and requests that exist stay counted, so that the balance
     * Opens - Closes and the pending counts stay true after a reset. */
    g_sim.Status.Ec = ec;
    g_sim.Status.Opens = opens - closes;
    g_sim.Status.PendingNow = pending;
    g_sim.Status.ChargePendingNow = chargePending;
    KeReleaseSpinLock(&g_sim.Lock, irql);
}

static NTSTATUS ControlDeviceControl(PIRP irp)
{
    PIO_STACK_LOCATION stack = IoGetCurrentIrpStackLocation(irp);
    ULONG inLength = stack->Parameters.DeviceIoControl.InputBufferLength;
    ULONG outLength = stack->Parameters.DeviceIoControl.OutputBufferLength;
    PVOID buffer = irp->AssociatedIrp.SystemBuffer;
    KIRQL irql;

    switch (stack->Parameters.DeviceIoControl.IoControlCode) {
    case KVFBSIM_IOCTL_INJECT_REPORT: {
        ULONG report;
        if (inLength < sizeof(ULONG))
            return CompleteIrp(irp, STATUS_INVALID_PARAMETER, 0);
        RtlCopyMemory(&report, buffer, sizeof(report));
        return CompleteIrp(irp, InjectReport(report), 0);
    }
    case KVFBSIM_IOCTL_SET_FAILURE: {
        KVFBSIM_FAILURE failure;
        if (inLength < sizeof(failure))
            return CompleteIrp(irp, STATUS_INVALID_PARAMETER, 0);
        RtlCopyMemory(&failure, buffer, sizeof(failure));
        return CompleteIrp(irp, SetFailure(&failure), 0);
    }
    case KVFBSIM_IOCTL_SET_MODE: {
        ULONG mode;
        if (inLength < sizeof(ULONG))
            return CompleteIrp(irp, STATUS_INVALID_PARAMETER, 0);
        RtlCopyMemory(&mode, buffer, sizeof(mode));
        if (mode != KVFBSIM_MODE_PENDING && mode != KVFBSIM_MODE_COMPLETE_AT_ONCE)
            return CompleteIrp(irp, STATUS_INVALID_PARAMETER, 0);
        KeAcquireSpinLock(&g_sim.Lock, &irql);
        g_sim.Status.Mode = mode;
        KeReleaseSpinLock(&g_sim.Lock, irql);
        return CompleteIrp(irp, STATUS_SUCCESS, 0);
    }
    case KVFBSIM_IOCTL_GET_STATUS: {
        if (outLength < sizeof(KVFBSIM_STATUS))
            return CompleteIrp(irp, STATUS_BUFFER_TOO_SMALL, 0);
        KeAcquireSpinLock(&g_sim.Lock, &irql);
        g_sim.Status.OpenHandles = g_sim.Status.Opens - g_sim.Status.Closes;
        RtlCopyMemory(buffer, &g_sim.Status, sizeof(KVFBSIM_STATUS));
        KeReleaseSpinLock(&g_sim.Lock, irql);
        return CompleteIrp(irp, STATUS_SUCCESS, sizeof(KVFBSIM_STATUS));
    }
    case KVFBSIM_IOCTL_SET_EC: {
        KVFBSIM_EC ec;
        if (inLength < sizeof(ec))
            return CompleteIrp(irp, STATUS_INVALID_PARAMETER, 0);
        RtlCopyMemory(&ec, buffer, sizeof(ec));
        KeAcquireSpinLock(&g_sim.Lock, &irql);
        g_sim.Status.Ec = ec;
        KeReleaseSpinLock(&g_sim.Lock, irql);
        SaveEc(ec);
        return CompleteIrp(irp, STATUS_SUCCESS, 0);
    }
    case KVFBSIM_IOCTL_RESET:
        Reset();
        return CompleteIrp(irp, STATUS_SUCCESS, 0);
    case KVFBSIM_IOCTL_SET_CHARGE_DELAY: {
        ULONG delay;
        if (inLength < sizeof(ULONG))
            return CompleteIrp(irp, STATUS_INVALID_PARAMETER, 0);
        RtlCopyMemory(&delay, buffer, sizeof(delay));
        if (delay > KVFBSIM_CHARGE_DELAY_MAX)
            return CompleteIrp(irp, STATUS_INVALID_PARAMETER, 0);
        KeAcquireSpinLock(&g_sim.Lock, &irql);
        g_sim.Status.ChargeDelay = delay;
        KeReleaseSpinLock(&g_sim.Lock, irql);
        return CompleteIrp(irp, STATUS_SUCCESS, 0);
    }
    default:
        return CompleteIrp(irp, STATUS_INVALID_DEVICE_REQUEST, 0);
    }
}

/* ---- dispatch ---- */

static NTSTATUS DispatchCreateClose(PDEVICE_OBJECT device, PIRP irp)
{
    PIO_STACK_LOCATION stack = IoGetCurrentIrpStackLocation(irp);
    KIRQL irql;

    if (device != g_control) {
        FDO_EXTENSION *fdo = (FDO_EXTENSION *)device->DeviceExtension;
        if (stack->MajorFunction == IRP_MJ_CLOSE)
            CancelRequestsOfFile(stack->FileObject);
        KeAcquireSpinLock(&g_sim.Lock, &irql);
        if (stack->MajorFunction == IRP_MJ_CREATE) {
            g_sim.Status.Opens++;
            fdo->OpenFiles++;
        } else if (!fdo->Removed) {
            g_sim.Status.Closes++;
            fdo->OpenFiles--;
        }
        KeReleaseSpinLock(&g_sim.Lock, irql);
    }
    return CompleteIrp(irp, STATUS_SUCCESS, 0);
}

static NTSTATUS DispatchCleanup(PDEVICE_OBJECT device, PIRP irp)
{
    if (device != g_control)
        CancelRequestsOfFile(IoGetCurrentIrpStackLocation(irp)->FileObject);
    return CompleteIrp(irp, STATUS_SUCCESS, 0);
}

static NTSTATUS DispatchDeviceControl(PDEVICE_OBJECT device, PIRP irp)
{
    return device == g_control ? ControlDeviceControl(irp) : ButtonDeviceControl(irp);
}

static NTSTATUS DispatchPnp(PDEVICE_OBJECT device, PIRP irp)
{
    FDO_EXTENSION *fdo = (FDO_EXTENSION *)device->DeviceExtension;
    PIO_STACK_LOCATION stack = IoGetCurrentIrpStackLocation(irp);
    PDEVICE_OBJECT lower;
    NTSTATUS status;

    if (device == g_control)
        return CompleteIrp(irp, STATUS_NOT_SUPPORTED, 0);

    lower = fdo->Lower;
    switch (stack->MinorFunction) {
    case IRP_MN_START_DEVICE:
        if (fdo->Interface.Buffer != NULL)
            IoSetDeviceInterfaceState(&fdo->Interface, TRUE);
        irp->IoStatus.Status = STATUS_SUCCESS;
        IoSkipCurrentIrpStackLocation(irp);
        return IoCallDriver(lower, irp);
    case IRP_MN_QUERY_REMOVE_DEVICE:
    case IRP_MN_CANCEL_REMOVE_DEVICE:
    case IRP_MN_QUERY_STOP_DEVICE:
    case IRP_MN_CANCEL_STOP_DEVICE:
    case IRP_MN_STOP_DEVICE:
        irp->IoStatus.Status = STATUS_SUCCESS;
        IoSkipCurrentIrpStackLocation(irp);
        return IoCallDriver(lower, irp);
    case IRP_MN_SURPRISE_REMOVAL:
        if (fdo->OwnsName)
            FailRequestsOnRemoval();
        irp->IoStatus.Status = STATUS_SUCCESS;
        IoSkipCurrentIrpStackLocation(irp);
        return IoCallDriver(lower, irp);
    case IRP_MN_REMOVE_DEVICE:
        if (fdo->OwnsName)
            FailRequestsOnRemoval();
        /* The handles still open on the device count as closed now: Wine
         * sends no close for a handle whose device was deleted, and on
         * Windows a later close is not counted twice. */
        {
            KIRQL irql;
            KeAcquireSpinLock(&g_sim.Lock, &irql);
            g_sim.Status.Closes += fdo->OpenFiles;
            fdo->OpenFiles = 0;
            fdo->Removed = TRUE;
            KeReleaseSpinLock(&g_sim.Lock, irql);
        }
        if (fdo->Interface.Buffer != NULL) {
            IoSetDeviceInterfaceState(&fdo->Interface, FALSE);
            RtlFreeUnicodeString(&fdo->Interface);
        }
        irp->IoStatus.Status = STATUS_SUCCESS;
        IoSkipCurrentIrpStackLocation(irp);
        status = IoCallDriver(lower, irp);
        if (fdo->OwnsName) {
            UNICODE_STRING link;
            RtlInitUnicodeString(&link, KVFB_DOS_DEVICE_NAME);
            IoDeleteSymbolicLink(&link);
            g_nameTaken = FALSE;
        }
        IoDetachDevice(lower);
        IoDeleteDevice(device);
        return status;
    default:
        IoSkipCurrentIrpStackLocation(irp);
        return IoCallDriver(lower, irp);
    }
}

static NTSTATUS DispatchPower(PDEVICE_OBJECT device, PIRP irp)
{
    if (device == g_control)
        return CompleteIrp(irp, STATUS_NOT_SUPPORTED, 0);
    PoStartNextPowerIrp(irp);
    IoSkipCurrentIrpStackLocation(irp);
    return PoCallDriver(((FDO_EXTENSION *)device->DeviceExtension)->Lower, irp);
}

/* The first device node gets \Device\KVFB and its link; further nodes with
 * the same hardware id get unnamed devices, so that they still start and
 * can be removed like the first. */
static NTSTATUS AddDevice(PDRIVER_OBJECT driver, PDEVICE_OBJECT pdo)
{
    UNICODE_STRING name, link;
    PDEVICE_OBJECT device;
    FDO_EXTENSION *fdo;
    BOOLEAN named = !g_nameTaken;
    NTSTATUS status;

    RtlInitUnicodeString(&name, KVFB_NT_DEVICE_NAME);
    status = IoCreateDevice(driver, sizeof(FDO_EXTENSION), named ? &name : NULL,
                            FILE_DEVICE_UNKNOWN, FILE_DEVICE_SECURE_OPEN, FALSE, &device);
    if (!NT_SUCCESS(status))
        return status;
    fdo = (FDO_EXTENSION *)device->DeviceExtension;
    fdo->OwnsName = FALSE;
    if (named) {
        RtlInitUnicodeString(&link, KVFB_DOS_DEVICE_NAME);
        status = IoCreateSymbolicLink(&link, &name);
        if (!NT_SUCCESS(status)) {
            IoDeleteDevice(device);
            return status;
        }
        fdo->OwnsName = TRUE;
        g_nameTaken = TRUE;
    }
    RtlZeroMemory(&fdo->Interface, sizeof(fdo->Interface));
    fdo->OpenFiles = 0;
    fdo->Removed = FALSE;
    fdo->Lower = IoAttachDeviceToDeviceStack(device, pdo);
    if (fdo->Lower == NULL) {
        if (named) {
            IoDeleteSymbolicLink(&link);
            g_nameTaken = FALSE;
        }
        IoDeleteDevice(device);
        return STATUS_NO_SUCH_DEVICE;
    }
    /* Without its interface the device still works; only nobody hears of
     * its coming and going. */
    if (named && !NT_SUCCESS(IoRegisterDeviceInterface(pdo, &g_interfaceClass, NULL, &fdo->Interface)))
        RtlZeroMemory(&fdo->Interface, sizeof(fdo->Interface));
    device->Flags |= DO_BUFFERED_IO | DO_POWER_PAGABLE;
    device->Flags &= ~DO_DEVICE_INITIALIZING;
    return STATUS_SUCCESS;
}

static VOID DriverUnload(PDRIVER_OBJECT driver)
{
    UNICODE_STRING link;
    UNREFERENCED_PARAMETER(driver);
    StopChargeWorker();
    if (g_control != NULL) {
        RtlInitUnicodeString(&link, KVFBSIM_DOS_DEVICE_NAME);
        IoDeleteSymbolicLink(&link);
        IoDeleteDevice(g_control);
        g_control = NULL;
    }
}

NTSTATUS NTAPI DriverEntry(PDRIVER_OBJECT driver, PUNICODE_STRING registryPath)
{
    UNICODE_STRING name, link;
    NTSTATUS status;

    RtlZeroMemory(&g_sim, sizeof(g_sim));
    KeInitializeSpinLock(&g_sim.Lock);
    InitializeListHead(&g_sim.Pending);
    InitializeListHead(&g_sim.ChargePending);

    g_parametersPath.Buffer = g_parametersBuffer;
    g_parametersPath.Length = 0;
    g_parametersPath.MaximumLength = sizeof(g_parametersBuffer);
    RtlAppendUnicodeStringToString(&g_parametersPath, registryPath);
    RtlAppendUnicodeToString(&g_parametersPath, L"\\Parameters");
    LoadEc();

    driver->MajorFunction[IRP_MJ_CREATE] = DispatchCreateClose;
    driver->MajorFunction[IRP_MJ_CLOSE] = DispatchCreateClose;
    driver->MajorFunction[IRP_MJ_CLEANUP] = DispatchCleanup;
    driver->MajorFunction[IRP_MJ_DEVICE_CONTROL] = DispatchDeviceControl;
    driver->MajorFunction[IRP_MJ_PNP] = DispatchPnp;
    driver->MajorFunction[IRP_MJ_POWER] = DispatchPower;
    driver->DriverExtension->AddDevice = AddDevice;
    driver->DriverUnload = DriverUnload;

    RtlInitUnicodeString(&name, KVFBSIM_NT_DEVICE_NAME);
    status = IoCreateDevice(driver, 0, &name, FILE_DEVICE_UNKNOWN, FILE_DEVICE_SECURE_OPEN, FALSE,
                            &g_control);
    if (!NT_SUCCESS(status))
        return status;
    RtlInitUnicodeString(&link, KVFBSIM_DOS_DEVICE_NAME);
    status = IoCreateSymbolicLink(&link, &name);
    if (!NT_SUCCESS(status)) {
        IoDeleteDevice(g_control);
        g_control = NULL;
        return status;
    }
    status = StartChargeWorker();
    if (!NT_SUCCESS(status)) {
        IoDeleteSymbolicLink(&link);
        IoDeleteDevice(g_control);
        g_control = NULL;
        return status;
    }
    g_control->Flags |= DO_BUFFERED_IO;
    g_control->Flags &= ~DO_DEVICE_INITIALIZING;
    return STATUS_SUCCESS;
}
