#include "close_hosts.h"

#include <cstdio>
#include <map>
#include <set>

#include "close_signal.h"
#include "program_processes.h"
#include "session_list.h"

namespace {

constexpr wchar_t kHostWindow[] = L"KIVO_FUNCTION";
constexpr DWORD kPollMs = 100;

void SetSignal(DWORD setupProcess)
{
    const UniqueHandle signal = OpenCloseSignal();
    if (!signal || !SetEvent(signal.get())) {
        std::printf("The close signal could not be set (error %lu): only the tray program of this desktop is "
                    "closed\n",
                    GetLastError());
        return;
    }
    if (!HandCloseSignalTo(signal.get(), setupProcess))
        std::printf("The close signal is not kept for the setup (error %lu)\n", GetLastError());
    std::printf("The close signal is set for the tray programs of all sessions\n");
}

} // namespace

int CloseHosts(const std::wstring &program, DWORD waitSeconds, const std::wstring &sessionsFile, DWORD setupProcess)
{
    const std::wstring path = FullPath(program);
    SetSignal(setupProcess);
    if (HWND window = FindWindowW(nullptr, kHostWindow)) {
        std::printf("Closing the tray program of this desktop\n");
        PostMessageW(window, WM_CLOSE, 0, 0);
    }

    // Every process seen while waiting, with its session.
    std::map<DWORD, ProgramProcess> seen;
    std::vector<ProgramProcess> running = ProgramProcesses(path);
    const ULONGLONG deadline = GetTickCount64() + waitSeconds * 1000ULL;
    while (!running.empty() && GetTickCount64() < deadline) {
        for (const ProgramProcess &process : running)
            seen[process.id] = process;
        Sleep(kPollMs);
        running = ProgramProcesses(path);
    }

    std::set<DWORD> still;
    for (const ProgramProcess &process : running) {
        still.insert(process.id);
        if (process.sessionKnown)
            std::printf("The tray program still runs after %lu s (process %lu, session %lu): its files are replaced "
                        "at the next restart\n",
                        waitSeconds, process.id, process.session);
        else
            std::printf("The tray program still runs after %lu s (process %lu): its files are replaced at the next "
                        "restart\n",
                        waitSeconds, process.id);
    }
    std::set<DWORD> closed;
    for (const auto &[id, process] : seen) {
        if (still.count(id) != 0)
            continue;
        if (process.sessionKnown) {
            closed.insert(process.session);
            std::printf("The tray program closed in session %lu\n", process.session);
        } else {
            std::printf("The tray program closed (process %lu) in a session that could not be told: it starts "
                        "again at the user's next logon\n",
                        id);
        }
    }
    if (!WriteSessionList(sessionsFile, closed))
        std::printf("The closed sessions could not be noted (error %lu): their tray programs start at the next "
                    "logon\n",
                    GetLastError());
    return running.empty() ? 0 : 1;
}
