// The hidden main window: the tray icon, the button settings, the session
// with the control library, and the reactions to session changes and to
// the end of the Windows session.
#pragma once

#include <windows.h>

#include <string>

#include "app/device_handle_watch.h"
#include "app/device_watch.h"
#include "app/input_desktop_wait.h"
#include "app/notify_icon.h"
#include "app/power_watch.h"
#include "app/session_notification.h"
#include "app/setup_close_watch.h"
#include "errors/error_info.h"
#include "parameter/function_button_parameter.h"

// Posted by the notification thread after a failed action.
constexpr UINT WM_THREAD_ERROR = WM_USER + 110; // 0x046E

class CKivoFunctionButtonWnd : public CNotifyIcon {
public:
    CKivoFunctionButtonWnd() noexcept;

    void ShowDlg();
    void DoRButtonClick() override { ShowDlg(); }

    // Opens the control library session and registers the button callback;
    // FALSE after showing why not (18, 19 or 20).
    BOOL StartNotifyThread();

    // Shows the pending error; TRUE when it is fatal.
    BOOL checkLastError();

    int OnCreate(LPCREATESTRUCTW createStruct);
    void OnDestroy();
    LRESULT OnThreadError(WPARAM wParam, LPARAM lParam);
    void OnSessionChange(UINT nSessionState, UINT nId);
    // Another program may still cancel the end: nothing ends here.
    BOOL OnQueryEndSession();
    // Windows may end the process as soon as this returns: a session that
    // ends is let go of before (ending TRUE); a cancelled one goes on.
    void OnEndSession(BOOL ending);
    // After a sleep, after the device came back, and when the callbacks
    // stopped because the driver failed a request, the library session is
    // opened anew (see Recover).
    LRESULT OnPowerBroadcast(WPARAM wParam, LPARAM lParam);
    LRESULT OnDeviceChange(WPARAM wParam, LPARAM lParam);
    LRESULT OnTimer(WPARAM wParam, LPARAM lParam);
    // A refreshed machine policy ("Policy") is applied at once: the session
    // opened anew writes what the policy fixes to the controller.
    LRESULT OnSettingChange(WPARAM wParam, LPARAM lParam);
    // A charge item's button was pressed (wParam: the item kind): the
    // action runs here, and a balloon or a warning box says how it went.
    LRESULT OnChargeAction(WPARAM wParam, LPARAM lParam);

protected:
    const MessageMap *GetMessageMap() const noexcept override;

    // KVFOpen, the callback record's window and mutex, KVFSetCallbackFunc;
    // the error id of the step that failed, nothing shown.
    _kvf_error_id OpenNotification();
    // One reopening, delayMs after the last of a burst of events.
    void ScheduleRecovery(UINT delayMs);
    // Closes and reopens the library session; a failure is shown once and
    // the program waits for the next resume or device arrival. Never while
    // one of this window's boxes is open: it follows when the box closes.
    void Recover();
    // The delay before reopening a session whose callbacks stopped: it
    // doubles while sessions keep failing at once, and starts again after a
    // session that delivered a report or lasted a minute.
    UINT NextBackoffDelay();
    // Closes whatever session there is and opens a new one; on failure
    // nothing is left open. The error id of the step that failed.
    _kvf_error_id OpenSessionAnew();
    // Notification at a session connect; a device that is away is said
    // once and then waited for.
    void ConnectNotification();
    // The input desktop came (or never did): notification starts as it
    // would have at start-up.
    void OnInputDesktopWaitEnded(bool found);
    // The tray tip tells the charge state of now.
    void UpdateTrayTip();
    // What the end of the program lets go of; once is enough.
    void ReleaseAll();
    // A one-time full charge whose end has come (the charger unplugged, the
    // battery full) ends, and the balloon says which limit is back.
    void FollowPowerState();
    void ShowChargeBalloon(const std::wstring &text);
    void ReportPolicyRefusal();
    // What Windows asks of the holders of the device handle before the
    // device is disabled, updated or removed; TRUE lets it go on.
    LRESULT OnDeviceHandleEvent(CDeviceHandleWatch::Event event);
    // Closes the session at once (no pending reopening) and, if notification
    // ran, waits for the device to come back.
    void LetGoOfDevice();
    // The device is gone (removed, or its removal done): nothing stays
    // open or registered, and its return brings the session back.
    void DeviceGone();

private:
    HICON m_hIcon = nullptr;
    CFunctionButtonParameter m_Parameter;
    bool m_bOpen = false;
    bool m_bNotify = false;
    // Notification should run, but the device is gone or the last recovery
    // failed: the next resume or device arrival tries again.
    bool m_bRecover = false;
    bool m_bRecoveryScheduled = false;
    // The session of now: when it was opened, and the reports seen then.
    ULONGLONG m_ullSessionOpened = 0;
    unsigned long m_nReportsAtOpen = 0;
    UINT m_nBackoffMs;
    // Boxes of this window now open; a reopening asked for meanwhile.
    int m_nBoxesOpen = 0;
    bool m_bRecoverAfterBox = false;
    CDeviceWatch m_DeviceWatch;
    // Held while a session is open, and after a removal query until its
    // outcome.
    CDeviceHandleWatch m_HandleWatch;
    // Windows asked to remove the device and the session let go: until the
    // outcome (the removal failed, or it is done) nothing reopens it.
    bool m_bDeviceLeaving = false;
    // The balloon about a refused policy value was shown, and no session's
    // start has found the value accepted since.
    bool m_bPolicyRefusalShown = false;
    CPowerWatch m_PowerWatch;
    CSetupCloseWatch m_SetupCloseWatch;
    CSessionNotification m_SessionNotification;
    CInputDesktopWait m_InputDesktopWait;
};
