// The application object: instance initialisation, the message loop and
// the exit step, as the program's entry point drives them.
#pragma once

#include <windows.h>

#include <vector>

class CWnd;

class CWinApp {
public:
    CWinApp() noexcept;
    virtual ~CWinApp();
    CWinApp(const CWinApp &) = delete;
    CWinApp &operator=(const CWinApp &) = delete;

    // The one application object of the process.
    static CWinApp *Current() noexcept { return s_current; }

    // InitInstance, then (when it succeeded) the message loop, then
    // ExitInstance, whose result is the exit code.
    int WinMain(HINSTANCE instance, LPWSTR commandLine);

    // FALSE ends the program before the message loop.
    virtual BOOL InitInstance() { return TRUE; }
    // Runs also when InitInstance failed; the default gives the code that
    // ended the message loop (0 when it never ran).
    virtual int ExitInstance() { return m_exitCode; }

    // Modeless dialogs get their keyboard navigation (Tab, Enter, Esc)
    // from the message loop while they are registered here.
    void AddModelessDialog(HWND dialog);
    void RemoveModelessDialog(HWND dialog) noexcept;

    HINSTANCE m_hInstance = nullptr;
    // The command line after the program name.
    LPCWSTR m_lpCmdLine = L"";
    // Destroying this window ends the message loop.
    CWnd *m_pMainWnd = nullptr;

protected:
    int Run();

    int m_exitCode = 0;

private:
    static CWinApp *s_current;
    std::vector<HWND> m_dialogs;
};
