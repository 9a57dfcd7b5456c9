#include "app/kivo_function_button_wnd.h"

#include <shellapi.h>
#include <wtsapi32.h>

#include "KivoFCtrl.h"
#include "callback/callback_parameter.h"
#include "callback/notify_callback.h"
#include "charge/charge_action.h"
#include "dialog/kivo_function_button_dlg.h"
#include "errors/error_manager.h"
#include "errors/error_message.h"
#include "framework/load_string.h"
#include "resource.h"
#include "app/charge_tip.h"
#include "app/tool_tip.h"

namespace {

// The wait for the input desktop at start-up: the first try at once, the
// others on a timer.
constexpr int kInputDesktopAttempts = 3000;
constexpr UINT kInputDesktopPollMs = 400;
// Resume and device events come in pairs and bursts; one reopening follows
// them.
constexpr UINT_PTR kRecoveryTimer = 1;
constexpr UINT kRecoveryDelayMs = 1000;
// How often the program looks whether the callbacks still come: a driver
// that fails the pending request ends them without any event.
constexpr UINT_PTR kWatchTimer = 2;
constexpr UINT kWatchPeriodMs = 2000;
// A driver that fails every request is not asked again every few seconds
// for ever (each new session also writes the charge options to the
// controller): the delay doubles up to five minutes, and a session that
// delivered a report or lasted a minute counts as working.
constexpr UINT kMostBackoffMs = 5 * 60 * 1000;
constexpr ULONGLONG kWorkingSessionMs = 60 * 1000;

} // namespace

CKivoFunctionButtonWnd::CKivoFunctionButtonWnd() noexcept : m_nBackoffMs(kRecoveryDelayMs) {}

int CKivoFunctionButtonWnd::OnCreate(LPCREATESTRUCTW createStruct)
{
    (void)createStruct;
    if (Default() == -1)
        return -1;
    LoadToolTip();
    m_hIcon = LoadTrayIcon(IDR_MAINFRAME);
    NotifyIcon(NIM_ADD, m_hIcon, TOOL_TIP);
    m_SessionNotification.Register(m_hWnd);
    m_DeviceWatch.Start(m_hWnd);
    m_PowerWatch.Start(m_hWnd);
    m_SetupCloseWatch.Start(m_hWnd);
    SetTimer(m_hWnd, kWatchTimer, kWatchPeriodMs, nullptr);

    // A box's loop may see the end of the session: once the window is gone,
    // start-up ends.
    m_Parameter.Load(m_hWnd);
    if (checkLastError() || m_hWnd == nullptr)
        return -1;
    const int failed = m_Parameter.SetCallBackParameter();
    if (checkLastError() || m_hWnd == nullptr)
        return -1;
    SetButtonFunctionErorr(failed);
    checkLastError();
    if (m_hWnd == nullptr)
        return -1;

    // Usually the desktop is there at once, and a failure still ends the
    // start-up; else the window answers messages while it waits.
    if (!CInputDesktopWait::InputDesktopOpens()) {
        m_InputDesktopWait.Start(m_hWnd, kInputDesktopAttempts - 1, kInputDesktopPollMs,
                                 [this](bool found) { OnInputDesktopWaitEnded(found); });
        return 0;
    }
    if (ThreadDesktopReceivesInput(true)) {
        if (!StartNotifyThread())
            return -1;
        m_bNotify = true;
    }
    return 0;
}

void CKivoFunctionButtonWnd::OnInputDesktopWaitEnded(bool found)
{
    // A connect meanwhile started notification already.
    if (m_bNotify || !ThreadDesktopReceivesInput(found))
        return;
    if (!StartNotifyThread()) {
        PostMessageW(WM_CLOSE, 0, 0);
        return;
    }
    m_bNotify = true;
}

BOOL CKivoFunctionButtonWnd::StartNotifyThread()
{
    const _kvf_error_id failure = OpenNotification();
    if (failure == KVF_ERROR_NONE)
        return TRUE;
    if (failure == KVF_ERROR_CHARGE_TIMEOUT) {
        // Another program's request holds the driver: no reason to end. The
        // session counts as one that stopped, and the watch opens it anew
        // with its back-off.
        KVFClose();
        m_bOpen = false;
        return TRUE;
    }
    SetError(failure);
    checkLastError();
    return FALSE;
}

