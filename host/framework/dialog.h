// A modeless dialog made from a dialog template, with control binding and
// text transfer in DoDataExchange.
#pragma once

#include <windows.h>

#include <cstddef>
#include <string>

#include "framework/wnd.h"

class CDialog;

// Which way DoDataExchange transfers: from the controls into the members
// (save) or from the members into the controls.
struct CDataExchange {
    bool m_bSaveAndValidate;
    CDialog *m_pDlgWnd;
};

// Binds the control with that id to a window object.
void DDX_Control(CDataExchange *pDX, int id, CWnd &control);
// Puts a member's text, cut to limit characters, into the control with
// that id. Texts flow only that way: no dialog of this program reads its
// texts back.
void DDX_Text(CDataExchange *pDX, int id, const std::wstring &text, std::size_t limit);

class CDialog : public CWnd {
public:
    // Creates the dialog window from the template of this program; it shows
    // itself when the template says WS_VISIBLE. FALSE on failure.
    BOOL Create(UINT templateId, CWnd *parent);

    // FALSE: members to controls; TRUE: controls to members.
    BOOL UpdateData(BOOL saveAndValidate = TRUE);

    HWND GetDlgItem(int id) const noexcept { return ::GetDlgItem(m_hWnd, id); }

protected:
    virtual void DoDataExchange(CDataExchange *pDX) { (void)pDX; }
    // Binds and fills the controls; TRUE lets the dialog manager put the
    // focus on the first tab stop.
    virtual BOOL OnInitDialog();
    // The OK and Cancel commands (buttons 1 and 2, Enter and Esc) when no
    // table entry takes them: by default both close the dialog.
    virtual void OnOK();
    virtual void OnCancel();

    // The dialog manager does its own default processing of whatever a
    // dialog procedure leaves unhandled, so there is nothing to call here.
    LRESULT Default() override { return 0; }

private:
    static INT_PTR CALLBACK StaticDialogProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam);
};
