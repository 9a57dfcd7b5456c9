// Public interface of the function button control library KivoFCtrl.dll.
//
// Results: 0 success, -1 failure, -2 a notification registration exists
// already in this logon session; the charge getters return the value or -1.
#pragma once

#include <stdint.h>

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

#ifdef __cplusplus
}
#endif
