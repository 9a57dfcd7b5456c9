// The settings dialog: which item each function button runs.
//
// Modeless, at most one at a time, and owning itself: CreateInstance makes
// it, and it deletes itself when its window is gone. OK applies the two
// choices to the running button handling, warns about a button that cannot
// act, and writes the choices to the settings file; Cancel and the close
// box discard them.
#pragma once

#include <windows.h>

#include <cstddef>
#include <string>

#include "framework/controls.h"
#include "framework/dialog.h"
#include "parameter/function_button_parameter.h"

class CKivoFunctionButtonDlg : public CDialog {
public:
    // The open dialog, created when none is open (null when it cannot be
    // created). An open dialog is returned untouched.
    static CKivoFunctionButtonDlg *CreateInstance(CFunctionButtonParameter *parameter, CWnd *parent);

    // Shows the pending error as a warning box when its level is 1.
    void checkWarning();

    // The host program's product version; always 0.
    static int getFileVersion(WCHAR *buffer, std::size_t capacity);

    static CKivoFunctionButtonDlg *m_Instance;

protected:
    CKivoFunctionButtonDlg(CFunctionButtonParameter *parameter, CWnd *parent);

    void DoDataExchange(CDataExchange *pDX) override;
    BOOL OnInitDialog() override;
    void OnOK() override;
    void OnCancel() override;
    void PostNcDestroy() override;
    const MessageMap *GetMessageMap() const noexcept override;

    void OnBnClickedInitA();
    void OnBnClickedInitB();
    void OnClose();

private:
    // Destroys the window (the object follows) and forgets the instance.
    void Close();

    CComboBox m_comboButtonA;
    CComboBox m_comboButtonB;
    CFunctionButtonParameter *m_pParameter;
    std::wstring m_strGroupA;
    std::wstring m_strSelectA;
    std::wstring m_strGroupB;
    std::wstring m_strSelectB;
    CButton m_btnDefaultA;
    CButton m_btnDefaultB;
    std::wstring m_strVersion;
    CButton m_btnOK;
    CButton m_btnCancel;
};