_kvf_error_id CKivoFunctionButtonWnd::OpenNotification()
{
    // A call that waited its bound for another program's request is no
    // missing driver.
    if (KVFOpen() != 0)
        return GetLastError() == ERROR_TIMEOUT ? KVF_ERROR_CHARGE_TIMEOUT : KVF_ERROR_DRIVER_OPEN;
    m_bOpen = true;
    ReportPolicyRefusal();
    m_ullSessionOpened = GetTickCount64();
    m_nReportsAtOpen = ReportsReceived();
    InitializeCallBackFunction(m_hWnd);
    const int32_t registered = KVFSetCallbackFunc(Notify_CallBack);
    if (registered == -2)
        return KVF_ERROR_ALREADY_EXECUTING;
    if (registered == -1)
        return KVF_ERROR_NOTIFY_THREAD;
    // Without it the session still runs, but a removal of the device then
    // waits for the program's end.
    if (!m_HandleWatch.Start(m_hWnd))
        OutputDebugStringW(L"RegisterDeviceNotification on the device handle failed\n");
    // The power state may have changed while no session was open (the
    // program was not running, the machine slept).
    FollowPowerState();
    UpdateTrayTip();
    return KVF_ERROR_NONE;
}

LRESULT CKivoFunctionButtonWnd::OnPowerBroadcast(WPARAM wParam, LPARAM lParam)
{
    // Both resume events come after one sleep: the timer makes them one.
    if (wParam == PBT_APMRESUMEAUTOMATIC || wParam == PBT_APMRESUMESUSPEND)
        ScheduleRecovery(kRecoveryDelayMs);
    else if (CPowerWatch::IsPowerStateChange(wParam, lParam))
        FollowPowerState();
    return TRUE;
}

LRESULT CKivoFunctionButtonWnd::OnSettingChange(WPARAM wParam, LPARAM lParam)
{
    (void)wParam;
    const auto *area = reinterpret_cast<const WCHAR *>(lParam);
    if (area != nullptr && wcscmp(area, L"Policy") == 0)
        ScheduleRecovery(kRecoveryDelayMs);
    return 0;
}

void CKivoFunctionButtonWnd::FollowPowerState()
{
    if (!m_bOpen)
        return;
    const std::wstring back = FollowFullChargeOnce();
    if (back.empty())
        return;
    UpdateTrayTip();
    ShowChargeBalloon(back);
}

void CKivoFunctionButtonWnd::UpdateTrayTip()
{
    SetTip(ChargeStateTip(TOOL_TIP, m_bOpen));
}

LRESULT CKivoFunctionButtonWnd::OnChargeAction(WPARAM wParam, LPARAM lParam)
{
    (void)lParam;
    const ChargeOutcome outcome = RunChargeAction(static_cast<int>(wParam));
    UpdateTrayTip();
    if (outcome.done) {
        ShowChargeBalloon(outcome.text);
        return 0;
    }
    // The library gives up waiting after its bound, so the window keeps
    // answering; a request held up that long may still reach the
    // controller, which is no refusal.
    SetError(GetLastError() == ERROR_TIMEOUT ? KVF_ERROR_CHARGE_TIMEOUT : KVF_ERROR_CHARGE_ACTION);
    checkLastError();
    return 0;
}

// A value the machine policy fixes that the controller refused leaves the
// session open (the buttons work); the user hears of it once, not at every
// resume or policy refresh that tries it again.
void CKivoFunctionButtonWnd::ReportPolicyRefusal()
{
    const bool refused = (KVFGetChargePolicy() & KVF_POLICY_REFUSED) != 0;
    if (refused && !m_bPolicyRefusalShown)
        ShowChargeBalloon(LoadResourceString(IDS_CHARGE_POLICY_REFUSED, 256));
    m_bPolicyRefusalShown = refused;
}

