#include "start_hosts.h"

#include <cstdio>
#include <set>

#include "desktop_shell_start.h"
#include "session_list.h"
#include "session_start.h"

namespace {

// The desktop shell's own start is the one that gives the program the UI
// access its manifest asks for; the shell's token, handed to
// CreateProcessWithTokenW, stays for a program whose manifest asks for none
// (Windows refuses it with 740 otherwise, which then says why).
DWORD StartInOwnSession(const std::wstring &program, const std::wstring &commandLine, DWORD session)
{
    const HRESULT shell = StartThroughDesktopShell(program);
    if (SUCCEEDED(shell)) {
        std::printf("Started the tray program in session %lu through the desktop shell\n", session);
        return ERROR_SUCCESS;
    }
    std::printf("The desktop shell did not start the tray program in session %lu (error 0x%08lX): trying with "
                "the shell's token\n",
                session, static_cast<unsigned long>(shell));
    const DWORD error = StartAsShellUser(commandLine);
    if (error == ERROR_SUCCESS)
        std::printf("Started the tray program in session %lu with the shell's token\n", session);
    return error;
}

} // namespace

int StartHosts(const std::wstring &program, const std::wstring &sessionsFile, bool withOwnSession)
{
    std::set<DWORD> sessions = ReadSessionList(sessionsFile);
    const DWORD own = OwnSession();
    // Session 0 has services only: no user to start it for.
    if (withOwnSession && own != 0)
        sessions.insert(own);
    if (withOwnSession && own == 0 && sessions.empty())
        std::printf("No user runs this setup: the tray program starts at each user's next logon\n");

    int result = 0;
    const std::wstring commandLine = L"\"" + program + L"\"";
    for (const DWORD session : sessions) {
        const DWORD error = session == own ? StartInOwnSession(program, commandLine, session)
                                           : StartAsSessionUser(session, commandLine);
        if (error == ERROR_SUCCESS) {
            if (session != own)
                std::printf("Started the tray program in session %lu\n", session);
        } else {
            std::printf("The tray program was not started in session %lu now (error %lu): it starts at the user's "
                        "next logon\n",
                        session, error);
            result = 1;
        }
    }
    return result;
}
