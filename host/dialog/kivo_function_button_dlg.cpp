#include "dialog/kivo_function_button_dlg.h"

#include <new>

#include "errors/error_manager.h"
#include "framework/load_string.h"
#include "resource.h"

namespace {

constexpr std::size_t kTextChars = 260;

} // namespace

CKivoFunctionButtonDlg *CKivoFunctionButtonDlg::m_Instance = nullptr;

CKivoFunctionButtonDlg *CKivoFunctionButtonDlg::CreateInstance(CFunctionButtonParameter *parameter, CWnd *parent)
{
    if (m_Instance == nullptr) {
        auto *dialog = new (std::nothrow) CKivoFunctionButtonDlg(parameter, parent);
        // A dialog whose window could not be made would block every later
        // opening; it is let go instead.
        if (dialog != nullptr && dialog->m_hWnd == nullptr)
            delete dialog;
        else
            m_Instance = dialog;
    }
    return m_Instance;
}

CKivoFunctionButtonDlg::CKivoFunctionButtonDlg(CFunctionButtonParameter *parameter, CWnd *parent)
    : m_pParameter(parameter)
{
    Create(IDD_SETTING_DIALOG, parent);
}

void CKivoFunctionButtonDlg::DoDataExchange(CDataExchange *pDX)
{
    CDialog::DoDataExchange(pDX);
    DDX_Control(pDX, IDC_COMBO_BUTTON_A, m_comboButtonA);
    DDX_Control(pDX, IDC_COMBO_BUTTON_B, m_comboButtonB);
    DDX_Text(pDX, IDC_GROUP_BUTTON_A, m_strGroupA, kTextChars);
    DDX_Text(pDX, IDC_SELECT_BUTTON_A, m_strSelectA, kTextChars);
    DDX_Text(pDX, IDC_GROUP_BUTTON_B, m_strGroupB, kTextChars);
    DDX_Text(pDX, IDC_SELECT_BUTTON_B, m_strSelectB, kTextChars);
    DDX_Control(pDX, IDC_DEFAULT_BUTTON_A, m_btnDefaultA);
    DDX_Control(pDX, IDC_DEFAULT_BUTTON_B, m_btnDefaultB);
    DDX_Text(pDX, IDC_VERSION, m_strVersion, kTextChars);
    DDX_Control(pDX, IDOK, m_btnOK);
    DDX_Control(pDX, IDCANCEL, m_btnCancel);
}

BOOL CKivoFunctionButtonDlg::OnInitDialog()
{
    CDialog::OnInitDialog();

    // Appended at the end (-1), which does not sort although the lists
    // carry the sort style: position k is always item id k + 1.
    for (const CItem &item : m_pParameter->getItems()) {
        m_comboButtonA.InsertString(-1, item.ItemName);
        m_comboButtonB.InsertString(-1, item.ItemName);
    }
    const CSetting setting = *m_pParameter->getSetting();
    m_comboButtonA.SetCurSel(setting.ButtonASettingId - 1);
    m_comboButtonB.SetCurSel(setting.ButtonBSettingId - 1);

    SetWindowTextW(LoadResourceString(IDS_DLG_CAPTION, kTextChars));
    m_strGroupA = LoadResourceString(IDS_DLG_GROUP_BUTTON_A, kTextChars);
    m_strGroupB = LoadResourceString(IDS_DLG_GROUP_BUTTON_B, kTextChars);
    m_strSelectA = LoadResourceString(IDS_DLG_SELECT_ITEMS, kTextChars);
    m_strSelectB = m_strSelectA;
    m_btnDefaultA.SetWindowTextW(LoadResourceString(IDS_DLG_DEFAULT, kTextChars));
    m_btnDefaultB.SetWindowTextW(LoadResourceString(IDS_DLG_DEFAULT, kTextChars));
    WCHAR version[kTextChars] = {};
    getFileVersion(version, kTextChars);
    m_strVersion = version;
    m_btnOK.SetWindowTextW(LoadResourceString(IDS_DLG_OK, kTextChars));
    m_btnCancel.SetWindowTextW(LoadResourceString(IDS_DLG_CANCEL, kTextChars));

    UpdateData(FALSE);
    return TRUE;
}