void CKivoFunctionButtonWnd::ShowChargeBalloon(const std::wstring &text)
{
    ShowBalloon(LoadResourceString(IDS_CHARGE_TITLE, 64).c_str(), text.c_str());
}

LRESULT CKivoFunctionButtonWnd::OnDeviceChange(WPARAM wParam, LPARAM lParam)
{
    const CDeviceHandleWatch::Event handleEvent = m_HandleWatch.Classify(wParam, lParam);
    if (handleEvent != CDeviceHandleWatch::Event::None)
        return OnDeviceHandleEvent(handleEvent);
    switch (CDeviceWatch::Classify(wParam, lParam)) {
    case CDeviceWatch::Event::Arrived:
        // A new device: the session of before, if any, speaks to the old one.
        m_bDeviceLeaving = false;
        ScheduleRecovery(kRecoveryDelayMs);
        break;
    case CDeviceWatch::Event::Removed:
        // Nothing to show: this is no failure yet.
        DeviceGone();
        break;
    case CDeviceWatch::Event::None:
        break;
    }
    return TRUE;
}

LRESULT CKivoFunctionButtonWnd::OnDeviceHandleEvent(CDeviceHandleWatch::Event event)
{
    switch (event) {
    case CDeviceHandleWatch::Event::QueryRemove:
        // The handle is closed before the answer, or the removal fails; the
        // registration stays for the outcome. Nothing to show, and nothing
        // (a resume, a policy refresh) opens the device until the outcome.
        LetGoOfDevice();
        m_bDeviceLeaving = true;
        break;
    case CDeviceHandleWatch::Event::QueryRemoveFailed:
        // The device stays: a session of its own, registered anew.
        m_bDeviceLeaving = false;
        if (!m_bNotify) {
            m_HandleWatch.Stop();
            ScheduleRecovery(kRecoveryDelayMs);
        }
        break;
    case CDeviceHandleWatch::Event::Removed:
        DeviceGone();
        break;
    case CDeviceHandleWatch::Event::None:
        break;
    }
    return TRUE;
}

void CKivoFunctionButtonWnd::DeviceGone()
{
    // Its return (the interface's arrival) brings the session back.
    m_bDeviceLeaving = false;
    LetGoOfDevice();
    m_HandleWatch.Stop();
}

void CKivoFunctionButtonWnd::LetGoOfDevice()
{
    // A reopening asked for before, or after a box, would take the device
    // back while it is going.
    KillTimer(m_hWnd, kRecoveryTimer);
    m_bRecoveryScheduled = false;
    m_bRecoverAfterBox = false;
    if (m_bNotify)
        m_bRecover = true;
    if (m_bOpen) {
        KVFClose();
        m_bOpen = false;
    }
    m_bNotify = false;
}

LRESULT CKivoFunctionButtonWnd::OnTimer(WPARAM wParam, LPARAM lParam)
{
    (void)lParam;
    switch (wParam) {
    case kRecoveryTimer:
        KillTimer(m_hWnd, kRecoveryTimer);
        m_bRecoveryScheduled = false;
        Recover();
        return 0;
    case kWatchTimer:
        if (m_bNotify && !m_bRecoveryScheduled && KVFIsNotifying() == 0)
            ScheduleRecovery(NextBackoffDelay());
        return 0;
    default:
        return Default();
    }
}

void CKivoFunctionButtonWnd::ScheduleRecovery(UINT delayMs)
{
    if (m_bDeviceLeaving)
        return;
    if ((m_bNotify || m_bRecover) && SetTimer(m_hWnd, kRecoveryTimer, delayMs, nullptr) != 0)
        m_bRecoveryScheduled = true;
}

UINT CKivoFunctionButtonWnd::NextBackoffDelay()
{
    if (ReportsReceived() != m_nReportsAtOpen || GetTickCount64() - m_ullSessionOpened >= kWorkingSessionMs)
        m_nBackoffMs = kRecoveryDelayMs;
    const UINT delay = m_nBackoffMs;
    m_nBackoffMs = m_nBackoffMs < kMostBackoffMs / 2 ? m_nBackoffMs * 2 : kMostBackoffMs;
    return delay;
}

