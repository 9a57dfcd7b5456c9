// A stand-in started (or found) by a test. Whatever happens to the test, the
// stand-in does not outlive it: the destructor ends it if it still runs.
#pragma once

#include <windows.h>

#include <optional>
#include <string>

#include "process.h"

namespace standintest {

// How long a test waits for a stand-in to show up or to end before it gives
// up on it; generous, as Wine can be slow to bring up a program.
constexpr DWORD kPatienceMs = 30000;

class StandInProcess {
public:
    StandInProcess() = default;
    ~StandInProcess();
    StandInProcess(const StandInProcess &) = delete;
    StandInProcess &operator=(const StandInProcess &) = delete;

    // Starts a command line; false when it could not be started.
    bool Start(const std::wstring &commandLine);
    // Takes charge of a process something else started; false when it cannot
    // be opened (it has already ended, for one).
    bool Attach(DWORD processId);

    DWORD id() const { return started_.id; }

    // The top-level window of this process with that class, looked for until
    // it appears or the patience runs out; null then. It is returned once
    // the process waits for messages, so its start-up is done.
    HWND WaitForWindow(const std::wstring &className) const;
    // Its exit code, or empty when it did not end in time (it is then ended).
    std::optional<DWORD> WaitExit();
    // Posts WM_CLOSE to the window and waits for the process to end.
    std::optional<DWORD> CloseAndWait(HWND window);

private:
    kivotest::StartedProcess started_;
};

// Returns once the thread of a window waits for messages, so the program
// that made it (and showed it, if it does) is done starting up; false when
// it did not within the patience or the window is gone.
bool WaitForMessageLoop(HWND window);

// The command line of a program with its arguments; the program is quoted
// when asked to or when its path needs it.
std::wstring CommandLineOf(const std::wstring &program, const std::wstring &arguments,
                           bool quoteProgram = false);

// The title of a window, through WM_GETTEXT.
std::wstring WindowTitle(HWND window);

} // namespace standintest