void CKivoFunctionButtonDlg::OnBnClickedInitA()
{
    const CSetting setting = *m_pParameter->getSetting();
    m_comboButtonA.SetCurSel(setting.ButtonADefaultId - 1);
}

void CKivoFunctionButtonDlg::OnBnClickedInitB()
{
    const CSetting setting = *m_pParameter->getSetting();
    m_comboButtonB.SetCurSel(setting.ButtonBDefaultId - 1);
}

void CKivoFunctionButtonDlg::OnOK()
{
    const int selectedA = m_comboButtonA.GetCurSel();
    if (selectedA >= 0)
        m_pParameter->setSettingA(selectedA + 1);
    const int selectedB = m_comboButtonB.GetCurSel();
    if (selectedB >= 0)
        m_pParameter->setSettingB(selectedB + 1);

    const int failed = m_pParameter->SetCallBackParameter();
    SetButtonFunctionErorr(failed);
    checkWarning();

    // The choice is in force already; a write that failed would lose it at
    // the next start, so the user hears of it. The end of the session may
    // have closed the dialog while the warning was open: the choice is
    // saved all the same, and nobody is left to tell of a failed save.
    if (!m_pParameter->Update() && m_hWnd != nullptr) {
        MessageBoxW(m_hWnd, LoadResourceString(IDS_WARN_SAVE_FAILED, kTextChars).c_str(),
                    LoadResourceString(IDS_ERROR_CAPTION, kTextChars).c_str(), MB_OK | MB_ICONEXCLAMATION);
    }
    Close();
}

void CKivoFunctionButtonDlg::OnCancel()
{
    Close();
}

void CKivoFunctionButtonDlg::OnClose()
{
    Default();
    Close();
}

void CKivoFunctionButtonDlg::Close()
{
    // A dialog closed under a box of its own may already have a successor.
    if (m_Instance == this)
        m_Instance = nullptr;
    DestroyWindow();
}

void CKivoFunctionButtonDlg::PostNcDestroy()
{
    CDialog::PostNcDestroy();
    delete this;
}

void CKivoFunctionButtonDlg::checkWarning()
{
    const std::wstring caption = LoadResourceString(IDS_ERROR_CAPTION, kTextChars);
    int level = 0;
    int stringId = 0;
    CErrorManager::GetErrorInfo(&level, &stringId);
    const std::wstring message = LoadResourceString(static_cast<UINT>(stringId), kTextChars);
    if (level == KVF_LEVEL_WARNING)
        MessageBoxW(m_hWnd, message.c_str(), caption.c_str(), MB_OK | MB_ICONEXCLAMATION);
}

const MessageMap *CKivoFunctionButtonDlg::GetMessageMap() const noexcept
{
    static const MessageEntry entries[] = {
        {WM_COMMAND, IDC_DEFAULT_BUTTON_A,
         [](CWnd &w, WPARAM, LPARAM) -> LRESULT {
             static_cast<CKivoFunctionButtonDlg &>(w).OnBnClickedInitA();
             return 0;
         }},
        {WM_COMMAND, IDC_DEFAULT_BUTTON_B,
         [](CWnd &w, WPARAM, LPARAM) -> LRESULT {
             static_cast<CKivoFunctionButtonDlg &>(w).OnBnClickedInitB();
             return 0;
         }},
        {WM_CLOSE, 0,
         [](CWnd &w, WPARAM, LPARAM) -> LRESULT {
             static_cast<CKivoFunctionButtonDlg &>(w).OnClose();
             return 0;
         }},
    };
    static const MessageMap map = MakeMessageMap(CDialog::GetMessageMap(), entries);
    return &map;
}