void CKivoFunctionButtonWnd::Recover()
{
    if (!m_bNotify && !m_bRecover)
        return;
    if (m_nBoxesOpen > 0) {
        m_bRecoverAfterBox = true;
        return;
    }
    // The session of before the sleep may have lost its driver: a new one,
    // which also applies the stored charge options again.
    const _kvf_error_id failure = OpenSessionAnew();
    // Held up by another program: the watch tries again, nothing to show.
    if (failure == KVF_ERROR_NONE || failure == KVF_ERROR_CHARGE_TIMEOUT)
        return;
    // Shown once; the next resume or device arrival tries again, and the
    // program goes on.
    m_bRecover = true;
    SetError(failure);
    checkLastError();
}

void CKivoFunctionButtonWnd::OnSessionChange(UINT nSessionState, UINT nId)
{
    (void)nId;
    switch (nSessionState) {
    case WTS_CONSOLE_CONNECT:
    case WTS_REMOTE_CONNECT:
        // The session has the console: nothing more to wait for.
        m_InputDesktopWait.Stop();
        if (!m_bNotify)
            ConnectNotification();
        break;
    case WTS_CONSOLE_DISCONNECT:
    case WTS_REMOTE_DISCONNECT:
        m_bRecover = false;
        m_bRecoverAfterBox = false;
        if (m_bNotify) {
            if (m_bOpen) {
                KVFClose();
                m_bOpen = false;
            }
            m_bNotify = false;
        }
        m_HandleWatch.Stop();
        break;
    default:
        break;
    }
    Default();
}

_kvf_error_id CKivoFunctionButtonWnd::OpenSessionAnew()
{
    KVFClose();
    m_bOpen = false;
    m_HandleWatch.Stop();
    const _kvf_error_id failure = OpenNotification();
    m_bNotify = failure == KVF_ERROR_NONE || failure == KVF_ERROR_CHARGE_TIMEOUT;
    if (failure == KVF_ERROR_NONE) {
        m_bRecover = false;
    } else {
        KVFClose();
        m_bOpen = false;
    }
    return failure;
}

void CKivoFunctionButtonWnd::ConnectNotification()
{
    const _kvf_error_id failure = OpenSessionAnew();
    if (failure == KVF_ERROR_NONE || failure == KVF_ERROR_CHARGE_TIMEOUT)
        return;
    if (failure == KVF_ERROR_DRIVER_OPEN) {
        // The device is away: said once, then the program waits for it as a
        // recovery does, instead of ending.
        const bool said = m_bRecover;
        m_bRecover = true;
        if (!said) {
            SetError(failure);
            checkLastError();
        }
        return;
    }
    SetError(failure);
    checkLastError();
    PostMessageW(WM_CLOSE, 0, 0);
}

BOOL CKivoFunctionButtonWnd::OnQueryEndSession()
{
    return TRUE;
}

void CKivoFunctionButtonWnd::OnEndSession(BOOL ending)
{
    if (!ending)
        return;
    ReleaseAll();
    // Where Windows lets the program run on, it ends as after any close.
    PostMessageW(WM_CLOSE, 0, 0);
}

void CKivoFunctionButtonWnd::OnDestroy()
{
    ReleaseAll();
    Default();
}

void CKivoFunctionButtonWnd::ReleaseAll()
{
    m_InputDesktopWait.Stop();
    KillTimer(m_hWnd, kRecoveryTimer);
    KillTimer(m_hWnd, kWatchTimer);
    m_DeviceWatch.Stop();
    m_PowerWatch.Stop();
    m_SetupCloseWatch.Stop();
    if (m_bOpen) {
        KVFClose();
        m_bOpen = false;
    }
    m_bNotify = false;
    m_SessionNotification.Unregister();
    NotifyIcon(NIM_DELETE, nullptr, nullptr);
}

LRESULT CKivoFunctionButtonWnd::OnThreadError(WPARAM wParam, LPARAM lParam)
{
    (void)wParam;
    (void)lParam;
    checkLastError();
    return 0;
}

