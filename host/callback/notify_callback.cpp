#include "callback/notify_callback.h"

#include <atomic>

#include "actions/executer.h"
#include "callback/callback_parameter.h"
#include "errors/error_manager.h"
#include "settings/item.h"

DWORD gdwButtonStatusA = 1;
DWORD gdwButtonStatusB = 3;

namespace {

std::atomic<unsigned long> reportsReceived{0};

// ERROR_ELEVATION_REQUIRED: the program's manifest asks for rights the host
// does not have.
constexpr DWORD kErrorElevationRequired = 740;

BOOL isOnButton(DWORD v, DWORD action, DWORD released, DWORD pressed, DWORD &stored) noexcept
{
    const DWORD trigger = action == 1 ? pressed : released;
    const DWORD previous = action == 1 ? released : pressed;
    const BOOL due = v == trigger && stored == previous;
    if (v == released || v == pressed)
        stored = v;
    return due;
}

void RunAction(const _Param &param, _kvf_error_id failure) noexcept
{
    if (IsChargeKind(static_cast<int>(param.dwPathInfo))) {
        PostMessageW(gCallBackParameter.hWnd, WM_KIVO_CHARGE_ACTION, param.dwPathInfo, 0);
        return;
    }
    if (executer(&param))
        return;
    SetError(GetLastError() == kErrorElevationRequired ? KVF_ERROR_ELEVATION_REQUIRED : failure);
    PostMessageW(gCallBackParameter.hWnd, WM_KIVO_BUTTON_ERROR, 0, 0);
}

} // namespace

BOOL isOnButtonA(DWORD v, DWORD action) noexcept
{
    return isOnButton(v, action, 0, 1, gdwButtonStatusA);
}

BOOL isOnButtonB(DWORD v, DWORD action) noexcept
{
    return isOnButton(v, action, 2, 3, gdwButtonStatusB);
}

unsigned long ReportsReceived() noexcept
{
    return reportsReceived.load();
}

void Notify_CallBack(uint32_t value)
{
    reportsReceived.fetch_add(1);
    const DWORD v = value & 3;
    const CallBackSnapshot copy = CopyCallBackParameter();
    if (isOnButtonA(v, copy.buttonAction))
        RunAction(copy.paramA, KVF_ERROR_BUTTON_A_EXECUTE);
    if (isOnButtonB(v, copy.buttonAction))
        RunAction(copy.paramB, KVF_ERROR_BUTTON_B_EXECUTE);
}
