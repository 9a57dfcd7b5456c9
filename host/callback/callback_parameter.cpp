#include "callback/callback_parameter.h"

#include "actions/velmo_assistant.h"
#include "win32/mutex_lock.h"

_callbackParam gCallBackParameter{};
// Null until the first InitializeCallBackFunction: the record is then used
// without the lock, as nobody else uses it yet.
HANDLE hMutexParameter = nullptr;

BOOL InitializeCallBackFunction(HWND hWnd) noexcept
{
    gCallBackParameter.hWnd = hWnd;
    HANDLE mutex = CreateMutexW(nullptr, FALSE, L"gCallBackParameter");
    if (mutex == nullptr)
        return FALSE;
    // A later start of notification (session connect) obtains the same
    // mutex again. The first handle stays: a callback of the session that
    // just ended may still be waiting on it.
    if (hMutexParameter == nullptr)
        hMutexParameter = mutex;
    else
        CloseHandle(mutex);
    InitializeVelmoAssistant();
    return TRUE;
}

void SetParameter(BUTTON_NAME button, const _Param *param) noexcept
{
    if (param == nullptr)
        return;
    const MutexLock lock(hMutexParameter);
    if (button == BUTTON_A)
        gCallBackParameter.ParamA = *param;
    else
        gCallBackParameter.ParamB = *param;
}

void SetButtonAction(DWORD action) noexcept
{
    const MutexLock lock(hMutexParameter);
    gCallBackParameter.dwButtonAction = action;
}

CallBackSnapshot CopyCallBackParameter() noexcept
{
    const MutexLock lock(hMutexParameter);
    return CallBackSnapshot{gCallBackParameter.ParamA, gCallBackParameter.ParamB,
                            gCallBackParameter.dwButtonAction};
}
