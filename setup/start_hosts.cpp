#include "start_hosts.h"

#include <cstdio>
#include <set>

#include "session_list.h"
#include "session_start.h"

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
        const DWORD error =
            session == own ? StartAsShellUser(commandLine) : StartAsSessionUser(session, commandLine);
        if (error == ERROR_SUCCESS) {
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
