// The host program as a user runs it: a real process of the staged
// KivoFunctionButtonApl.exe, seen and driven from outside through its
// windows, its tray icon and window messages.
#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

#include "process.h"

namespace hosttest {

constexpr wchar_t kMainWindowTitle[] = L"KIVO_FUNCTION";
constexpr wchar_t kErrorCaption[] = L"Function Button Error Message";
constexpr wchar_t kDialogCaption[] = L"Function Button Setting";
constexpr UINT kTrayCallback = WM_USER + 100;
constexpr UINT kTrayIconId = 100;
// How long the tests wait for the host to show something; Wine needs a few
// seconds to start a program with COM and WMI.
constexpr DWORD kHostPatienceMs = 30000;
// How much the host's private memory may grow over a long run without a
// leak: the heap keeps some freed pages for reuse.
constexpr size_t kMemorySlack = 256 * 1024;

// The top-level windows of a process with that title, in z-order, on that
// desktop (null: the caller's).
std::vector<HWND> WindowsOfProcess(DWORD processId, const wchar_t *title, HDESK desktop = nullptr);

// Whether the tray holds the icon (owner, id 100): the shell accepts a
// change only of an icon it has.
bool TrayIconPresent(HWND owner);

// The text of a dialog's control, through WM_GETTEXT.
std::wstring ItemText(HWND dialog, int id);

// The message text of a message box.
std::wstring MessageBoxText(HWND box);

// Which icon a message box shows, told by the colours on the screen: "stop"
// (red), "exclamation" (yellow), or "none".
std::string MessageBoxIcon(HWND box);

// Waits until the shell shows a notification balloon with that text (a
// visible tooltip window of the tray); false when none shows up in time.
bool WaitBalloon(const std::wstring &text, DWORD timeoutMs = kHostPatienceMs);

class HostApp {
public:
    HostApp() = default;
    ~HostApp();
    HostApp(const HostApp &) = delete;
    HostApp &operator=(const HostApp &) = delete;

    // Starts the host with the given command-line tail (on another desktop
    // when one is named); false when it cannot be started.
    bool Start(const std::wstring &arguments = L"", const wchar_t *desktop = nullptr);
    DWORD id() const { return process_.id; }
    bool Running() const;

    // The hidden main window, once it exists; null when the process ended.
    HWND WaitMainWindow();
    // A top-level window of the host with that title; null when none shows
    // up in time (or the process ended).
    HWND WaitWindow(const wchar_t *title, DWORD timeoutMs = kHostPatienceMs);
    // Waits until the host has no window with that title any more.
    bool WaitNoWindow(const wchar_t *title, DWORD timeoutMs = kHostPatienceMs);
    // The exit code, or empty when it did not end in time.
    std::optional<DWORD> WaitExit(DWORD timeoutMs = kHostPatienceMs);
    // Asks it to close (WM_CLOSE to the main window) and waits; ends it
    // hard when it does not.
    void Stop();
    // Ends it at once, as a crash or the task manager would; true once it
    // has ended.
    bool Kill();

    HWND mainWindow = nullptr;
    // Where its windows are looked for (null: the caller's desktop).
    HDESK desktop = nullptr;

private:
    kivotest::StartedProcess process_;
};

} // namespace hosttest