void CKivoFunctionButtonWnd::ShowDlg()
{
    CKivoFunctionButtonDlg::CreateInstance(&m_Parameter, this);
}

BOOL CKivoFunctionButtonWnd::checkLastError()
{
    const PendingErrorMessage pending = LoadPendingErrorMessage(GetModuleHandleW(nullptr));
    const UINT type = ErrorBoxType(pending.level);
    if (type == 0)
        return FALSE;
    ++m_nBoxesOpen;
    MessageBoxW(m_hWnd, pending.message, pending.caption, type);
    --m_nBoxesOpen;
    // A reopening asked for while the box was open comes now.
    if (m_nBoxesOpen == 0 && m_bRecoverAfterBox && m_hWnd != nullptr) {
        m_bRecoverAfterBox = false;
        ScheduleRecovery(kRecoveryDelayMs);
    }
    return pending.level == KVF_LEVEL_ERROR ? TRUE : FALSE;
}

const MessageMap *CKivoFunctionButtonWnd::GetMessageMap() const noexcept
{
    static const MessageEntry entries[] = {
        {WM_CREATE, 0,
         [](CWnd &w, WPARAM, LPARAM lParam) -> LRESULT {
             return static_cast<CKivoFunctionButtonWnd &>(w).OnCreate(
                 reinterpret_cast<LPCREATESTRUCTW>(lParam));
         }},
        {WM_DESTROY, 0,
         [](CWnd &w, WPARAM, LPARAM) -> LRESULT {
             static_cast<CKivoFunctionButtonWnd &>(w).OnDestroy();
             return 0;
         }},
        {WM_THREAD_ERROR, 0,
         [](CWnd &w, WPARAM wParam, LPARAM lParam) -> LRESULT {
             return static_cast<CKivoFunctionButtonWnd &>(w).OnThreadError(wParam, lParam);
         }},
        {WM_WTSSESSION_CHANGE, 0,
         [](CWnd &w, WPARAM wParam, LPARAM lParam) -> LRESULT {
             static_cast<CKivoFunctionButtonWnd &>(w).OnSessionChange(static_cast<UINT>(wParam),
                                                                      static_cast<UINT>(lParam));
             return 0;
         }},
        {WM_POWERBROADCAST, 0,
         [](CWnd &w, WPARAM wParam, LPARAM lParam) -> LRESULT {
             return static_cast<CKivoFunctionButtonWnd &>(w).OnPowerBroadcast(wParam, lParam);
         }},
        {WM_SETTINGCHANGE, 0,
         [](CWnd &w, WPARAM wParam, LPARAM lParam) -> LRESULT {
             return static_cast<CKivoFunctionButtonWnd &>(w).OnSettingChange(wParam, lParam);
         }},
        {WM_KIVO_CHARGE_ACTION, 0,
         [](CWnd &w, WPARAM wParam, LPARAM lParam) -> LRESULT {
             return static_cast<CKivoFunctionButtonWnd &>(w).OnChargeAction(wParam, lParam);
         }},
        {WM_DEVICECHANGE, 0,
         [](CWnd &w, WPARAM wParam, LPARAM lParam) -> LRESULT {
             return static_cast<CKivoFunctionButtonWnd &>(w).OnDeviceChange(wParam, lParam);
         }},
        {WM_TIMER, 0,
         [](CWnd &w, WPARAM wParam, LPARAM lParam) -> LRESULT {
             return static_cast<CKivoFunctionButtonWnd &>(w).OnTimer(wParam, lParam);
         }},
        {WM_QUERYENDSESSION, 0,
         [](CWnd &w, WPARAM, LPARAM) -> LRESULT {
             return static_cast<CKivoFunctionButtonWnd &>(w).OnQueryEndSession();
         }},
        {WM_ENDSESSION, 0,
         [](CWnd &w, WPARAM wParam, LPARAM) -> LRESULT {
             static_cast<CKivoFunctionButtonWnd &>(w).OnEndSession(static_cast<BOOL>(wParam));
             return 0;
         }},
    };
    static const MessageMap map = MakeMessageMap(CNotifyIcon::GetMessageMap(), entries);
    return &map;
}
