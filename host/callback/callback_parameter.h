// The record the button callback acts on.
//
// The user-interface thread fills it from the settings (at start-up and when
// the settings dialog confirms); the control library's notification thread
// copies it for every report. The named mutex "gCallBackParameter" guards
// it, held only for the copies.
#pragma once

#include <windows.h>

#include <cstddef>

constexpr std::size_t kKickerChars = 260;
constexpr std::size_t kCommandChars = 522;

// One button's action, always copied whole.
struct _Param {
    DWORD dwPreEvent;  // 1: a screen capture before the action
    DWORD dwPathInfo;  // kind of action (ItemKind)
    WCHAR szKicker[kKickerChars];   // the pen application's launcher file name
    WCHAR szCommand[kCommandChars]; // module, blank, option; empty when unresolved
};

struct _callbackParam {
    HWND hWnd;             // gets 0x046E after a failed action
    DWORD dwButtonAction;  // 1: act on press (0 -> 1), else on release (1 -> 0)
    _Param ParamA;
    _Param ParamB;
};

enum BUTTON_NAME : int {
    BUTTON_A = 0,
    BUTTON_B = 1,
};

// Posted to the main window after a failed action; the pending error says
// which.
constexpr UINT WM_KIVO_BUTTON_ERROR = 0x046E;
// Posted by the notification thread for a charge action (wParam: the item
// kind): the main window runs it, since it shows what happened.
constexpr UINT WM_KIVO_CHARGE_ACTION = 0x046F;

extern _callbackParam gCallBackParameter;
extern HANDLE hMutexParameter;

// Stores the window, obtains the mutex and registers the companion's
// start-up message. Runs at every start of notification; FALSE when the
// mutex cannot be created (the record is then used without it).
BOOL InitializeCallBackFunction(HWND hWnd) noexcept;

// Copy a whole record, or the action, under the mutex. Before the mutex
// exists (start-up, nothing registered yet) they write without it.
void SetParameter(BUTTON_NAME button, const _Param *param) noexcept;
void SetButtonAction(DWORD action) noexcept;

// The three values the callback works on, copied in one locked section.
struct CallBackSnapshot {
    _Param paramA;
    _Param paramB;
    DWORD buttonAction;
};
CallBackSnapshot CopyCallBackParameter() noexcept;
