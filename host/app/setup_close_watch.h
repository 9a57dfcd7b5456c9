// Closes the program when the setup asks every running copy, in every
// session, to make way for new files: the machine-wide event
// "Global\KivoFunctionButtonClose" is set, and a wait of the thread pool
// posts WM_CLOSE to the main window. A copy started while the event is set
// closes at once: the setup starts it again when the files are in place.
#pragma once

#include <windows.h>

#include "win32/unique_handle.h"

class CSetupCloseWatch {
public:
    CSetupCloseWatch() noexcept = default;
    ~CSetupCloseWatch() { Stop(); }
    CSetupCloseWatch(const CSetupCloseWatch &) = delete;
    CSetupCloseWatch &operator=(const CSetupCloseWatch &) = delete;

    // Opens (or, as the first copy on the machine, makes) the event and
    // waits on it; false when neither worked (the setup then closes this
    // copy through its window only).
    bool Start(HWND window) noexcept;
    // Ends the wait; once it returns, no WM_CLOSE comes from it any more.
    void Stop() noexcept;

private:
    static void CALLBACK Signalled(PVOID window, BOOLEAN timedOut);

    UniqueHandle m_hEvent;
    HANDLE m_hWait = nullptr;
};
