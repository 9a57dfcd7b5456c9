#include "callback/callback_parameter.h"

#include "actions/velmo_assistant.h"

_callbackParam gCallBackParameter{};
HANDLE hMutexParameter = nullptr;

namespace {

// Held for one copy. A wait that fails (no mutex yet at start-up) is not
// checked: the copy goes on without the lock, as nobody else is using the
// record then.
class ParameterLock {
public:
    ParameterLock() noexcept
    {
        const DWORD wait = WaitForSingleObject(hMutexParameter, INFINITE);
        owned_ = wait == WAIT_OBJECT_0 || wait == WAIT_ABANDONED;
    }
    ~ParameterLock()
    {
        if (owned_)
            ReleaseMutex(hMutexParameter);
    }
    ParameterLock(const ParameterLock &) = delete;
    ParameterLock &operator=(const ParameterLock &) = delete;

private:
    bool owned_ = false;
};

} // namespace

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
    const ParameterLock lock;
    if (button == BUTTON_A)
        gCallBackParameter.ParamA = *param;
    else
        gCallBackParameter.ParamB = *param;
}

void SetButtonAction(DWORD action) noexcept
{
    const ParameterLock lock;
    gCallBackParameter.dwButtonAction = action;
}

CallBackSnapshot CopyCallBackParameter() noexcept
{
    const ParameterLock lock;
    return CallBackSnapshot{gCallBackParameter.ParamA, gCallBackParameter.ParamB,
                            gCallBackParameter.dwButtonAction};
}
