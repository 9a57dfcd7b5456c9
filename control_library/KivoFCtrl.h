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

// Called on the library's notification thread with each 4-byte button report.
typedef void (*KVF_BUTTON_CALLBACK)(uint32_t report);

KVF_API int32_t KVFOpen(void);                                  // ordinal 1
KVF_API int32_t KVFClose(void);                                 // ordinal 2
KVF_API int32_t KVFSetCallbackFunc(KVF_BUTTON_CALLBACK callback); // ordinal 3
KVF_API int32_t KVFGetUSBChargeStat(void);                      // ordinal 4
KVF_API int32_t KVFGetButteryChargeLimitStat(void);             // ordinal 5
KVF_API int32_t KVFSetUSBChargeStat(uint32_t value);            // ordinal 6
KVF_API int32_t KVFSetButteryChargeLimitStat(uint32_t value);   // ordinal 7

#ifdef __cplusplus
}
#endif
