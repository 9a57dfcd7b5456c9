// The host program's application object: one instance per Windows session,
// the hidden main window, and "-setting" on the command line.
#pragma once

#include <windows.h>

#include "framework/win_app.h"

extern const WCHAR szInstance[];
extern const WCHAR tcoption[];

class CKivoFunctionButtonAplApp : public CWinApp {
public:
    BOOL InitInstance() override;
    int ExitInstance() override;

private:
    HANDLE m_hMutex = nullptr;
};

extern CKivoFunctionButtonAplApp theApp;
