// Running programs from a test.
#pragma once

#include <windows.h>

#include <optional>
#include <string>

#include "win32/unique_handle.h"

namespace kivotest {

// Quotes an argument for a command line when it holds blanks.
std::wstring Quote(const std::wstring &argument);

// Starts a program; the command line is used as it is. Empty on failure.
// desktop ("station\\desktop") puts it on another desktop than the caller's.
struct StartedProcess {
    UniqueHandle process;
    DWORD id = 0;
};
std::optional<StartedProcess> StartProcess(const std::wstring &commandLine, const wchar_t *desktop = nullptr);

// Waits for a started program; its exit code, or empty when it did not end
// within the time (it is then terminated).
std::optional<DWORD> WaitExitCode(StartedProcess &started, DWORD timeoutMs);

// Ends every process of that image file name ("PlainWindow.exe") and
// waits for each.
void EndProcessesOf(const std::wstring &imageName);

// Waits until no process of that image file name runs; false when one still
// runs after the time.
bool WaitProcessesEnded(const std::wstring &imageName, DWORD timeoutMs = 30000);

// Starts a program and waits for it: its exit code, or empty when it could
// not be started or had to be terminated.
std::optional<DWORD> RunProcess(const std::wstring &commandLine, DWORD timeoutMs = 60000);

// Starts a program with its standard output (and error) going into a pipe and
// waits for it: its exit code, or empty as above; the output as bytes.
std::optional<DWORD> RunProcessCapture(const std::wstring &commandLine, std::string &output,
                                       DWORD timeoutMs = 60000);

} // namespace kivotest
