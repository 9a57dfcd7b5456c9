#include "framework/win_app.h"

#include <algorithm>

CWinApp *CWinApp::s_current = nullptr;

CWinApp::CWinApp() noexcept
{
    s_current = this;
}

CWinApp::~CWinApp()
{
    if (s_current == this)
        s_current = nullptr;
}

int CWinApp::WinMain(HINSTANCE instance, LPWSTR commandLine)
{
    m_hInstance = instance;
    m_lpCmdLine = commandLine != nullptr ? commandLine : L"";
    if (InitInstance())
        m_exitCode = Run();
    return ExitInstance();
}

int CWinApp::Run()
{
    MSG message;
    for (;;) {
        const BOOL got = GetMessageW(&message, nullptr, 0, 0);
        if (got == 0)
            return static_cast<int>(message.wParam);
        if (got == -1)
            return -1;
        const bool forDialog = std::any_of(m_dialogs.begin(), m_dialogs.end(), [&](HWND dialog) {
            return IsDialogMessageW(dialog, &message) != FALSE;
        });
        if (forDialog)
            continue;
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
}

void CWinApp::AddModelessDialog(HWND dialog)
{
    m_dialogs.push_back(dialog);
}

void CWinApp::RemoveModelessDialog(HWND dialog) noexcept
{
    m_dialogs.erase(std::remove(m_dialogs.begin(), m_dialogs.end(), dialog), m_dialogs.end());
}
