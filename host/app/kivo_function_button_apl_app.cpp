#include "app/kivo_function_button_apl_app.h"

#include <commctrl.h>

#include <cwchar>
#include <new>

#include "app/kivo_function_button_wnd.h"

const WCHAR szInstance[] = L"CKivoFunctionButtonAplApp";
const WCHAR tcoption[] = L"-setting";

CKivoFunctionButtonAplApp theApp;

BOOL CKivoFunctionButtonAplApp::InitInstance()
{
    // One host per Windows session: a second start ends at once, silently.
    if (HANDLE existing = OpenMutexW(MUTEX_ALL_ACCESS, FALSE, szInstance)) {
        CloseHandle(existing);
        return FALSE;
    }
    m_hMutex = CreateMutexW(nullptr, FALSE, szInstance);

    INITCOMMONCONTROLSEX controls{};
    controls.dwSize = sizeof(controls);
    controls.dwICC = 0xFF;
    InitCommonControlsEx(&controls);

    // The window object deletes itself when its window is destroyed, also
    // when creation fails.
    auto *window = new (std::nothrow) CKivoFunctionButtonWnd();
    if (window == nullptr || !window->Create())
        return FALSE;
    m_pMainWnd = window;
    if (wcscmp(m_lpCmdLine, tcoption) == 0)
        window->ShowDlg();
    return TRUE;
}

int CKivoFunctionButtonAplApp::ExitInstance()
{
    if (m_hMutex != nullptr) {
        ReleaseMutex(m_hMutex);
        CloseHandle(m_hMutex);
        m_hMutex = nullptr;
    }
    return CWinApp::ExitInstance();
}
