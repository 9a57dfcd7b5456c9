// Start-up of the host program, measured from outside: how long from the
// process start until its tray icon is there. Afterwards the host is left
// running for the given seconds (bench/run.sh reads its CPU time from the
// system meanwhile), then closed.
//
// Usage: host_bench <host exe> [seconds to keep it running]
#include <windows.h>

#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "bench_table.h"
#include "host_app.h"

namespace {

using Clock = std::chrono::steady_clock;

HWND MainWindowOf(DWORD processId)
{
    const std::vector<HWND> windows = hosttest::WindowsOfProcess(processId, hosttest::kMainWindowTitle);
    return windows.empty() ? nullptr : windows.front();
}

} // namespace

int wmain(int argc, wchar_t **argv)
{
    if (argc < 2) {
        std::fputs("usage: host_bench <host exe> [seconds to keep it running]\n", stderr);
        return 2;
    }
    const int keepSeconds = argc > 2 ? _wtoi(argv[2]) : 60;
    std::wstring command = argv[1];
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info{};
    const auto start = Clock::now();
    if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info)) {
        std::fprintf(stderr, "host_bench: cannot start the host (%lu)\n", GetLastError());
        return 1;
    }
    HWND window = nullptr;
    double toTray = -1;
    for (int i = 0; i < 6000 && toTray < 0; ++i) {
        if (window == nullptr)
            window = MainWindowOf(info.dwProcessId);
        if (window != nullptr && hosttest::TrayIconPresent(window))
            toTray = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
        else
            Sleep(2);
    }
    bench::Value("host: process start to tray icon added", toTray, "ms");
    std::fflush(stdout);
    Sleep(static_cast<DWORD>(keepSeconds) * 1000);

    if (window != nullptr)
        PostMessageW(window, WM_CLOSE, 0, 0);
    if (WaitForSingleObject(info.hProcess, 15000) != WAIT_OBJECT_0)
        TerminateProcess(info.hProcess, 1);
    CloseHandle(info.hThread);
    CloseHandle(info.hProcess);
    return toTray < 0 ? 1 : 0;
}
