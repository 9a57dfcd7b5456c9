// One charge request, carried out on a thread of its own so that the caller
// can stop waiting for it while the driver pends it.
//
// The driver lock is a mutex, owned by the thread that takes it, and it is
// held from a request's sending to its completion, so that requests of all
// processes stay in turn; a request also ends with the thread that issued
// it. So a worker thread takes the lock, sends, waits for the completion as
// long as the driver takes, releases the lock and ends. The record, the
// OVERLAPPED record and its event live in the worker's own heap object, the
// device and the lock are its own handles (a duplicate and a second handle),
// and it holds a reference to the library's module: a caller that stopped
// waiting, closed its session and unloaded the library takes nothing from
// under a request that is still out.
#pragma once

#include <windows.h>

#include "driver_interface.h"

namespace kvf {

// ERROR_SUCCESS with the record as the driver left it; the system error of
// a request that failed, or of a worker that could not be started (nothing
// is sent then); or ERROR_TIMEOUT when the request had not completed within
// waitMs (at once when waitMs is 0). A request that timed out was either not
// sent (the lock was not had in time, and it never will be sent), or it was
// sent and completes later: it is never cancelled, for the controller may
// take the value all the same, and the lock stays held until then.
DWORD RunChargeRequest(HANDLE device, KVF_CHARGE_REQUEST &record, DWORD waitMs);

} // namespace kvf
