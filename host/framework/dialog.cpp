#include "framework/dialog.h"

#include "framework/win_app.h"

void DDX_Control(CDataExchange *pDX, int id, CWnd &control)
{
    control.Attach(pDX->m_pDlgWnd->GetDlgItem(id));
}

void DDX_Text(CDataExchange *pDX, int id, const std::wstring &text, std::size_t limit)
{
    if (!pDX->m_bSaveAndValidate)
        ::SetWindowTextW(pDX->m_pDlgWnd->GetDlgItem(id), text.substr(0, limit).c_str());
}

BOOL CDialog::Create(UINT templateId, CWnd *parent)
{
    const HWND created = CreateDialogParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(templateId),
                                            parent != nullptr ? parent->m_hWnd : nullptr, StaticDialogProc,
                                            reinterpret_cast<LPARAM>(this));
    return created != nullptr ? TRUE : FALSE;
}

BOOL CDialog::UpdateData(BOOL saveAndValidate)
{
    CDataExchange exchange{saveAndValidate != FALSE, this};
    DoDataExchange(&exchange);
    return TRUE;
}

BOOL CDialog::OnInitDialog()
{
    UpdateData(FALSE);
    return TRUE;
}

void CDialog::OnOK()
{
    DestroyWindow();
}

void CDialog::OnCancel()
{
    DestroyWindow();
}

INT_PTR CALLBACK CDialog::StaticDialogProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    const ProcedureScope scope;
    if (message == WM_INITDIALOG) {
        auto *self = reinterpret_cast<CDialog *>(lParam);
        self->m_hWnd = hWnd;
        SetWindowLongPtrW(hWnd, DWLP_USER, lParam);
        if (CWinApp *app = CWinApp::Current())
            app->AddModelessDialog(hWnd);
        return self->OnInitDialog();
    }
    auto *self = reinterpret_cast<CDialog *>(GetWindowLongPtrW(hWnd, DWLP_USER));
    // Messages before WM_INITDIALOG (WM_SETFONT) and after the end.
    if (self == nullptr)
        return FALSE;

    LRESULT result = 0;
    bool handled = false;
    const bool okOrCancel = message == WM_COMMAND && HIWORD(wParam) == BN_CLICKED &&
                            (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL);
    if (okOrCancel && self->FindEntry(message, wParam) == nullptr) {
        if (LOWORD(wParam) == IDOK)
            self->OnOK();
        else
            self->OnCancel();
        handled = true;
    } else {
        handled = self->Dispatch(message, wParam, lParam, result);
    }

    if (message == WM_NCDESTROY) {
        SetWindowLongPtrW(hWnd, DWLP_USER, 0);
        if (CWinApp *app = CWinApp::Current())
            app->RemoveModelessDialog(hWnd);
        self->AfterNcDestroy();
        return FALSE;
    }
    if (!handled)
        return FALSE;
    SetWindowLongPtrW(hWnd, DWLP_MSGRESULT, result);
    return TRUE;
}
