// Exports of the control library. The session, notification and charge
// operations are not built yet: every export reports failure until then.
#include "KivoFCtrl.h"

extern "C" {

int32_t KVFOpen(void) { return -1; }

int32_t KVFClose(void) { return 0; }

int32_t KVFSetCallbackFunc(KVF_BUTTON_CALLBACK callback)
{
    (void)callback;
    return -1;
}

int32_t KVFGetUSBChargeStat(void) { return -1; }

int32_t KVFGetButteryChargeLimitStat(void) { return -1; }

int32_t KVFSetUSBChargeStat(uint32_t value)
{
    (void)value;
    return -1;
}

int32_t KVFSetButteryChargeLimitStat(uint32_t value)
{
    (void)value;
    return -1;
}

} // extern "C"
